#!/usr/bin/env bash
# Builds the Windows programs (scripts/build-windows.sh) and runs their tests
# under Wine, as an ordinary user (as root Wine opens read-only files for
# writing, which hides refusals): the user kryvet-wine, made if missing,
# when run as root. One Wine prefix in that user's home, kept between runs,
# and one wineserver for the whole run. The last line is the tally.
#   KRYVET_LINUX_BUILD=<folder>  the Linux build whose kryvet-cli and test
#                                helper the files' exchange is tested with
#                                (default: build-test, as scripts/test.sh
#                                leaves it)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-windows"
# shellcheck source=wine-user.sh
. "$root/scripts/wine-user.sh"
require_linux_build cli/kryvet-cli tests/cli/cli_window_helper

"$root/scripts/build-windows.sh" kryvet-cli kryvet_cli_helper engine_tests fault_matrix_tests \
  platform_windows_tests

packages=(wine wine64 python3)
"$root/scripts/install-deps.sh" "${packages[@]}"

# What runs is copied to a folder the user can reach: a checkout under
# /root is closed to others.
stage=$(mktemp -d /tmp/kryvet-wine.XXXXXX)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/linux"
cp "$build"/tests/engine/engine_tests.exe "$build"/tests/engine/platform_windows_tests.exe \
  "$build"/tests/faults/fault_matrix_tests.exe "$build"/cli/kryvet-cli.exe \
  "$build"/tests/windows/kryvet_cli_helper.exe "$root"/tests/windows/run_under_wine.sh \
  "$root"/tests/windows/cli_windows_test.py "$stage"/
cp "$linux_build"/cli/kryvet-cli "$linux_build"/tests/cli/cli_window_helper "$stage/linux/"
wine_user "$stage"
"${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 \
  WINEPREFIX="$home/.wine-kryvet" "$stage/run_under_wine.sh" "$stage"
