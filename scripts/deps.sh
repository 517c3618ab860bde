#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Idempotent: asks apt only for what is missing. Run as root (or with sudo).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang
  libsdl2-dev libx11-dev libxcb1-dev libsndfile1-dev libfreetype-dev libfontconfig-dev fonts-dejavu-core libpng-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  xvfb openbox wmctrl xdotool imagemagick x11-utils
  espeak-ng sox ffmpeg time pv
  libpulse-dev pulseaudio pulseaudio-utils pipewire pipewire-pulse wireplumber dbus-daemon
  dpkg-dev desktop-file-utils groff-base man-db bash-completion
)

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
