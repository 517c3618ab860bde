#!/usr/bin/env bash
# Runs a private sound server for a test, as a desktop session would have one,
# until it is stopped:
#   sound-server.sh pulseaudio|pipewire DIR
# DIR (mode 700) is the server's runtime folder and home; clients reach it with
# PULSE_SERVER=unix:DIR/pulse/native. It offers two null outputs, 'one' (the
# default) and 'two', whose monitors carry what is played to them. Prints
# "ready" once both are there. SIGTERM, SIGINT or SIGHUP stop every process
# it started; the status is then 143 (or 130, 129). Status 2 when the server
# did not start, its log on standard error.
set -u

if [ $# -ne 2 ] || [ ! -d "$2" ]; then
	echo "usage: $0 pulseaudio|pipewire DIR" >&2
	exit 2
fi
kind=$1 dir=$2
export XDG_RUNTIME_DIR=$dir HOME=$dir PULSE_SERVER=unix:$dir/pulse/native
# Nothing of the user's session: no display to start a bus on, no bus of theirs.
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
printf 'autospawn = no\n' >"$dir/client.conf"
export PULSE_CLIENTCONFIG=$dir/client.conf

pids=()
stop() {
	[ ${#pids[@]} -gt 0 ] && kill "${pids[@]}" 2>/dev/null
	wait
}
trap stop EXIT
trap 'exit 143' TERM
trap 'exit 130' INT
trap 'exit 129' HUP

# Waits up to 10 s for COMMAND to succeed.
await() {
	for _ in $(seq 200); do
		"$@" >/dev/null 2>&1 && return 0
		sleep 0.05
	done
	return 1
}
fail() {
	echo "sound-server: $1 did not start:" >&2
	cat "$dir"/*.log >&2 2>/dev/null
	exit 2
}

case $kind in
pulseaudio)
	cat >"$dir/server.pa" <<EOF
load-module module-native-protocol-unix auth-anonymous=1
load-module module-null-sink sink_name=one sink_properties=device.description=One
load-module module-null-sink sink_name=two sink_properties=device.description=Two
set-default-sink one
EOF
	pulseaudio -n -F "$dir/server.pa" --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
		>"$dir/pulseaudio.log" 2>&1 &
	pids+=($!)
	await pactl info || fail pulseaudio
	;;
pipewire)
	# WirePlumber, which links streams to outputs, needs a session bus.
	dbus-daemon --session --nofork --nopidfile --address="unix:path=$dir/bus" >"$dir/dbus.log" 2>&1 &
	pids+=($!)
	export DBUS_SESSION_BUS_ADDRESS=unix:path=$dir/bus
	await test -S "$dir/bus" || fail dbus-daemon
	pipewire >"$dir/pipewire.log" 2>&1 &
	pids+=($!)
	await test -S "$dir/pipewire-0" || fail pipewire
	wireplumber >"$dir/wireplumber.log" 2>&1 &
	pids+=($!)
	pipewire-pulse >"$dir/pipewire-pulse.log" 2>&1 &
	pids+=($!)
	await pactl info || fail pipewire-pulse
	for name in one two; do
		description=${name^}
		pactl load-module module-null-sink sink_name=$name "sink_properties=device.description=$description" \
			>/dev/null || fail "the null output $name"
	done
	await pactl set-default-sink one || fail "the default output"
	;;
*)
	echo "sound-server: no such server: $kind" >&2
	exit 2
	;;
esac

await bash -c "pactl list short sources | grep -q '^[0-9]*[[:space:]]two.monitor[[:space:]]'" || fail "$kind's outputs"
echo ready
wait
