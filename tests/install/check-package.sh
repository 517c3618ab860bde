#!/usr/bin/env bash
# Checks the vu-meters Debian package as Debian and a user meet it:
#   check-package.sh DEB
# lintian, pedantic: an error or a warning fails. Then the package unpacked
# and checked as an installation (check-installed.sh), with this source tree
# out of reach.
set -euo pipefail
deb=$1
source=$(realpath "$(dirname "$0")/../..")

# lintian says once that it runs as root, which a container's tests do.
lintian --pedantic --fail-on error,warning "$deb" 2> >(grep -v 'running with root privileges' >&2) ||
	{ echo "check-package: lintian finds fault with $deb" >&2; exit 1; }

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
bash "$(dirname "$0")/check-installed.sh" "$unpacked/usr" --forbid "$source" --hide "$source"
