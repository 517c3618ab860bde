#!/usr/bin/env bash
# Checks Debian packages as Debian and a user meet them:
#   check-package.sh DEB...
# lintian on each, pedantic: an error or a warning fails. Then the vu-meters
# package unpacked and checked as an installation (check-installed.sh), with
# this source tree out of reach.
set -euo pipefail
source=$(realpath "$(dirname "$0")/../..")
[ $# -gt 0 ] || { echo "usage: $0 DEB..." >&2; exit 2; }

for deb in "$@"; do
	# lintian says once that it runs as root, which a container's tests do.
	lintian --pedantic --fail-on error,warning "$deb" 2> >(grep -v 'running with root privileges' >&2) ||
		{ echo "check-package: lintian finds fault with $deb" >&2; exit 1; }
done

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
for deb in "$@"; do
	case $(basename "$deb") in
	vu-meters_*.deb)
		dpkg-deb -x "$deb" "$unpacked"
		bash "$(dirname "$0")/check-installed.sh" "$unpacked/usr" --forbid "$source" --hide "$source"
		;;
	esac
done
