#!/usr/bin/env bash
# Runs the test suite the way a busy machine runs it, where a test that
# checks a window, the focus or a timer once instead of waiting for it fails:
# the whole suite twice with four jobs while two busy loops keep both cores
# loaded, then the window tests four times with sixteen jobs. Builds first.
#   KRYVET_BUILD_DIR  the build folder (default build-test/, the one of test.sh)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${KRYVET_BUILD_DIR:-$root/build-test}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build"

loops=()
stop_loops() {
  for pid in "${loops[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  loops=()
}
trap stop_loops EXIT
trap 'exit 130' INT TERM

failed=()
run() {
  local what=$1
  shift
  echo "== $what"
  if ! ctest --test-dir "$build" --output-on-failure "$@"; then
    failed+=("$what")
  fi
}

for _ in 1 2; do
  (while :; do :; done) &
  loops+=($!)
done
for round in 1 2; do
  run "whole suite, round $round of 2, -j4, both cores busy" -j4
done
stop_loops

for round in 1 2 3 4; do
  run "window tests, round $round of 4, -j16" -j16 -R "MainWindowTest|Operations|Drop|Forms"
done

if [ ${#failed[@]} -ne 0 ]; then
  printf 'FAILED: %s\n' "${failed[@]}" >&2
  exit 1
fi
echo "all rounds passed"
