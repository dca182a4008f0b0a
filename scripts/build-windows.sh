#!/usr/bin/env bash
# Installs what is needed (Debian 12) and cross-builds Kryvet for 64-bit
# Windows with mingw-w64 into build-windows/: cli/kryvet-cli.exe, app/kryvet.exe, the tests
# that scripts/test-windows.sh runs under Wine, the ZIP and the installer.
# Arguments name targets to build instead of all (the packages then only
# with --package).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-windows"

package=
targets=()
for argument in "$@"; do
  case "$argument" in
    --package) package=1 ;;
    *) targets+=("$argument") ;;
  esac
done

if [ -z "$package" ]; then
  package=$([ ${#targets[@]} -eq 0 ] && echo 1 || echo 0)
fi
packages=(cmake ninja-build g++-mingw-w64-x86-64-posix googletest gettext python3)
[ "$package" -eq 0 ] || packages+=(nsis zip)
"$root/scripts/install-deps.sh" "${packages[@]}"

# Compiled in batches (a unity build): half the compile time.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKRYVET_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DKRYVET_BUILD_GUI=OFF -DCMAKE_UNITY_BUILD=ON >/dev/null
if [ ${#targets[@]} -eq 0 ]; then
  targets=(kryvet-cli kryvet kryvet_cli_helper engine_tests fault_matrix_tests platform_windows_tests)
fi
nice -n 10 cmake --build "$build" --target "${targets[@]}" -- --quiet
if [ "$package" -eq 1 ]; then
  # The ZIP and the installer hold the program, the README and the licence.
  (cd "$build" && cpack -G ZIP >/dev/null && cpack -G NSIS >/dev/null)
  ls "$build"/kryvet-*-windows-amd64.{zip,exe}
fi
