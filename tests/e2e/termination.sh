#!/usr/bin/env bash
# A termination request ends the program in an orderly way: the event loop
# quits and the process exits with status 0, also while a dialog is open.
set -u
program=$1
export QT_QPA_PLATFORM=offscreen

# Generous limits: a busy machine may take seconds to start the program.
patience=30

"$program" 2>/dev/null &
pid=$!
# The request is sent once the program catches it (its handler is in place),
# not after a fixed pause that a slow start could outlast.
catches_sigterm() {
  local caught
  caught=$(sed -n 's/^SigCgt:\t*//p' "/proc/$pid/status" 2>/dev/null) || return 1
  [ -n "$caught" ] && (( (16#$caught >> 14) & 1 ))
}
deadline=$((SECONDS + patience))
until catches_sigterm; do
  if ! kill -0 "$pid" 2>/dev/null || [ "$SECONDS" -ge "$deadline" ]; then
    echo "FAIL: the program never set up its SIGTERM handler"
    kill -KILL "$pid" 2>/dev/null
    exit 1
  fi
  sleep 0.05
done
kill -TERM "$pid"
deadline=$((SECONDS + patience))
while kill -0 "$pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "FAIL: still running ${patience} s after SIGTERM"
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
