#!/usr/bin/env bash
# Builds kryvet.exe and the probe that reads its windows
# (scripts/build-windows.sh), and runs the window's tests under Wine on an
# Xvfb server of their own, driven by xdotool, as an ordinary user (root
# hides read-only refusals): kryvet-wine, made if missing, when run as root.
# Its prefix, ~/.wine-kryvet-window, is kept between runs. The last line is
# the tally. Arguments name the tests to run (e.g. Operations.test_each_notice).
#   KRYVET_LINUX_BUILD=<folder>  the Linux build whose kryvet-cli and gauge
#                                the window is compared with (default:
#                                build-test, as scripts/test.sh leaves it)
#   KRYVET_SCREENSHOTS=1         also writes docs/windows/*.png
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-windows"
# shellcheck source=wine-user.sh
. "$root/scripts/wine-user.sh"
require_linux_build cli/kryvet-cli tests/widgets/gauge_face_dump

"$root/scripts/build-windows.sh" kryvet kryvet_window_probe
"$root/scripts/install-deps.sh" wine wine64 xvfb xdotool x11-utils imagemagick \
  fonts-ipafont-gothic fonts-ipafont-mincho fonts-wine python3

# What runs is copied to a folder the user can reach: a checkout under
# /root is closed to others.
stage=$(mktemp -d /tmp/kryvet-window.XXXXXX)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/linux" "$stage/pictures"
cp "$build"/app/kryvet.exe "$build"/tests/win32/kryvet_window_probe.exe \
  "$root"/tests/win32/run_window_tests.sh "$root"/tests/win32/window_test.py "$stage"/
cp "$linux_build"/cli/kryvet-cli "$linux_build"/tests/widgets/gauge_face_dump "$stage/linux/"
cp "$root"/dialogs/pictures/*.xpm "$stage/pictures/"
cc -shared -fPIC -O2 -o "$stage/slow_write.so" "$root/tests/win32/slow_write.c" -ldl
wine_user "$stage"
full_drive=
if [ -n "$user" ]; then
  # A drive too small to take the header: the free-space notice.
  mkdir "$stage/full"
  if mount -t tmpfs -o size=64k,mode=0700,uid="$(id -u "$user")" tmpfs "$stage/full"; then
    trap 'umount "$stage/full"; rm -rf "$stage"' EXIT
    full_drive=$stage/full
  fi
fi
status=0
"${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 \
  KRYVET_SCREENSHOTS="${KRYVET_SCREENSHOTS:-}" KRYVET_FULL_DRIVE="${full_drive:-}" \
  WINEPREFIX="$home/.wine-kryvet-window" "$stage/run_window_tests.sh" "$stage" "$@" || status=$?
if [ -n "${KRYVET_SCREENSHOTS:-}" ] && [ -d "$stage/shots" ]; then
  mkdir -p "$root/docs/windows"
  cp "$stage"/shots/*.png "$root/docs/windows/"
fi
exit "$status"
