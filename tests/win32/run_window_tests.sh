#!/usr/bin/env bash
# Runs window_test.py against kryvet.exe in <folder> under Wine (the tests
# named after <folder>, or all), as the user it is started as: its own Xvfb at 96 DPI, 24-bit; one persistent
# wineserver; a Wine virtual desktop the size of the screen, so that Wine
# draws and focuses every window itself without a window manager, and
# Windows' screen coordinates are the X screen's. The prefix ($WINEPREFIX)
# is kept between runs. The last line is "wine window: N tests, M failed".
set -uo pipefail
folder=$1
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
cd "$folder"

# A display number of our own: the lowest free one from 70.
display=70
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
  display=$((display + 1))
done
Xvfb ":$display" -screen 0 1024x768x24 -dpi 96 -nolisten tcp >"$folder/xvfb.log" 2>&1 &
xvfb=$!
export DISPLAY=":$display"
for _ in $(seq 200); do
  xdotool getdisplaygeometry >/dev/null 2>&1 && break
  sleep 0.1
done

# A server left by an interrupted run would keep its desktop on another
# display. The first start makes the prefix, whose set-up goes on after it
# and is waited out (a server asked to stay before went away with it); the
# server then stays for the run.
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
trap 'wineserver -k 2>/dev/null; kill $xvfb 2>/dev/null' EXIT
"$wine" cmd /c exit >/dev/null 2>&1
wineserver -w
wineserver -p
"$wine" cmd /c exit >/dev/null 2>&1

# The faces the forms name, mapped to the IPA fonts, as the Linux build maps
# them; the virtual desktop; 96 DPI. regedit reads UTF-16 with a BOM.
python3 - "$folder/settings.reg" <<'EOF'
import sys
lines = [
    "Windows Registry Editor Version 5.00", "",
    r"[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]",
    '"System"="IPAGothic"', '"MS UI Gothic"="IPAGothic"', '"ＭＳ 明朝"="IPAMincho"',
    '"MS Mincho"="IPAMincho"', '"ＭＳ ゴシック"="IPAGothic"', '"MS Gothic"="IPAGothic"',
    '"ＭＳ Ｐゴシック"="IPAPGothic"', "",
    r"[HKEY_CURRENT_USER\Software\Wine\Explorer]", '"Desktop"="Default"', "",
    r"[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]", '"Default"="1024x768"', "",
    r"[HKEY_CURRENT_USER\Control Panel\Desktop]", '"LogPixels"=dword:00000060', "",
]
with open(sys.argv[1], "w", encoding="utf-16") as f:
    f.write("\r\n".join(lines) + "\r\n")
EOF
# Wine's desktop reads its settings when it starts: a changed setting takes
# one restart of the server, once per prefix.
stamp="$WINEPREFIX/kryvet-window-settings.reg"
if ! cmp -s "$folder/settings.reg" "$stamp"; then
  "$wine" regedit /S "$folder/settings.reg" >/dev/null 2>&1
  wineserver -k
  wineserver -w
  cp "$folder/settings.reg" "$stamp"
  wineserver -p
  "$wine" cmd /c exit >/dev/null 2>&1
fi

echo "== window_test.py"
python3 "$folder/window_test.py" "${@:2}" >"$folder/window.log" 2>&1
cat "$folder/window.log"
ran=$(sed -n 's/^Ran \([0-9]*\) tests\{0,1\} in .*/\1/p' "$folder/window.log")
bad=$(sed -n 's/^FAILED (\(.*\))$/\1/p' "$folder/window.log" | grep -o '\(failures\|errors\)=[0-9]*' |
  awk -F= '{ sum += $2 } END { print sum + 0 }')
if [ -z "$ran" ]; then
  echo "window_test.py did not finish"
  echo "wine window: 1 tests, 1 failed"
  exit 1
fi
echo "wine window: $ran tests, ${bad:-0} failed"
[ "${bad:-0}" -eq 0 ]
