#!/usr/bin/env bash
# Proves the suites catch faults: applies each deliberate one-line fault of the
# list below to a scratch copy of the repository, one at a time, rebuilds only
# the affected test programs (one build directory, incremental), runs them, and
# puts the line back. A fault is caught when a test program fails.
#
# usage: tests/mutate.sh [--list] [NUMBER...]
#   --list     print the numbered faults and exit
#   NUMBER...  run only these faults (1-based)
#   LUMEN_MUTATE_DIR   scratch directory (default /tmp/lumen-mutate)
#   LUMEN_MUTATE_JOBS  build jobs (default 2)
# Exit status 0 when every fault run was caught, 1 when one was missed or its
# line is no longer in the source (the list then needs updating), 2 on set-up
# errors. Not part of CI: it takes tens of minutes.
set -uo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
scratch=${LUMEN_MUTATE_DIR:-/tmp/lumen-mutate}
jobs=${LUMEN_MUTATE_JOBS:-2}
src=$scratch/src
build=$scratch/build

# One fault per line: file @@ original text (on exactly one line) @@ faulty
# text @@ test programs that should catch it.
read -r -d '' FAULTS <<'EOF'
texgen/generators.cpp@@int Q = (p0 - p1) - P;@@int Q = (p0 - p1) + P;@@test_texgen
texgen/generators.cpp@@const int shift = 8 - s;@@const int shift = 7 - s;@@test_texgen
texgen/colour_ops.cpp@@return uint8_t(255 - v); });@@return uint8_t(254 - v); });@@test_texgen
texgen/layer_ops.cpp@@targetPart[v] = v * k255 * weight;@@targetPart[v] = v * k255 * (weight + 1);@@test_texgen
texgen/distortions.cpp@@iv1 = (iv + 1) & 255;@@iv1 = (iv + 1) & 127;@@test_texgen
texgen/layer_ops.cpp@@double(s * (255 - m) + t * m)@@double(t * (255 - m) + s * m)@@test_texgen
synth/sequencer.cpp@@((points[i + 1].y - points[i].y) * 65536) / dx@@((points[i].y - points[i + 1].y) * 65536) / dx@@test_synth
synth/sequencer.cpp@@patternBreak(player, hi * 10 + lo);@@patternBreak(player, hi * 16 + lo);@@test_synth
synth/sequencer.cpp@@ch.volume = ch.volume * 2 / 3;@@ch.volume = ch.volume * 1 / 3;@@test_synth
synth/sequencer.cpp@@const int speed = ch.portamentoSpeed * 4;@@const int speed = ch.portamentoSpeed * 2;@@test_synth
synth/mixer.cpp@@rampLength_ = rate * 128 / 44100;@@rampLength_ = rate * 64 / 44100;@@test_synth
synth/mixer.cpp@@const int64_t step = (int64_t(c.step) << 32) + c.stepFraction;@@const int64_t step = (int64_t(c.step) << 32) - c.stepFraction;@@test_synth
pack/reader.cpp@@(bytes_[pos_] | (bytes_[pos_ + 1] << 8))@@(bytes_[pos_] | (bytes_[pos_ + 1] << 7))@@test_pack
pack/reader.cpp@@for (int i = 3; i >= 0; --i)@@for (int i = 3; i > 0; --i)@@test_pack
pack/reader.cpp@@(bits << (32 - 8 * width))@@(bits << (24 - 8 * width))@@test_pack
pack/deform.cpp@@(pixel[0] + pixel[1] + pixel[2]) / 3@@(pixel[0] + pixel[1] + pixel[1]) / 3@@test_pack
pack/deform.cpp@@int j = truncateToInt(v * 255.0);@@int j = truncateToInt(v * 256.0);@@test_pack
pack/deform.cpp@@static_cast<float>(1.0 + h * (static_cast<double>(x) - 1.0))@@static_cast<float>(1.0 - h * (static_cast<double>(x) - 1.0))@@test_pack
scene/evaluate.cpp@@return f((2.0 * s3 - 3.0 * s2 + 1.0) * a.value@@return f((2.0 * s3 - 3.0 * s2 + 1.0) * b.value@@test_scene test_timeline test_drawing
scene/evaluate.cpp@@o.animAxis.y == 0.0f && o.animAxis.z == 0.0f@@o.animAxis.y == 0.0f@@test_scene test_timeline test_drawing
scene/evaluate.cpp@@multiply(d, parent->matrix, w);@@multiply(parent->matrix, d, w);@@test_scene test_timeline test_drawing
scene/display_lists.cpp@@glDepthMask(GL_FALSE);@@glDepthMask(GL_TRUE);@@test_scene test_timeline test_drawing
scene/display_lists.cpp@@if (textured && f.texture == 0) {@@if (f.texture == 0) {@@test_scene test_timeline test_drawing
scene/draw_scene.cpp@@glFogf(GL_FOG_DENSITY, scene.fogDensity);@@glFogf(GL_FOG_DENSITY, scene.fogColor[2]);@@test_scene test_timeline test_drawing
scene/lights.cpp@@glLightfv(name, GL_SPECULAR, light.diffuse);@@glLightfv(name, GL_SPECULAR, light.ambient);@@test_scene test_timeline test_drawing
scene/camera.cpp@@static_cast<float>(camera.roll * kRollToRadians)@@static_cast<float>(-camera.roll * kRollToRadians)@@test_scene test_timeline test_drawing
timeline/distortion_grid.cpp@@theta = theta - 25 * squared(0.5 - r)@@theta = theta + 25 * squared(0.5 - r)@@test_scene test_timeline test_drawing
timeline/distortion_grid.cpp@@squared(std::sin(a * kPi)) + 1) - 1)@@squared(std::sin(a * kPi)) + 2) - 1)@@test_scene test_timeline test_drawing
timeline/cloth_flag.cpp@@if (i % 2 == 0) spring(i, j, i + 2, j, 2.0);@@if (i % 2 == 1) spring(i, j, i + 2, j, 2.0);@@test_scene test_timeline test_drawing
timeline/cloth_flag.cpp@@const float k = dot(n, kWind);@@const float k = dot(normalize(n), kWind);@@test_scene test_timeline test_drawing
timeline/cloth_flag.cpp@@j <= 2 ? kGreen@@j <= 3 ? kGreen@@test_scene test_timeline test_drawing
timeline/cloth_flag.cpp@@glNormal3f(c.normal.x, -c.normal.y, c.normal.z);@@glNormal3f(c.normal.x, c.normal.y, c.normal.z);@@test_scene test_timeline test_drawing
timeline/event_player.cpp@@const double b = (20 - i) * 0.05;@@const double b = (20 - i) * 0.04;@@test_scene test_timeline test_drawing
timeline/event_player.cpp@@lerp(event.clipTimeStart, event.clipTimeEnd, p)@@lerp(event.clipTimeStart, event.clipTimeEnd, 1.0f)@@test_scene test_timeline test_drawing
timeline/scripted_rotation.cpp@@after(s, 24, r2);@@before(s, 24, r2);@@test_scene test_timeline test_drawing
EOF
mapfile -t faults <<<"$FAULTS"

field() { awk -v n="$2" 'BEGIN { FS = "@@" } { print $n }' <<<"$1"; }

if [[ ${1:-} == --list ]]; then
    for k in "${!faults[@]}"; do
        printf '%2d  %s: %s  ->  %s\n' $((k + 1)) "$(field "${faults[k]}" 1)" "$(field "${faults[k]}" 2)" \
            "$(field "${faults[k]}" 3)"
    done
    exit 0
fi
if [[ ${1:-} == -h || ${1:-} == --help ]]; then
    sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'
    exit 0
fi

selected=("$@")
if ((${#selected[@]} == 0)); then
    for k in "${!faults[@]}"; do selected+=($((k + 1))); done
fi

# The test programs the selected faults need, and where each one lands.
declare -A programs=()
for n in "${selected[@]}"; do
    [[ $n =~ ^[0-9]+$ ]] && ((n >= 1 && n <= ${#faults[@]})) || { echo "mutate: no fault $n" >&2; exit 2; }
    for t in $(field "${faults[n - 1]}" 4); do programs[$t]=1; done
done
binary() { local dir=${1#test_}; echo "$build/tests/${dir%_long}/$1"; }

echo "mutate: scratch copy in $src"
# A fresh copy each run; tar keeps the files' times, so the build directory
# only recompiles what changed since the last run.
rm -rf "$src"
mkdir -p "$src" "$build"
tar -C "$repo" --exclude='./build*' --exclude='./.git' -cf - . | tar -C "$src" -xf - || exit 2
# A file a past run mutated may have an object built from the faulty line that
# is newer than the copy's file time: make those files newer still.
for entry in "${faults[@]}"; do touch "$src/$(field "$entry" 1)"; done
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMEN_BUILD_BENCH=OFF "${launcher[@]}" \
    >"$scratch/configure.log" 2>&1 || { echo "mutate: configure failed, see $scratch/configure.log" >&2; exit 2; }

# Runs every program until one fails; returns 1 when one did.
run_programs() {
    for t in "$@"; do
        timeout 900 "$(binary "$t")" --gtest_brief=1 --gtest_fail_fast >>"$scratch/run.log" 2>&1 || return 1
    done
    return 0
}

echo "mutate: building and checking the unmutated programs: ${!programs[*]}"
cmake --build "$build" -j"$jobs" --target "${!programs[@]}" >"$scratch/build.log" 2>&1 ||
    { echo "mutate: the unmutated build failed, see $scratch/build.log" >&2; exit 2; }
: >"$scratch/run.log"
run_programs "${!programs[@]}" || { echo "mutate: the unmutated tests fail, see $scratch/run.log" >&2; exit 2; }

caught=0
missed=0
for n in "${selected[@]}"; do
    entry=${faults[n - 1]}
    file=$(field "$entry" 1)
    original=$(field "$entry" 2)
    faulty=$(field "$entry" 3)
    read -r -a targets <<<"$(field "$entry" 4)"
    path=$src/$file
    start=$SECONDS
    : >"$scratch/fault.log"
    if [[ $(grep -cF -- "$original" "$path" 2>/dev/null) != 1 ]]; then
        result="STALE (text not on exactly one line)"
        missed=$((missed + 1))
    else
        cp -p "$path" "$path.unmutated"
        ORIGINAL=$original FAULTY=$faulty python3 -c '
import os, sys
p = sys.argv[1]
s = open(p).read()
open(p, "w").write(s.replace(os.environ["ORIGINAL"], os.environ["FAULTY"], 1))' "$path"
        if ! cmake --build "$build" -j"$jobs" --target "${targets[@]}" >"$scratch/fault.log" 2>&1; then
            # A tool the build runs (packasm making the content) may refuse
            # the fault: that is a catch. A compiler error means a bad entry.
            if grep -q ': error:' "$scratch/fault.log"; then
                result="MISSED (the faulty line does not compile: fix the list)"
                missed=$((missed + 1))
            else
                result="caught (by a tool the build runs)"
                caught=$((caught + 1))
            fi
        elif run_programs "${targets[@]}"; then
            result="MISSED"
            missed=$((missed + 1))
        else
            result="caught"
            caught=$((caught + 1))
        fi
        mv "$path.unmutated" "$path"
        touch "$path"  # newer than the faulty build, so the next build recompiles it
    fi
    printf '%2d  %-8s %4ds  %s: %s  ->  %s\n' "$n" "${result%% *}" $((SECONDS - start)) "$file" "$original" "$faulty"
    [[ $result == caught ]] || echo "    $result"
    cat "$scratch/fault.log" >>"$scratch/build.log" 2>/dev/null
done

echo "mutate: $caught caught, $missed missed, of ${#selected[@]} faults"
((missed == 0))
