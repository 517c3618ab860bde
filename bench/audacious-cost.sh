#!/usr/bin/env bash
# What the meters cost with Audacious: plays a 60-second music-like file in
# Audacious's Qt interface on a virtual X display, through its SDL output and
# SDL's dummy audio driver (the real rate, into nothing), and measures the CPU
# time (user + system, all threads) of the Audacious process and of the meter
# processes it started while it plays, in three set-ups, one after the other
# in each round: our Corvel and Kestle meters together, Audacious's own VU
# meter (vumeter-qt), and no visualiser. For our meters it also prints their
# log: the blocks Audacious played, those that reached each add-on's Render,
# and how long after each block was heard its Render started.
#
#   bash bench/audacious-cost.sh [SECONDS] [ROUNDS]   (default 60 and 3)
set -euo pipefail

seconds=${1:-60}
rounds=${2:-3}
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/player-cost.sh"

if [ -z "${VUMETERS_BENCH_ON_DISPLAY:-}" ]; then
	cd "$root"
	bash scripts/deps.sh
	cmake --preset release >/dev/null
	cmake --build --preset release -j2 --target vis_corvel vis_kestle vu-meters-corvel vu-meters-kestle vu-meters-feed \
		vu-meter-process >/dev/null
	VUMETERS_BENCH_ON_DISPLAY=1 exec bash tests/support/run-under-xvfb.sh bash "$0" "$seconds" "$rounds"
fi

plugins=$(pkg-config --variable=plugin_dir audacious)
program=$(command -v audacious)
work=$(mktemp -d)
bus_pid=""
trap '[ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null; rm -rf "$work"' EXIT
sox -n -r 44100 -c 2 -b 16 "$work/music.wav" synth "$seconds" pinknoise sine 110-880 tremolo 1.7 80

# A tree of Audacious's own with this build's plug-ins beside its own VU meter:
# Audacious looks for plug-ins relative to its program file.
tree=$work/tree
data=$(pkg-config --variable=data_dir audacious)
relative=$(realpath --relative-to="$(dirname "$program")" "$plugins")
relative_data=$(realpath --relative-to="$(dirname "$program")" "$data")
built=$root/build/release/$(realpath --relative-to="$(pkg-config --variable=prefix audacious)" "$plugins")
mkdir -p "$tree/bin" "$tree/bin/$relative/Visualization" "$tree/bin/$relative/Effect" "$(dirname "$tree/bin/$relative_data")"
cp "$program" "$tree/bin/audacious"
ln -s "$data" "$tree/bin/$relative_data"
for folder in "$plugins"/*; do
	case $(basename "$folder") in
	Visualization) ;;
	Effect) ln -s "$folder"/* "$tree/bin/$relative/Effect/" ;;
	*) ln -s "$folder" "$tree/bin/$relative/" ;;
	esac
done
ln -s "$plugins/Visualization/vumeter-qt.so" "$tree/bin/$relative/Visualization/"
ln -s "$built"/Visualization/vu-meters-*.so "$tree/bin/$relative/Visualization/"
ln -s "$built"/Effect/vu-meters-feed.so "$tree/bin/$relative/Effect/"

{
	read -r bus
	read -r bus_pid
} < <(dbus-daemon --session --fork --print-address=1 --print-pid=1)
export DBUS_SESSION_BUS_ADDRESS=$bus

# One run: Audacious with the plug-ins named enabled (see player-cost.sh).
run_player() {
	local name=$1
	shift
	local home=$work/home-$name
	# The last round's log must not be read before this one's starts.
	rm -rf "$home" "$work/$name.log"
	mkdir -p "$home/runtime"
	chmod 700 "$home/runtime"
	HOME=$home XDG_CONFIG_HOME=$home/config XDG_CACHE_HOME=$home/cache XDG_RUNTIME_DIR=$home/runtime \
		VUMETERS_SETTINGS_DIR=$home/vu SDL_AUDIODRIVER=dummy PULSE_SERVER=unix:/nonexistent \
		"$tree/bin/audacious" --qt -V >/dev/null 2>"$work/$name.log" &
	local pid=$!
	# Audacious answers on D-Bus before it has read its plug-ins, and takes a
	# request too early for none.
	until grep -q 'to SDL Output\.' "$work/$name.log" 2>/dev/null; do
		audtool plugin-enable sdlout on
		sleep 0.5
	done
	for plugin in "$@"; do
		until audtool plugin-is-enabled "$plugin"; do
			audtool plugin-enable "$plugin" on
			sleep 0.5
		done
	done
	audtool playlist-addurl "$work/music.wav"
	sleep 2
	audtool playback-play
	until [ "$(audtool playback-status)" = playing ]; do sleep 0.05; done
	local start end
	start=$(ticks_now "$pid")
	until [ "$(audtool playback-status)" = stopped ]; do sleep 0.2; done
	end=$(ticks_now "$pid")
	audtool shutdown
	wait "$pid" || true
	shares_between "$start" "$end"
}

alternate_rounds vumeter-qt 'blocks from Audacious'
