#!/usr/bin/env bash
# Lumen's one entry point for set-up, building, playing and testing.
#   ./build.sh play [lumen options]   install what is missing, build, play the show
#   ./build.sh test                   install what is missing, build, run every test
#                                     (a normal build, then an ASan/UBSan build)
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
  build-essential cmake pkg-config git
  libsdl2-dev libgl-dev libegl-dev libglu1-mesa-dev libgl1-mesa-dri libegl-mesa0
  libfreetype-dev libfontconfig-dev fontconfig fonts-liberation2 fonts-dejavu-core
  libpng-dev libgtest-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev
  clang libclang-rt-14-dev ccache
  openmpt123 libopenmpt-dev libxmp-dev  # module players nobody here wrote: the XM export is checked and timed against them
  ffmpeg  # lumenkit render encodes through it
  pulseaudio  # the sound device test plays into a null sink
  help2man  # man pages from --help
  debootstrap  # dist/check_deb_install.sh installs the .deb into a fresh Debian 12 root
)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}" >&2
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
}

jobs=$(nproc 2>/dev/null || echo 2)

build() {  # build DIR [cmake options...]
  local dir=$1; shift
  # ccache keeps the second (sanitizer) build and repeated CI runs from recompiling unchanged files.
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

run_tests() {  # run_tests DIR [ctest options...]
  local dir=$1; shift
  (cd "$dir" && ctest --output-on-failure -j "$jobs" --timeout 600 "$@")
}

cmd=${1:-}
case "$cmd" in
  play)
    shift
    install_missing
    build build
    exec ./build/shell/lumen "$@"
    ;;
  test)
    install_missing
    build build
    run_tests build
    # Leaks are not faults here: the show keeps what it builds until exit.
    export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    build build-sanitize -DLUMEN_SANITIZE=ON -DLUMEN_BUILD_BENCH=OFF
    # Suites labelled long (whole-song renders, whole-show walks, video decodes) ran above;
    # under the sanitizers they would only repeat the same paths ten times slower.
    run_tests build-sanitize -LE long
    if [ -x tests/run_fuzzers.sh ]; then tests/run_fuzzers.sh; fi
    ;;
  *)
    echo "usage: ./build.sh play [lumen options] | ./build.sh test" >&2
    exit 2
    ;;
esac
