#!/usr/bin/env bash
# Builds the release programs for /usr (the package preset, without the tests)
# and packs them into a Debian package, build/package/vu-meters_<version>_<arch>.deb;
# then unpacks the package and checks the tree as an installation, with this
# source tree out of reach (tests/install/check-installed.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset package >/dev/null
cmake --build --preset package -j2
rm -f build/package/vu-meters_*.deb
(cd build/package && cpack -G DEB >/dev/null)
deb=$(echo build/package/vu-meters_*.deb)
[ -f "$deb" ] || { echo "package.sh: cpack made no package" >&2; exit 1; }

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
bash tests/install/check-installed.sh "$unpacked/usr" --forbid "$PWD" --hide "$PWD"
echo "$deb: $(stat -c %s "$deb") bytes; Depends: $(dpkg-deb -f "$deb" Depends)"
