#!/usr/bin/env bash
# What the meters cost with Qmmp: plays a 60-second music-like file in Qmmp
# on a virtual X display, through its null output (the real rate, into
# nothing), and measures the CPU time (user + system, all threads) of the
# Qmmp process and of the meter processes it started while it plays, in
# three set-ups, one after the other in each round: our Corvel and Kestle
# meters together, Qmmp's own analyzer (libanalyzer.so), and no visualiser.
# For our meters it also prints their log: the blocks Qmmp played, those
# that reached each add-on's Render, and how long after each block was heard
# its Render started.
#
#   bash bench/qmmp-cost.sh [SECONDS] [ROUNDS] [PRESET]   (default 60, 3 and release;
#   "package", the Debian package's build, serves as well)
set -euo pipefail

seconds=${1:-60}
rounds=${2:-3}
preset=${3:-release}
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/player-cost.sh"

if [ -z "${VUMETERS_BENCH_ON_DISPLAY:-}" ]; then
	cd "$root"
	bash scripts/deps.sh
	cmake --preset "$preset" >/dev/null
	cmake --build --preset "$preset" -j2 --target vis_corvel vis_kestle libvu-meters-corvel libvu-meters-kestle \
		libvu-meters-feed vu-meter-process >/dev/null
	VUMETERS_BENCH_ON_DISPLAY=1 exec bash tests/support/run-under-xvfb.sh bash "$0" "$seconds" "$rounds" "$preset"
fi

plugins=$(PKG_CONFIG_PATH=/usr/lib/qmmp/pkgconfig pkg-config --variable=libdir qmmp-1)/plugins
work=$(mktemp -d)
bus_pid=""
trap '[ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null; rm -rf "$work"' EXIT
sox -n -r 44100 -c 2 -b 16 "$work/music.wav" synth "$seconds" pinknoise sine 110-880 tremolo 1.7 80

# A plug-in tree of Qmmp's own with this build's plug-ins beside its analyzer.
tree=$work/plugins
built=$root/build/$preset/lib/qmmp/plugins
mkdir -p "$tree/Visual" "$tree/Effect"
for folder in "$plugins"/*; do
	case $(basename "$folder") in
	Visual | Effect)
		# Qmmp's own, not the meters of an installed package.
		find "$folder" -mindepth 1 -maxdepth 1 ! -name 'libvu-meters-*' -exec ln -s {} "$tree/$(basename "$folder")/" \;
		;;
	*) ln -s "$folder" "$tree/" ;;
	esac
done
ln -s "$built"/Visual/libvu-meters-*.so "$tree/Visual/"
ln -s "$built"/Effect/libvu-meters-feed.so "$tree/Effect/"

{
	read -r bus
	read -r bus_pid
} < <(dbus-daemon --session --fork --print-address=1 --print-pid=1)
export DBUS_SESSION_BUS_ADDRESS=$bus

# One run: Qmmp with the visualisation plug-ins named enabled (see player-cost.sh).
run_player() {
	local name=$1
	shift
	local home=$work/home-$name enabled
	rm -rf "$home" "$work/$name.log"
	mkdir -p "$home/.qmmp" "$home/runtime"
	chmod 700 "$home/runtime"
	enabled=$(
		IFS=,
		echo "$*"
	)
	printf '[Output]\ncurrent_plugin=null\n[Visualization]\nenabled_plugins=%s\n' "$enabled" >"$home/.qmmp/qmmprc"
	local environment=(HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache"
		XDG_RUNTIME_DIR="$home/runtime" QMMP_PLUGINS="$tree" VUMETERS_SETTINGS_DIR="$home/vu"
		PULSE_SERVER=unix:/nonexistent)
	env "${environment[@]}" qmmp >/dev/null 2>"$work/$name.log" &
	local pid=$!
	until env "${environment[@]}" qmmp --no-start --status >/dev/null 2>&1; do sleep 0.5; done
	sleep 2
	[ $# -eq 0 ] || grep -q 'Visual: added visualization' "$work/$name.log" ||
		echo "qmmp-cost: no visualisation started in the $name run" >&2
	env "${environment[@]}" qmmp "$work/music.wav" >/dev/null 2>&1
	until env "${environment[@]}" qmmp --no-start --status 2>/dev/null | grep -q '^\[playing\]'; do sleep 0.05; done
	local start end
	start=$(ticks_now "$pid")
	until env "${environment[@]}" qmmp --no-start --status 2>/dev/null | grep -q '^\[stopped\]'; do sleep 0.2; done
	end=$(ticks_now "$pid")
	env "${environment[@]}" qmmp --no-start --quit >/dev/null 2>&1
	wait "$pid" || true
	shares_between "$start" "$end"
}

alternate_rounds analyzer 'blocks from Qmmp'
