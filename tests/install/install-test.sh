#!/usr/bin/env bash
# Installs a build into a scratch DESTDIR under a prefix of its own, then
# checks the installed tree with the source and build folders out of reach:
#   install-test.sh BUILD SOURCE [check-installed.sh options]...
set -euo pipefail
build=$1 source=$2
shift 2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR=$root cmake --install "$build" --prefix /opt/vu-meters >/dev/null
bash "$(dirname "$0")/check-installed.sh" "$root/opt/vu-meters" --forbid "$source" --forbid "$build" \
	--hide "$source" --hide "$build" "$@"
