#!/usr/bin/env bash
# Installs everything the build, the program and the tests need on Debian 12;
# given package names, only those (the Windows scripts name theirs). Only
# what is missing is installed.
set -euo pipefail

packages=("$@")
[ $# -gt 0 ] || packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool imagemagick x11-utils desktop-file-utils acl libx11-dev
  fonts-ipafont-gothic fonts-ipafont-mincho
  qt6-translations-l10n
  openbox appstream
  weston qt6-wayland dbus-daemon at-spi2-core python3-pyatspi
  clang-format
  clang lld libclang-rt-14-dev
  gettext man-db
  locales xfsprogs btrfs-progs
  lintian dpkg-dev libglib2.0-bin shared-mime-info librsvg2-bin
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
