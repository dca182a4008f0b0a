#!/usr/bin/env bash
# Installs what is needed (Debian 12), builds everything into build/ and runs
# the whole test suite: the offscreen widget tests, the engine and fault
# tests, the tests that start the program on their own Xvfb server; then the
# same suite under AddressSanitizer and UndefinedBehaviorSanitizer, and a
# bounded fuzzing run. Extra arguments go to the first ctest run.
#   KRYVET_SKIP_SANITIZERS=1  KRYVET_SKIP_FUZZ=1  for a quicker local run
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build"
ctest --test-dir "$root/build" --output-on-failure -j "$(nproc)" "$@"

if [ "${KRYVET_SKIP_SANITIZERS:-0}" != 1 ]; then
  echo "== the suite under AddressSanitizer and UndefinedBehaviorSanitizer"
  "$root/scripts/sanitize.sh"
fi
if [ "${KRYVET_SKIP_FUZZ:-0}" != 1 ]; then
  echo "== fuzzing"
  FUZZ_SECONDS="${FUZZ_SECONDS:-30}" "$root/scripts/fuzz.sh"
fi
