#!/usr/bin/env bash
# Builds the window's tests with ThreadSanitizer in build-tsan and runs them:
# each press runs its rewrite on a worker thread while the window's event
# loop goes on. Any report fails the run. Qt is not instrumented; tsan.supp
# says what of it is left unjudged, and why.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-tsan"

# Compiled in batches (a unity build), as scripts/test.sh builds: half the
# compile time.
flags="-fsanitize=thread -fno-omit-frame-pointer"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKRYVET_WERROR=ON -DCMAKE_UNITY_BUILD=ON \
  -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" >/dev/null
# Only the window's programs: the engine and the command line run on one thread.
ninja -C "$build" app_tests app_operations_tests flow_tests tsan_canary

export TSAN_OPTIONS="suppressions=$root/scripts/tsan.supp:halt_on_error=1:second_deadlock_stack=1"
# The suppressions must leave our own races in sight: the canary has one,
# between the worker and the event loop's thread, and must be reported.
if "$build/tests/app/tsan_canary" >"$build/canary.log" 2>&1 ||
  ! grep -q "^SUMMARY: ThreadSanitizer: data race .*tsan_canary.cpp" "$build/canary.log"; then
  echo "the canary's race went unreported: the suppressions hide races of ours" >&2
  exit 1
fi
echo "the canary's race is reported, as it must be"
# The window's tests, and the steps of the flow around the rewrite.
ctest --test-dir "$build/tests/app" --output-on-failure -j 2 -LE '^child$'
