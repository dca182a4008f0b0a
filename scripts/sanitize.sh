#!/usr/bin/env bash
# Builds the test suite with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan and runs it under ctest; any report fails the run. The Xvfb
# sessions, the package check and the loop-mounted file systems are left to
# the ordinary build.
#   SANITIZE_GUI=0   engine and fault tests only (no Qt build)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-asan"
gui="${SANITIZE_GUI:-1}"
if [ "$gui" = 1 ] && ! pkg-config --exists Qt6Widgets 2>/dev/null; then
  gui=0
fi
gui_flag=OFF
[ "$gui" = 1 ] && gui_flag=ON

# -O1 runs the suite in a fraction of the unoptimised time and still
# reports every use it sees; the frame pointers keep the stacks readable,
# and line tables (-g1) are all a report needs, at much less compile time.
# Compiled in batches (a unity build), as scripts/test.sh builds: half the
# compile time.
flags="-O1 -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKRYVET_WERROR=ON \
  -DKRYVET_BUILD_GUI="$gui_flag" -DCMAKE_UNITY_BUILD=ON \
  -DCMAKE_CXX_FLAGS_DEBUG="-g1" \
  -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
ninja -C "$build"

# Leaks inside the uninstrumented system libraries (fontconfig, Qt's platform
# plugin) are theirs, not ours.
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS="abort_on_error=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# The slow real-disk tests run smaller here: the sanitizers cost several times.
export KRYVET_TERM_TEST_MIB="${KRYVET_TERM_TEST_MIB:-64}"
export KRYVET_PROPERTY_CASES="${KRYVET_PROPERTY_CASES:-800}"
# The code that the Xvfb sessions drive is what the widget, dialog and window
# tests run here; under the sanitizers the sessions would double this run.
ctest --test-dir "$build" --output-on-failure -j 2 -LE '^(xvfb|wayland|package|child|loopfs)$'
