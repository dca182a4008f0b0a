#!/usr/bin/env bash
# Installs what is needed (Debian 12), builds everything into build-test/ and
# runs the whole test suite: the offscreen widget tests, the engine and fault
# tests, the tests that start the program on their own Xvfb server and the
# package check; then the same suite under AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/), the window's tests under
# ThreadSanitizer (build-tsan/: the rewrite runs on a worker thread there),
# a bounded fuzzing run (build-fuzz/), the Windows build's tests under
# Wine (build-windows/) and kryvet.exe's window under Wine on Xvfb. Each stage's output goes to a log in its build
# folder; the end is a summary. Extra arguments go to the first ctest run.
#   KRYVET_SKIP_SANITIZERS=1  KRYVET_SKIP_TSAN=1  KRYVET_SKIP_FUZZ=1
#   KRYVET_SKIP_WINDOWS=1  KRYVET_SKIP_WINDOWS_WINDOW=1  for a quicker local run
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-test"
started=$SECONDS

"$root/scripts/install-deps.sh"
# Qt's programs want a runtime folder and say so on every start without one.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR=$(mktemp -d)
  export XDG_RUNTIME_DIR
  trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
fi
echo "== formatting"
# A file clang-format would change fails the run, as a warning does below.
(cd "$root" && git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror)
echo "== building in build-test/"
# Every build here compiles its targets in batches (unity builds): it halves
# the compile time. The fuzzing build, and any build made without this
# script, still compiles each file on its own.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKRYVET_WERROR=ON \
  -DCMAKE_UNITY_BUILD=ON >/dev/null
cmake --build "$build" -- --quiet

summary=()
failed=0
minutes() { printf '%d min %02d s' $(($1 / 60)) $(($1 % 60)); }

# Runs one stage with its output in `log`; adds its line to the summary.
#   stage <name> <log> <how to read the result from the log and the status> <command...>
stage() {
  local name=$1 log=$2 result=$3
  shift 3
  local start=$SECONDS status=0
  echo "== $name (log: ${log#"$root/"})"
  "$@" >"$log" 2>&1 || status=$?
  local said
  said=$("$result" "$log" "$status")
  summary+=("$(printf '%-14s %s, %s' "$name:" "$said" "$(minutes $((SECONDS - start)))")")
  if [ "$status" -ne 0 ]; then
    failed=1
    # What failed; the log holds the output of each failed test.
    grep -A 40 -E "^The following tests FAILED|^(FAIL|ERROR): test_|^fuzz_.*: findings|^== fuzz_|^\[  FAILED  \]|did not finish \(status" "$log" | head -n 40 >&2 || true
  fi
}

ctest_result() {
  sed -n 's/^[0-9]*% tests passed, \([0-9]*\) tests\{0,1\} failed out of \([0-9]*\)$/\2 tests, \1 failed/p' "$1" |
    tail -n 1 | grep . || echo "did not finish"
}
wine_result() {
  sed -n 's/^wine: //p' "$1" | tail -n 1 | grep . || echo "did not finish"
}
wine_window_result() {
  sed -n 's/^wine window: //p' "$1" | tail -n 1 | grep . || echo "did not finish"
}
build_result() {
  [ "$2" -eq 0 ] && echo "built" || echo "did not build"
}
fuzz_result() {
  grep -qx "fuzzing found nothing" "$1" && echo "3 targets, nothing found" || echo "FOUND A FAULT"
}

# The Windows stages wait on Wine and its windows more than they compute,
# and the suite below waits on its windows too: the Windows build and its
# tests run beside the suite and the sanitizer stages, in the background,
# niced, and report at the end in this order.
windows_summary=$(mktemp)
(
  summary=()
  windows=$([ "${KRYVET_SKIP_WINDOWS:-0}" != 1 ] && echo 1 || echo 0)
  window=$([ "${KRYVET_SKIP_WINDOWS_WINDOW:-0}" != 1 ] && echo 1 || echo 0)
  if [ "$windows$window" != 00 ]; then
    mkdir -p "$root/build-windows"
    stage "windows build" "$root/build-windows/build.log" build_result \
      "$root/scripts/build-windows.sh" kryvet-cli kryvet kryvet_cli_helper engine_tests \
      fault_matrix_tests platform_windows_tests kryvet_window_probe
  fi
  if [ "$failed" -eq 0 ] && [ "$windows" = 1 ]; then
    stage "windows" "$root/build-windows/test.log" wine_result \
      env KRYVET_LINUX_BUILD="$build" "$root/scripts/test-windows.sh"
  fi
  if [ "$failed" -eq 0 ] && [ "$window" = 1 ]; then
    stage "wine window" "$root/build-windows/window.log" wine_window_result \
      env KRYVET_LINUX_BUILD="$build" "$root/scripts/test-windows-window.sh"
  fi
  [ ${#summary[@]} -eq 0 ] || printf '%s\n' "${summary[@]}" >"$windows_summary"
  exit "$failed"
) &
windows_stages=$!
# The test that a window test starts again in a child process of its own
# (label child) is left out: ctest would list it as not run.
stage "suite" "$build/test.log" ctest_result \
  ctest --test-dir "$build" --output-on-failure -j "$(nproc)" -LE '^child$' "$@"
if [ "${KRYVET_SKIP_SANITIZERS:-0}" != 1 ]; then
  mkdir -p "$root/build-asan"
  stage "sanitizers" "$root/build-asan/test.log" ctest_result "$root/scripts/sanitize.sh"
fi
if [ "${KRYVET_SKIP_TSAN:-0}" != 1 ]; then
  mkdir -p "$root/build-tsan"
  stage "threads" "$root/build-tsan/test.log" ctest_result "$root/scripts/tsan.sh"
fi
if [ "${KRYVET_SKIP_FUZZ:-0}" != 1 ]; then
  mkdir -p "$root/build-fuzz"
  stage "fuzzing" "$root/build-fuzz/fuzz.log" fuzz_result \
    env FUZZ_SECONDS="${FUZZ_SECONDS:-30}" "$root/scripts/fuzz.sh"
fi

wait "$windows_stages" || failed=1
mapfile -t -O "${#summary[@]}" summary <"$windows_summary"
rm -f "$windows_summary"

echo "== summary"
printf '%s\n' "${summary[@]}"
echo "time:          $(minutes $((SECONDS - started)))"
sizes=$(cd "$root" && du -sh build-test build-windows build-asan build-tsan build-fuzz 2>/dev/null | awk '{printf "%s%s/ %s", sep, $2, $1; sep = ", "}')
echo "build folders: $sizes (in $root)"
[ "$failed" -eq 0 ] || { echo "FAILED" >&2; exit 1; }
echo "all passed"
