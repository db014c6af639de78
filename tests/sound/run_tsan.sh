#!/usr/bin/env bash
# Runs the sound path (platform device, audio thread, block renderer, clock)
# under ThreadSanitizer, with no GL: a separate build in build-tsan with
# LUMEN_TSAN=ON, then the sound device test against a PulseAudio null sink.
# Not part of CI: the speed checks of that test do not apply under the sanitizer.
set -euo pipefail
if [ "${1:-}" = "--help" ]; then
  echo "usage: tests/sound/run_tsan.sh [BUILD_DIR]   (default build-tsan)"
  echo "Builds test_sound_device with -fsanitize=thread and runs it; exit status 0 when ThreadSanitizer reports nothing."
  exit 0
fi
cd "$(dirname "$0")/../.."
dir=${1:-build-tsan}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" -DLUMEN_TSAN=ON -DLUMEN_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" -j "$(nproc 2>/dev/null || echo 2)" --target test_sound_device
# Some kernels randomise the address space more than this runtime expects;
# running without randomisation avoids its "unexpected memory mapping" abort.
TSAN_OPTIONS="suppressions=$PWD/tests/sound/tsan.supp halt_on_error=0 second_deadlock_stack=1 exitcode=66 ${TSAN_OPTIONS:-}" \
  setarch "$(uname -m)" -R "$dir/tests/sound/test_sound_device"
