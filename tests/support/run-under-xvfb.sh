#!/usr/bin/env bash
# Runs a command on a fresh virtual X display with a window manager: starts
# Xvfb on a free display number (Xvfb picks it), then openbox, waits until
# both answer, runs the command with DISPLAY set, and always stops both.
# The exit status is the command's; 2 when the display could not be started.
set -u

if [ $# -eq 0 ]; then
	echo "usage: $0 command [arguments...]" >&2
	exit 2
fi

work=$(mktemp -d)
xvfb_pid=""
wm_pid=""
cleanup() {
	[ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null && wait "$wm_pid" 2>/dev/null
	[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
	rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Xvfb writes the display number to the descriptor once it accepts clients.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 300); do
	[ -s "$work/display" ] && break
	kill -0 "$xvfb_pid" 2>/dev/null || break
	sleep 0.1
done
if [ ! -s "$work/display" ]; then
	echo "run-under-xvfb: Xvfb did not start:" >&2
	cat "$work/xvfb.log" >&2
	exit 2
fi
export DISPLAY=":$(tr -d '[:space:]' <"$work/display")"
unset WAYLAND_DISPLAY VUMETERS_HEADLESS

# The window manager is up once it announces itself to EWMH clients. When
# two displays start at once, openbox now and then fails to open its newly
# started one and exits; it is started again then.
for _ in $(seq 5); do
	openbox >"$work/openbox.log" 2>&1 &
	wm_pid=$!
	for _ in $(seq 300); do
		wmctrl -m >/dev/null 2>&1 && break
		kill -0 "$wm_pid" 2>/dev/null || break
		sleep 0.1
	done
	wmctrl -m >/dev/null 2>&1 && break
	kill "$wm_pid" 2>/dev/null
	wait "$wm_pid" 2>/dev/null
	wm_pid=""
	sleep 0.2
done
if ! wmctrl -m >/dev/null 2>&1; then
	echo "run-under-xvfb: openbox did not start:" >&2
	cat "$work/openbox.log" >&2
	exit 2
fi

"$@"
