#!/usr/bin/env bash
# Runs the Windows test programs in <folder> under Wine, and the command
# line's tests against the Linux build in <folder>/linux, as the user it is
# started as, with one persistent wineserver; prints each program's tally
# and, last, "wine: N tests, M failed".
set -uo pipefail
folder=$1
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
cd "$folder"

# The first start makes the prefix (a few seconds); later ones take a
# tenth of a second while the server stays. A new prefix goes on being set
# up after that first run has ended, and a server asked to stay meanwhile
# went away with the set-up: every later run started Wine afresh (the
# command line's tests took 98 s instead of 10). So the set-up is waited
# out, and the server that stays is started by a run of its own.
trap 'wineserver -k 2>/dev/null' EXIT
"$wine" cmd /c exit >/dev/null 2>&1
wineserver -w
wineserver -p
"$wine" cmd /c exit >/dev/null 2>&1

passed=0
failed=0
for program in engine_tests fault_matrix_tests platform_windows_tests; do
  echo "== $program"
  log="$folder/$program.log"
  "$wine" "$program.exe" --gtest_brief=1 >"$log" 2>&1
  status=$?
  cat "$log"
  ran=$(sed -n 's/^\[==========\] \([0-9]*\) tests\{0,1\} from .* ran\..*/\1/p' "$log")
  bad=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\{0,1\}, listed below:/\1/p' "$log")
  if [ -z "$ran" ]; then
    echo "$program did not finish (status $status)"
    failed=$((failed + 1))
    continue
  fi
  passed=$((passed + ran - ${bad:-0}))
  failed=$((failed + ${bad:-0}))
done
# The command line's tests, against the Linux build.
echo "== cli_windows_test.py"
python3 "$folder/cli_windows_test.py" >"$folder/cli.log" 2>&1
cat "$folder/cli.log"
ran=$(sed -n 's/^Ran \([0-9]*\) tests\{0,1\} in .*/\1/p' "$folder/cli.log")
bad=$(sed -n 's/^FAILED (\(failures\|errors\)=\([0-9]*\)\(, \(failures\|errors\)=\([0-9]*\)\)\{0,1\})$/\2 \5/p' "$folder/cli.log")
bad=$(( $(echo "${bad:-0}" | tr ' ' '+' | sed 's/+$//') ))
if [ -z "$ran" ]; then
  echo "cli_windows_test.py did not finish"
  failed=$((failed + 1))
else
  passed=$((passed + ran - bad))
  failed=$((failed + bad))
fi
echo "wine: $((passed + failed)) tests, $failed failed"
[ "$failed" -eq 0 ]
