#!/usr/bin/env bash
# Installs the Debian packages that building and testing need:
#   deps.sh [build|test]...   (no argument: both)
# build: what building the programs and the Debian packages takes
#   (scripts/package.sh; Qmmp's headers come with the player itself);
# test: the rest of what the tests, the benchmarks and a development build
#   take (scripts/test.sh, scripts/run.sh): the test libraries, a second
#   compiler, the tools the tests drive (a virtual display, sound servers,
#   encoders) and the package checkers.
# Idempotent: asks apt only for what is missing. Run as root (or with sudo).
set -euo pipefail

build=(
  build-essential cmake ninja-build pkg-config dpkg-dev file
  libsdl2-dev libx11-dev libxcb1-dev libsndfile1-dev libfreetype-dev libfontconfig-dev libpng-dev
  libpulse-dev libcli11-dev audacious-dev qmmp qtbase5-dev
)
test=(
  clang libgtest-dev libgmock-dev libbenchmark-dev fonts-dejavu-core
  xvfb openbox wmctrl xdotool imagemagick x11-utils
  espeak-ng sox ffmpeg time pv
  pulseaudio pulseaudio-utils pipewire pipewire-pulse wireplumber dbus-daemon
  desktop-file-utils groff-base man-db bash-completion lintian audacious
)

[ $# -gt 0 ] || set -- build test
packages=()
for group in "$@"; do
  case $group in
  build) packages+=("${build[@]}") ;;
  test) packages+=("${test[@]}") ;;
  *)
    echo "deps.sh: no such group: $group (build or test)" >&2
    exit 2
    ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}" >&2
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
