#!/usr/bin/env bash
# Builds and runs every test under the debug, asan and tsan presets in turn,
# then builds the Debian package (scripts/package.sh) and checks it with
# lintian and as an installation (tests/install/check-package.sh); or runs
# the one preset named, "package" included: bash scripts/test.sh [PRESET]
# Each step's wall time is printed; a failing step does not stop the
# others, and the exit status is 1 if any failed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

if [ $# -gt 0 ]; then presets=("$1"); else presets=(debug asan tsan package); fi

# The thread sanitizer needs a memory layout that full address randomisation
# breaks on some kernels ("unexpected memory mapping"); setarch -R turns it off
# for the run, where the container allows it.
tsan_prefix=()
if setarch "$(uname -m)" -R true 2>/dev/null; then tsan_prefix=(setarch "$(uname -m)" -R); fi

# Runs the whole suite of one preset, then the add-on validator if it is built,
# whatever the suite's outcome.
# Each step checks its own status: errexit does not apply inside a || list.
run_preset() {
	local preset="$1" prefix=()
	if [ "$preset" = package ]; then
		bash scripts/package.sh || return 1
		bash tests/install/check-package.sh build/package/*.deb
		return
	fi
	[ "$preset" = tsan ] && prefix=("${tsan_prefix[@]}")
	cmake --preset "$preset" >/dev/null || return 1
	cmake --build --preset "$preset" -j2 || return 1
	local status=0
	"${prefix[@]}" ctest --preset "$preset" -j2 || status=1
	local vucheck="build/$preset/bin/vucheck"
	if [ -x "$vucheck" ]; then
		"${prefix[@]}" "$vucheck" corvel kestle || status=1
	else
		echo "vucheck is not built in $preset; skipped"
	fi
	return "$status"
}

failed=()
summary=()
for preset in "${presets[@]}"; do
	start=$(date +%s)
	status=0
	run_preset "$preset" || status=$?
	seconds=$(($(date +%s) - start))
	line="$preset: wall time $((seconds / 60)) min $((seconds % 60)) s"
	[ "$status" -eq 0 ] || { line="$line, FAILED"; failed+=("$preset"); }
	echo "$line"
	summary+=("$line")
done

[ ${#presets[@]} -eq 1 ] || printf '%s\n' "${summary[@]}"
[ ${#failed[@]} -eq 0 ] || { echo "failed presets: ${failed[*]}" >&2; exit 1; }
