#!/usr/bin/env bash
# Fails unless scripts/run.sh builds what the demo runs, the player and both
# add-ons, and nothing of the tests, benchmarks or fuzzers, which a newcomer
# would otherwise wait for: run-builds-the-demo-only.sh BUILD_DIR SOURCE_DIR
# BUILD_DIR is a configured Ninja tree of any preset; the targets are the same.
set -euo pipefail
build=$1 source=$2

line=$(grep -E '^cmake --build ' "$source/scripts/run.sh")
targets=$(sed -nE 's/.*--target (.*)$/\1/p' <<<"$line")
[ -n "$targets" ] || { echo "run.sh builds every target: $line" >&2; exit 1; }
# Every command that building those targets from nothing would run.
# shellcheck disable=SC2086 # one word a target
commands=$(ninja -C "$build" -t commands $targets)

status=0
for output in bin/vuplay lib/vu-meters/add-ons/vis_Corvel_VU-Meter lib/vu-meters/add-ons/vis_Kestle_VU-Meter; do
	grep -qE -- "-o $output( |$)" <<<"$commands" || { echo "run.sh does not build $output" >&2; status=1; }
done
extra=$(grep -oE -- "$source/(tests|bench|fuzz)/[^ ]+" <<<"$commands" | sort -u | head -3 || true)
[ -z "$extra" ] || { echo "run.sh builds what the demo does not need: $extra" >&2; status=1; }
exit "$status"
