#!/usr/bin/env bash
# Offline rendering against ffmpeg: records a 10-minute 44.1 kHz stereo file
# with the Corvel meter in a 200 x 400 window at 30 frames a second, and the
# same file through ffmpeg's volume display, several runs each, alternating,
# with two sinks: /dev/null (vuplay records into a link to it), and a pipe into
# `wc -c`, whose byte counts prove that every frame was made. Neither pays for
# a disk. The pipe's own speed is the limit: the same bytes, kept in memory,
# sent through the same pipe into `wc -c` by cat (read and write) and by pv
# (splice, no copy on the sending side). Prints the best and the median time
# of each, the ratios, and the peak memory.
#
#   bash bench/compare-ffmpeg.sh [RUNS]   (default 5; RUNS=1 for a quick look)
set -euo pipefail

runs=${1:-5}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j2 --target vuplay vis_corvel >/dev/null
vuplay=$root/build/release/bin/vuplay

work=$(mktemp -d)
# The recorded stream for cat and pv, in memory where there is a tmpfs for it.
kept=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$work" "$kept"' EXIT
# Music-like: pink noise and a swept tone, swelling and fading twice a second or so.
sox -n -r 44100 -c 2 -b 16 "$work/music.wav" synth 600 pinknoise sine 110-880 tremolo 1.7 80
echo "1 resize 199 399" >"$work/events"
mkfifo "$work/pipe.y4m"
ln -s /dev/null "$work/null.y4m"

# run NAME SINK COMMAND...: runs the command writing into SINK (a path);
# appends "seconds peak-KB bytes" to $work/NAME, bytes 0 for /dev/null.
run() {
	local name=$1 sink=$2
	shift 2
	local counter=
	if [ "$sink" = "$work/pipe.y4m" ]; then
		wc -c <"$sink" >"$work/bytes" &
		counter=$!
	else
		echo 0 >"$work/bytes"
	fi
	local status=0
	/usr/bin/time -f "%e %M" -o "$work/time" "$@" || status=$?
	if [ -n "$counter" ]; then
		# A program that failed before opening the pipe leaves the counter waiting.
		if kill -0 "$counter" 2>/dev/null && [ "$status" -ne 0 ]; then : >"$sink"; fi
		wait "$counter"
	fi
	if [ "$status" -ne 0 ]; then
		echo "$name failed with status $status" >&2
		exit 1
	fi
	echo "$(cat "$work/time") $(cat "$work/bytes")" >>"$work/$name"
}

vuplay_into() {
	run "vuplay-$1" "$2" "$vuplay" --headless --settings-dir "$work/settings" --events "$work/events" \
		--record "$2" --fps 30 -p corvel "$work/music.wav"
}
ffmpeg_into() {
	run "ffmpeg-$1" "$3" sh -c 'ffmpeg -nostdin -loglevel error -i "$1" \
		-filter_complex "showvolume=r=30:w=400:h=98:o=v,format=yuv420p" -f yuv4mpegpipe - >"$2"' \
		ffmpeg "$work/music.wav" "$3"
}

"$vuplay" --headless --settings-dir "$work/settings" --events "$work/events" --record "$kept/stream.y4m" \
	--fps 30 -p corvel "$work/music.wav"
for ((i = 1; i <= runs; i++)); do
	vuplay_into null "$work/null.y4m"
	ffmpeg_into null /dev/null /dev/null
	vuplay_into pipe "$work/pipe.y4m"
	ffmpeg_into pipe "$work/pipe.y4m" "$work/pipe.y4m"
	run cat-pipe "$work/pipe.y4m" sh -c 'cat "$1" >"$2"' cat "$kept/stream.y4m" "$work/pipe.y4m"
	run pv-pipe "$work/pipe.y4m" sh -c 'pv -q "$1" >"$2"' pv "$kept/stream.y4m" "$work/pipe.y4m"
done

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
best() { sort -n | head -1; }
for name in vuplay-null ffmpeg-null vuplay-pipe ffmpeg-pipe cat-pipe pv-pipe; do
	printf '%-12s runs (s, peak KB, bytes):' "$name"
	awk '{ printf "  %s %s %s", $1, $2, $3 }' "$work/$name"
	echo
done
# 18000 frames of 200 x 400 in 4:2:0, each after a 6-byte frame header, behind
# a stream header shorter than one frame.
frames=$(awk '{ print int($3 / (6 + 200 * 400 * 3 / 2)) }' "$work/vuplay-pipe" | sort -n | head -1)
echo "vuplay frames through the pipe: $frames (10 minutes at 30 a second: 18000)"
for sink in null pipe; do
	for pick in best median; do
		v=$(cut -d' ' -f1 "$work/vuplay-$sink" | $pick)
		f=$(cut -d' ' -f1 "$work/ffmpeg-$sink" | $pick)
		awk -v s="$sink" -v p="$pick" -v v="$v" -v f="$f" 'BEGIN {
			printf "into %-4s, %-6s: vuplay %.2f s, ffmpeg %.2f s: vuplay %.1f times faster\n", s, p, v, f, f / v }'
	done
done
for pick in best median; do
	v=$(cut -d' ' -f1 "$work/vuplay-pipe" | $pick)
	c=$(cut -d' ' -f1 "$work/cat-pipe" | $pick)
	p=$(cut -d' ' -f1 "$work/pv-pipe" | $pick)
	awk -v k="$pick" -v v="$v" -v c="$c" -v p="$p" 'BEGIN {
		printf "the pipe itself, %-6s: cat %.2f s, pv %.2f s; vuplay takes %.2f times cat, %.2f times pv\n",
			k, c, p, v / c, v / p }'
done
vkb=$(cut -d' ' -f2 "$work/vuplay-pipe" "$work/vuplay-null" | sort -n | tail -1)
fkb=$(cut -d' ' -f2 "$work/ffmpeg-pipe" "$work/ffmpeg-null" | sort -n | tail -1)
awk -v v="$vkb" -v f="$fkb" 'BEGIN { printf "peak memory: vuplay %.1f MB, ffmpeg %.1f MB\n", v / 1024, f / 1024 }'
