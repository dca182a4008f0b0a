#!/usr/bin/env bash
# Builds the Debian package from this build and checks it: exactly the
# program, the desktop entry, the AppStream metadata and the icons, under
# /usr, and kryvet-cli with its manual page, messages and completion; the control fields; a valid desktop entry whose Exec and Icon exist in
# the package, with its Japanese texts; valid metadata that names the entry;
# the program from the package starts (offscreen) and ends in an orderly way.
# Usage: check_package.sh <CPackConfig.cmake> <scratch folder>
set -uo pipefail
config=$1
scratch=$2

for tool in cpack dpkg-deb; do
  command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit 77; }
done
fail() {
  echo "FAIL: $*"
  exit 1
}

rm -rf "$scratch"
mkdir -p "$scratch"
cpack --config "$config" -G DEB -B "$scratch" >"$scratch/cpack.log" 2>&1 ||
  fail "cpack failed: $(tail -n 5 "$scratch/cpack.log")"
deb=$(find "$scratch" -maxdepth 1 -name 'kryvet_*.deb' | head -n1)
[ -n "$deb" ] || fail "no kryvet_*.deb in $scratch"
echo "ok: built $(basename "$deb")"

files=$(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {print $NF}' | sort)
metainfo=usr/share/metainfo/org.kryvet.Kryvet.metainfo.xml
expected=$(printf '%s\n' ./usr/bin/kryvet ./usr/share/applications/kryvet.desktop \
  "./$metainfo" ./usr/share/icons/hicolor/32x32/apps/kryvet.png \
  ./usr/share/icons/hicolor/64x64/apps/kryvet.png \
  ./usr/bin/kryvet-cli ./usr/share/man/man1/kryvet.1.gz ./usr/share/man/man1/kryvet-cli.1.gz \
  ./usr/share/man/ja/man1/kryvet-cli.1.gz \
  ./usr/share/locale/ja/LC_MESSAGES/kryvet-cli.mo \
  ./usr/share/bash-completion/completions/kryvet-cli | sort)
[ "$files" = "$expected" ] || fail "package holds:
$files
expected:
$expected"
echo "ok: the programs, the desktop entry, the metadata, two icons, the manual pages, the messages and the completion, nothing else"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = kryvet ] || fail "Package: $(field Package)"
[ "$(field Maintainer)" = "Kryvet Project" ] || fail "Maintainer: $(field Maintainer)"
depends=$(field Depends)
for dep in libqt6widgets6 qt6-qpa-plugins qt6-translations-l10n fonts-ipafont-gothic \
  fonts-ipafont-mincho; do
  grep -qw -- "$dep" <<<"$depends" || fail "Depends lacks $dep: $depends"
done
grep -qw qt6-wayland <<<"$(field Recommends)" || fail "Recommends lacks qt6-wayland"
# The description says what the masking does not do, and where to go instead.
description=$(field Description)
for phrase in "not cryptography" "without the password" "gpg"; do
  grep -qF -- "$phrase" <<<"$description" || fail "Description lacks \"$phrase\": $description"
done
echo "ok: control fields"

root="$scratch/root"
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x failed"
desktop="$root/usr/share/applications/kryvet.desktop"
if command -v desktop-file-validate >/dev/null 2>&1; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate"
  echo "ok: desktop-file-validate"
else
  echo "note: desktop-file-validate not installed; entry checked by its fields only"
fi
entry() { sed -n "s/^$1=//p" "$desktop"; }
# The file manager passes the file to open ("Open with").
[ "$(entry Exec)" = "kryvet %f" ] || fail "Exec=$(entry Exec)"
[ "$(entry Categories)" = "Utility;" ] || fail "Categories=$(entry Categories)"
[ "$(entry GenericName)" = "File Encryption" ] || fail "GenericName=$(entry GenericName)"
for key in Name GenericName Comment Keywords; do
  grep -q "^$key\[ja\]=.*[^ -~]" "$desktop" || fail "no Japanese $key[ja]"
done
exec_program=$(entry Exec)
[ -x "$root/usr/bin/${exec_program%% *}" ] || fail "Exec names no program in the package"
for size in 32 64; do
  icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/$(entry Icon).png"
  [ -f "$icon" ] || fail "no $size px icon named by Icon="
  # PNG signature, then the IHDR's width and height as big-endian words.
  read -r w h < <(od -An -tu1 -j16 -N8 "$icon" |
    awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  [ "$w $h" = "$size $size" ] || fail "icon for ${size}x${size} is ${w}x${h}"
done
echo "ok: desktop entry names the program and the icons, icons sized 32 and 64"

command -v appstreamcli >/dev/null 2>&1 || fail "appstreamcli is missing (install-deps.sh installs appstream)"
appstreamcli validate --no-net "$root/$metainfo" || fail "appstreamcli validate"
meta() { grep -c -- "$1" "$root/$metainfo"; }
[ "$(meta '<launchable type="desktop-id">kryvet.desktop</launchable>')" = 1 ] ||
  fail "the metadata does not name the desktop entry"
[ "$(meta '<screenshot type="default">')" = 1 ] || fail "no default screenshot"
[ "$(meta '<p xml:lang="ja">')" -ge 1 ] && [ "$(meta '<p>')" -ge 1 ] ||
  fail "the description is not in both Japanese and English"
echo "ok: appstreamcli validate; the metadata names the entry, a screenshot, both languages"

# The packaged program finds its libraries without the build tree.
QT_QPA_PLATFORM=offscreen "$root/usr/bin/kryvet" 2>"$scratch/run.log" &
pid=$!
sleep 1.5
kill -0 "$pid" 2>/dev/null || { wait "$pid"; fail "the packaged program ended at once ($?): $(cat "$scratch/run.log")"; }
kill -TERM "$pid"
wait "$pid"
status=$?
[ "$status" -eq 0 ] || fail "the packaged program ended with $status"
echo "ok: the packaged program starts and ends in an orderly way"
# The command line from the package: its version, its Japanese messages
# found beside it, its manual pages.
cli="$root/usr/bin/kryvet-cli"
[ "$("$cli" --version)" = "kryvet-cli (Kryvet) $(field Version)" ] ||
  fail "kryvet-cli --version: $("$cli" --version 2>&1)"
said=$(LANGUAGE=ja LC_ALL=C.UTF-8 "$cli" status "$scratch/nothing" 2>&1)
grep -qF "ファイルが見つかりません" <<<"$said" || fail "no Japanese message: $said"
for page in kryvet kryvet-cli; do
  where=$(man -M "$root/usr/share/man" -w "$page") || fail "man -w $page"
  [ "$where" = "$root/usr/share/man/man1/$page.1.gz" ] || fail "man -w $page: $where"
done
echo "ok: kryvet-cli --version, its Japanese messages, man -w kryvet and kryvet-cli"
echo "PASS"
