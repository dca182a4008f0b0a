#!/usr/bin/env bash
# A termination request ends the program in an orderly way: the event loop
# quits and the process exits with status 0, also while a dialog is open.
set -u
program=$1
export QT_QPA_PLATFORM=offscreen

"$program" 2>/dev/null &
pid=$!
sleep 1.5
kill -TERM "$pid"
for _ in $(seq 50); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "FAIL: still running 5 s after SIGTERM"
  kill -KILL "$pid"
  exit 1
fi
wait "$pid"
status=$?
if [ "$status" -ne 0 ]; then
  echo "FAIL: exit status $status after SIGTERM, expected an orderly exit (0)"
  exit 1
fi
echo "PASS: SIGTERM quits with status 0"
