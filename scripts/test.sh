#!/usr/bin/env bash
# Installs what is needed (Debian 12), builds everything into build/ and runs
# the whole test suite: offscreen widget tests and the tests that start the
# program on their own Xvfb server.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build"
ctest --test-dir "$root/build" --output-on-failure -j "$(nproc)" "$@"
