#!/usr/bin/env bash
# Builds the Debian packages into build/package/: vu-meters_<version>_<arch>.deb,
# vu-meters-audacious_<version>_<arch>.deb and vu-meters-qmmp_<version>_<arch>.deb,
# the Audacious and Qmmp plug-ins.
# Installs only what building needs (scripts/deps.sh build); the test command
# checks the packages (tests/install/check-package.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh build

# The programs, the kit and the add-ons for /usr (the package preset, without
# the tests), with the flags Debian builds its packages with: fortified
# functions, stack protector, read-only relocations bound at start-up. CMake
# has no place for CPPFLAGS, so they go with the compiler's flags, as Debian's
# own CMake builds do.
build_release() {
	export DEB_BUILD_MAINT_OPTIONS=hardening=+all
	local cppflags ldflags
	cppflags=$(dpkg-buildflags --get CPPFLAGS)
	ldflags=$(dpkg-buildflags --get LDFLAGS)
	cmake --preset package \
		-DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $cppflags" \
		-DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $cppflags" \
		-DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" \
		-DCMAKE_MODULE_LINKER_FLAGS="$ldflags" >/dev/null
	cmake --build --preset package -j2
}

# vu-meters: the programs, the kit, the add-ons, their manual pages, the
# desktop entries and the examples; vu-meters-audacious and vu-meters-qmmp:
# each player's plug-ins and the library that runs the meters in it. One
# package for each install component.
package_all() {
	rm -f build/package/vu-meters*.deb
	(cd build/package && cpack -G DEB >/dev/null)
	local name deb
	for name in vu-meters vu-meters-audacious vu-meters-qmmp; do
		deb=$(echo build/package/"$name"_*.deb)
		[ -f "$deb" ] || { echo "package.sh: cpack made no $name package" >&2; return 1; }
		echo "$deb: $(stat -c %s "$deb") bytes; Depends: $(dpkg-deb -f "$deb" Depends)"
	done
}

build_release
package_all
