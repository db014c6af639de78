#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UBSan into
# build-fuzz, then runs each for a bounded time (about 60 s in all, or
# LUMEN_FUZZ_SECONDS in all). A crash, a sanitizer report or a leak-free
# abort fails the run; the crashing input is left in build-fuzz/crashes.
#   tests/run_fuzzers.sh [--help]
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = "--help" ] || [ "${1:-}" = "-h" ]; then
  sed -n '2,6p' "$0" | sed 's/^# \{0,1\}//'
  exit 0
fi

total=${LUMEN_FUZZ_SECONDS:-60}
dir=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLUMEN_BUILD_FUZZ=ON -DLUMEN_SANITIZE=ON -DLUMEN_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null

targets=()
for src in fuzz/fuzz_*.cpp; do
  targets+=("$(basename "$src" .cpp)")
done
[ ${#targets[@]} -gt 0 ] || { echo "run_fuzzers: no fuzz targets in fuzz/" >&2; exit 1; }
cmake --build "$dir" -j "$(nproc 2>/dev/null || echo 2)" --target "${targets[@]}"

per=$(( total / ${#targets[@]} ))
[ "$per" -ge 5 ] || per=5
mkdir -p "$dir/crashes"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for t in "${targets[@]}"; do
  corpus="$dir/corpus/$t"
  mkdir -p "$corpus"
  seeds=()
  [ -d "fuzz/seeds/$t" ] && seeds=("fuzz/seeds/$t")
  echo "fuzzing $t for ${per}s" >&2
  if ! "$dir/fuzz/$t" -max_total_time="$per" -max_len=4096 -rss_limit_mb=2048 -timeout=20 \
      -artifact_prefix="$dir/crashes/$t-" -print_final_stats=1 "$corpus" "${seeds[@]}" 2>"$dir/$t.log"; then
    echo "run_fuzzers: $t failed; log in $dir/$t.log, input in $dir/crashes/" >&2
    tail -n 40 "$dir/$t.log" >&2
    status=1
  fi
done
exit $status
