# What the cost benchmarks of the meters inside a player share; sourced by
# audacious-cost.sh and qmmp-cost.sh, which define run_player.
#
# run_player NAME PLUGIN... plays the music once in the player with those
# visualisation plug-ins enabled and prints the player's CPU ticks, its
# meter processes included, and those of the meter processes alone, while it
# played.

# CPU ticks (user + system, all threads) of process $1.
ticks_of() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# CPU ticks of the meter processes that process $1 started.
meter_ticks_of() {
	local pid total=0
	for pid in $(pgrep -P "$1" -f vu-meter-process || true); do
		total=$((total + $(ticks_of "$pid")))
	done
	echo "$total"
}

# Ticks of process $1 and its meter processes now: "ALL METERS".
ticks_now() {
	local meters
	meters=$(meter_ticks_of "$1")
	echo "$(($(ticks_of "$1") + meters)) $meters"
}

# The share of one core between two ticks_now readings over $seconds.
shares_between() {
	local start=($1) end=($2)
	awk -v t=$((end[0] - start[0])) -v m=$((end[1] - start[1])) -v hz="$(getconf CLK_TCK)" -v s="$seconds" \
		'BEGIN { printf "%.2f %.2f\n", 100 * t / hz / s, 100 * m / hz / s }'
}

median() { tr ' ' '\n' | grep . | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# $rounds rounds of the three set-ups, one after the other: ours (both
# meters), own (the player's visualiser $1), none; after each round our
# meters' log lines that match $2; then each set-up's median.
alternate_rounds() {
	local own_plugin=$1 log_pattern=$2 round setup share meters
	declare -A cost
	for round in $(seq "$rounds"); do
		for setup in ours own none; do
			case $setup in
			ours) read -r share meters < <(run_player ours vu-meters-corvel vu-meters-kestle) ;;
			own) read -r share meters < <(run_player own "$own_plugin") ;;
			none) read -r share meters < <(run_player none) ;;
			esac
			cost[$setup]="${cost[$setup]:-} $share"
			if [ "$setup" = ours ]; then
				echo "round $round, $setup: $share % of one core, of which the meter processes $meters %"
			else
				echo "round $round, $setup: $share % of one core"
			fi
		done
		grep -h "$log_pattern" "$work/ours.log" | sed 's/^.*\]: //; s/^/  /'
	done
	for setup in ours own none; do
		echo "$setup: median $(echo "${cost[$setup]}" | median) % of one core (runs:${cost[$setup]})"
	done
}
