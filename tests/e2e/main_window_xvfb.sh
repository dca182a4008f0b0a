#!/usr/bin/env bash
# Starts the real program on its own Xvfb server and drives it with xdotool:
# the window maps at 522 × 348, typing reaches the file-name box, Enter opens
# the file-open dialog only while the box is empty, F1 opens the version box,
# F10 ends the program.
# Usage: main_window_xvfb.sh <path to kryvet> [screenshot.png]
set -uo pipefail

program=$1
screenshot=${2:-}

if ! command -v Xvfb >/dev/null 2>&1; then
  echo "SKIP: Xvfb is not installed (scripts/install-deps.sh installs it)"
  exit 77
fi
for tool in xdotool convert import; do
  command -v "$tool" >/dev/null 2>&1 || { echo "FAIL: $tool is missing (scripts/install-deps.sh installs it)"; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  exit 1
}

# Runs the command until it succeeds; false after `patience` seconds. A busy
# machine may delay any step of the program by seconds, so nothing is checked
# once after a fixed pause.
patience=30
eventually() {
  local deadline=$((SECONDS + patience))
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

# Xvfb picks a free display number itself and reports it on fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
eventually test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

"$program" 2>"$work/app.log" &
app_pid=$!

visible_windows() { xdotool search --onlyvisible --class kryvet 2>/dev/null | wc -l; }

windows_are() { [ "$(visible_windows)" -eq "$1" ]; }

# Waits until the program shows `count` windows.
wait_windows() {
  eventually windows_are "$1" || fail "expected $1 visible windows, saw $(visible_windows)"
}

# Dark pixels in the band of the file-name box (below the menu bar).
text_pixels() {
  import -window root -crop 420x30+45+95 "$work/band.png" 2>/dev/null
  convert "$work/band.png" -colorspace Gray -threshold 50% -negate -format '%[fx:round(mean*w*h)]' info:
}

# At least `more` dark pixels more in the band than `before`.
text_grew() { [ "$(text_pixels)" -gt $(($1 + $2)) ]; }

main_window_mapped() {
  window=$(xdotool search --onlyvisible --name '^Kryvet$' 2>/dev/null | head -n1)
  [ -n "$window" ]
}

# The keyboard goes to the main window (it takes the focus itself on bare
# Xvfb, where no window manager gives it).
main_window_focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$window" ]; }

window=""
eventually main_window_mapped || fail "the main window did not map: $(cat "$work/app.log")"
eventually main_window_focused || fail "the main window never took the keyboard focus"

geometry=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')
[ "$geometry" = "522x348" ] || fail "window is $geometry, expected 522x348"
echo "ok: window maps at $geometry"

if [ -n "$screenshot" ]; then
  import -window root -crop 522x348+0+0 "$screenshot"
fi

before=$(text_pixels)
xdotool type --delay 20 "WWWWWWWW"
eventually text_grew "$before" 40 || fail "typed text does not show ($before -> $(text_pixels) dark pixels)"
echo "ok: typing shows in the file-name box ($before -> $(text_pixels) dark pixels)"

xdotool key Return
# "Nothing happens" has no condition to wait for: a pause is all there is.
sleep 0.5
[ "$(visible_windows)" -eq 1 ] || fail "Enter opened a window although the box holds a name"
echo "ok: Enter does nothing while the box holds a name"

# The keys reach the program in the order sent: no pause needed between them.
for _ in $(seq 8); do xdotool key BackSpace; done
xdotool key Return
wait_windows 2
xdotool key Escape
wait_windows 1
echo "ok: Enter in the empty box opens the file-open dialog"

xdotool key F1
wait_windows 2
xdotool key Return  # the version box closes with its OK button only
wait_windows 1
eventually main_window_focused || fail "the main window did not take the focus back"
before=$(text_pixels)
xdotool type --delay 20 "WWWW"
eventually text_grew "$before" 20 || fail "after the version box, typing does not reach the box"
echo "ok: F1 opens the version box; afterwards typing goes to the file-name box"

xdotool key F2
wait_windows 2
xdotool key Escape
wait_windows 1
echo "ok: F2 opens the file-open dialog"

xdotool key F10
app_gone() { ! kill -0 "$app_pid" 2>/dev/null; }
eventually app_gone || fail "F10 did not end the program"
wait "$app_pid"
status=$?
app_pid=""
[ "$status" -eq 0 ] || fail "the program ended with status $status"
echo "ok: F10 ends the program"
