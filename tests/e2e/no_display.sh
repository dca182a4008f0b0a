#!/usr/bin/env bash
# Without any display the program says so in one line and fails.
set -uo pipefail
program=$1
err=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" 2>&1 >/dev/null)
status=$?
[ "$status" -ne 0 ] || { echo "FAIL: exit status 0 without a display"; exit 1; }
[ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] || { echo "FAIL: expected one line, got: $err"; exit 1; }
case "$err" in
  *"no display"*) echo "ok: $err" ;;
  *) echo "FAIL: unexpected message: $err"; exit 1 ;;
esac
