#!/usr/bin/env bash
# Live cost: plays a 60-second music-like file with vuplay in real windows on
# a virtual X display, both meters at once, through SDL's dummy audio driver
# (which plays at the real rate into nothing), and reports vuplay's CPU time
# (user + system, all its threads) as a share of one core, the frames put on
# the screen against the audio blocks, whether every block of the file reached
# each add-on's Render, and how late blocks were shown.
#
#   bash bench/live-cost.sh [SECONDS]   (default 60)
set -euo pipefail

seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j2 --target vuplay vis_corvel vis_kestle >/dev/null
vuplay=$root/build/release/bin/vuplay

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sox -n -r 44100 -c 2 -b 16 "$work/music.wav" synth "$seconds" pinknoise sine 110-880 tremolo 1.7 80

SDL_AUDIODRIVER=dummy bash tests/support/run-under-xvfb.sh \
	/usr/bin/time -f "%e %U %S %M" -o "$work/time" \
	"$vuplay" --verbose -p corvel -p kestle --settings-dir "$work/settings" "$work/music.wav" >"$work/out"

read -r elapsed user system peak <"$work/time"
# The last block is padded, so a part of one counts as a whole.
blocks=$(awk -v s="$seconds" 'BEGIN { b = s * 44100 / 512; printf "%d", b == int(b) ? b : int(b) + 1 }')
played=$(sed -n 's/^blocks played: //p' "$work/out")
shown=$(sed -n 's/^frames shown on screen: //p' "$work/out")
echo "played ${seconds} s in ${elapsed} s: user ${user} s, system ${system} s, peak $((peak / 1024)) MB"
awk -v e="$elapsed" -v u="$user" -v s="$system" 'BEGIN { printf "CPU: %.2f %% of one core\n", 100 * (u + s) / e }'
awk -v f="$shown" -v b="$blocks" -v s="$seconds" 'BEGIN {
	printf "frames shown on screen: %d for %d audio blocks (%.1f a second; blocks come %.1f a second)\n",
		f, b, f / s, b / s }'
sed -n 's/^blocks rendered by add-on [0-9]* (.*\/\(.*\)): \([0-9]*\)$/\1 \2/p' "$work/out" |
	while read -r name rendered; do
		verdict="every block"
		[ "$rendered" -eq "$blocks" ] || verdict="NOT every block"
		echo "blocks rendered by $name: $rendered of $played played, of $blocks in the file: $verdict"
	done
grep '^latency' "$work/out"
