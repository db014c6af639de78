#!/usr/bin/env bash
# Records `lumen --timings` on headless runs of the player at each of its sizes,
# then at 640 x 480 started mid-show (--from 400) and as the authoring player
# (--dev): start-up time, frames drawn and frame time p50/p99/max, as one
# Markdown table.
set -euo pipefail

usage() {
  cat <<'HELP'
usage: bench/player/player_timings.sh [--lumen PATH] [--seconds N] [--out FILE] [--whole-show]
Plays the show headless (SDL's offscreen video driver, no sound device) once at
each player size, then at 640 x 480 with --from 400 and with --dev, and prints
a table of what `lumen --timings` reports.
  --lumen PATH   the player to measure (default: build/shell/lumen)
  --seconds N    stop each run after N seconds with an interrupt, as closing
                 the window would (default 30)
  --whole-show   let each run play to the end of the show instead (about 8.5 min)
  --out FILE     also write the table to FILE (replaced whole, never half-written)
  --help         this text
HELP
}

root=$(cd "$(dirname "$0")/../.." && pwd)
lumen=$root/build/shell/lumen
seconds=30
out=""
while [ $# -gt 0 ]; do
  case "$1" in
    --lumen) lumen=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --whole-show) seconds=0; shift ;;
    --out) out=$2; shift 2 ;;
    --help) usage; exit 0 ;;
    *) echo "player_timings.sh: unknown argument '$1' (see --help)" >&2; exit 2 ;;
  esac
done
[ -x "$lumen" ] || { echo "player_timings.sh: no player at $lumen (build it: cmake --build build --target lumen)" >&2; exit 1; }

table=$(mktemp)
trap 'rm -f "$table"' EXIT
{
  echo "lumen --timings, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load average $(cut -d" " -f1-3 /proc/loadavg), headless (offscreen, no sound device), $([ "$seconds" -gt 0 ] && echo "${seconds} s per run" || echo "whole show")"
  echo
  echo "| run | start-up | frames | frame time p50 | p99 | max |"
  echo "|---|---|---|---|---|---|"
} >"$table"
for mode in "-m0:320x240" ":640x480" "-m2:800x600" "-m3:1024x768" "--from 400:640x480 --from 400" "--dev:640x480 --dev"; do
  flag=${mode%%:*}
  size=${mode#*:}
  # SIGINT reaches SDL as a quit request, so the player ends as if its window
  # were closed and still prints its report.
  run=(env SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy "$lumen" -windowed $flag --timings)
  if [ "$seconds" -gt 0 ]; then run=(timeout -s INT -k 30 "$seconds" "${run[@]}"); fi
  line=$("${run[@]}" 2>/dev/null | grep '^lumen: timings:' || true)
  if [ -z "$line" ]; then
    echo "| $size | (no report) | | | | |" >>"$table"
    continue
  fi
  # "lumen: timings: start-up 2.351 s, 812 frames, frame time p50 16.4 ms, p99 31.0 ms, max 40.2 ms"
  echo "$line" | sed -E 's/^lumen: timings: start-up ([^,]*), ([0-9]+) frames?, frame time p50 ([^,]*), p99 ([^,]*), max (.*)$/| '"$size"' | \1 | \2 | \3 | \4 | \5 |/' >>"$table"
done
cat "$table"
if [ -n "$out" ]; then
  cp "$table" "$out.tmp.$$" && mv "$out.tmp.$$" "$out"
fi
