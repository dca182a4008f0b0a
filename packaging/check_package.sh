#!/usr/bin/env bash
# Builds the Debian package from this build and checks it: lintian finds
# nothing; exactly the program, the desktop entry, the file managers'
# actions, the AppStream metadata, the icons, the licence and the changelog
# under /usr, and kryvet-cli with its manual page, messages and completion;
# the control fields, with the libraries' version floors; a valid desktop
# entry whose Exec and Icon exist in the package, listed for any file by gio
# once installed; the actions' commands; valid metadata that names the
# entry; the program from the package answers --help and --version, starts
# (offscreen) and ends in an orderly way.
# Usage: check_package.sh <CPackConfig.cmake> <scratch folder>
set -uo pipefail
config=$1
scratch=$2

for tool in cpack dpkg-deb lintian; do
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

# Info tags as well; the overrides file would be the place for a justified one.
lintian --info --pedantic "$deb" >"$scratch/lintian.log" 2>"$scratch/lintian.err" ||
  fail "lintian failed: $(cat "$scratch/lintian.log" "$scratch/lintian.err")"
[ -s "$scratch/lintian.log" ] && fail "lintian:
$(cat "$scratch/lintian.log")"
echo "ok: lintian finds nothing"

files=$(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {print $NF}' | sort)
metainfo=usr/share/metainfo/org.kryvet.Kryvet.metainfo.xml
sizes=(16 24 32 48 64 128 256)
icons=$(for size in "${sizes[@]}"; do echo "./usr/share/icons/hicolor/${size}x${size}/apps/kryvet.png"; done)
expected=$(printf '%s\n' ./usr/bin/kryvet ./usr/share/applications/kryvet.desktop \
  "./$metainfo" $icons ./usr/share/icons/hicolor/scalable/apps/kryvet.svg \
  ./usr/share/kio/servicemenus/kryvet.desktop \
  ./usr/share/nemo/actions/kryvet-1-encrypt.nemo_action ./usr/share/nemo/actions/kryvet-2-decrypt.nemo_action \
  ./usr/share/file-manager/actions/kryvet-encrypt-caja.desktop \
  ./usr/share/file-manager/actions/kryvet-decrypt-caja.desktop \
  ./usr/share/doc/kryvet/copyright ./usr/share/doc/kryvet/changelog.gz \
  ./usr/bin/kryvet-cli ./usr/share/man/man1/kryvet.1.gz ./usr/share/man/man1/kryvet-cli.1.gz \
  ./usr/share/man/ja/man1/kryvet-cli.1.gz \
  ./usr/share/locale/ja/LC_MESSAGES/kryvet-cli.mo \
  ./usr/share/bash-completion/completions/kryvet-cli | sort)
[ "$files" = "$expected" ] || fail "package holds:
$files
expected:
$expected"
echo "ok: the programs, the desktop entry, the actions, the metadata, the icons, the licence, the changelog, the manual pages, the messages and the completion, nothing else"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = kryvet ] || fail "Package: $(field Package)"
[[ "$(field Maintainer)" =~ ^[^\<\>]+\ \<[^\<\>@\ ]+@[^\<\>@\ ]+\>$ ]] ||
  fail "Maintainer: $(field Maintainer)"
# The libraries with the floors dpkg-shlibdeps found, the rest by name.
depends=$(field Depends)
for dep in "libc6 (>= " "libstdc++6 (>= " "libqt6core6 (>= 6." "libqt6gui6 (>= 6." \
  "libqt6widgets6 (>= 6." qt6-qpa-plugins qt6-translations-l10n fonts-ipafont-gothic \
  fonts-ipafont-mincho; do
  grep -qF -- "$dep" <<<"$depends" || fail "Depends lacks $dep: $depends"
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
# What the masking is, without promising encryption.
for key in 'Name\[ja\]' GenericName 'GenericName\[ja\]' Comment 'Comment\[ja\]'; do
  grep -E "^$key=" "$desktop" | grep -qiE 'encrypt|暗号化' && fail "$(grep -E "^$key=" "$desktop")"
done
for key in Name GenericName Comment Keywords; do
  grep -q "^$key\[ja\]=.*[^ -~]" "$desktop" || fail "no Japanese $key[ja]"
done
exec_program=$(entry Exec)
[ -x "$root/usr/bin/${exec_program%% *}" ] || fail "Exec names no program in the package"
for size in "${sizes[@]}"; do
  icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/$(entry Icon).png"
  [ -f "$icon" ] || fail "no $size px icon named by Icon="
  # PNG signature, then the IHDR's width and height as big-endian words.
  read -r w h < <(od -An -tu1 -j16 -N8 "$icon" |
    awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  [ "$w $h" = "$size $size" ] || fail "icon for ${size}x${size} is ${w}x${h}"
done
grep -q '<svg' "$root/usr/share/icons/hicolor/scalable/apps/kryvet.svg" || fail "the scalable icon is no SVG"
echo "ok: desktop entry names the program and the icons, icons sized ${sizes[*]} and scalable"

# Installed as dpkg's trigger would (update-desktop-database), the entry is
# offered by gio for documents, text and files of no known type. The
# package's programs stand first in PATH, since gio lists only entries whose
# program it finds.
if command -v gio >/dev/null && command -v update-desktop-database >/dev/null; then
  update-desktop-database "$root/usr/share/applications"
  for type in application/pdf text/plain text/x-csrc application/vnd.oasis.opendocument.text \
    application/octet-stream; do
    listed=$(PATH="$root/usr/bin:$PATH" XDG_DATA_HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home" \
      XDG_DATA_DIRS="$root/usr/share:/usr/share" gio mime "$type" 2>&1)
    grep -q "^[[:space:]]*kryvet.desktop$" <<<"$listed" || fail "gio mime $type does not list kryvet: $listed"
  done
  echo "ok: gio mime lists kryvet for documents, text and unknown files"
else
  fail "gio or update-desktop-database is missing (install-deps.sh installs them)"
fi
# Each file manager's two actions press the button they are named after.
actions=$(grep -h '^Exec=' "$root/usr/share/kio/servicemenus/kryvet.desktop" \
  "$root"/usr/share/nemo/actions/*.nemo_action "$root"/usr/share/file-manager/actions/*.desktop | sort | uniq -c)
[ "$(grep -c 'kryvet --encrypt %[fF]' <<<"$actions")" -eq 2 ] &&
  [ "$(grep -c 'kryvet --decrypt %[fF]' <<<"$actions")" -eq 2 ] &&
  [ "$(awk '{n += $1} END {print n}' <<<"$actions")" -eq 6 ] || fail "actions: $actions"
for name in 暗号化 復号; do
  [ "$(grep -rlx "Name=$name" "$root/usr/share/kio" "$root/usr/share/nemo" "$root/usr/share/file-manager" | wc -l)" -eq 3 ] ||
    fail "not every file manager names an action $name"
done
echo "ok: Dolphin, Nemo and Caja offer 暗号化 and 復号"

command -v appstreamcli >/dev/null 2>&1 || fail "appstreamcli is missing (install-deps.sh installs appstream)"
appstreamcli validate --pedantic --no-net "$root/$metainfo" >"$scratch/appstream.log" 2>&1 ||
  fail "appstreamcli validate: $(cat "$scratch/appstream.log")"
# The component id keeps its capitals (a pedantic note, not a warning).
grep -E '^[EW]:' "$scratch/appstream.log" && fail "appstreamcli validate --pedantic warns"
for element in '<project_license>MIT</project_license>' '<developer_name>' '<url type="homepage">' \
  "<release version=\"$(field Version)\" date=\"20"; do
  grep -qF -- "$element" "$root/$metainfo" || fail "the metadata lacks $element"
done
meta() { grep -c -- "$1" "$root/$metainfo"; }
[ "$(meta '<launchable type="desktop-id">kryvet.desktop</launchable>')" = 1 ] ||
  fail "the metadata does not name the desktop entry"
[ "$(meta '<screenshot type="default">')" = 1 ] || fail "no default screenshot"
[ "$(meta '<p xml:lang="ja">')" -ge 1 ] && [ "$(meta '<p>')" -ge 1 ] ||
  fail "the description is not in both Japanese and English"
echo "ok: appstreamcli validate; the metadata names the entry, a screenshot, both languages"

# The packaged program answers on the terminal, also with no display.
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/kryvet" --version)" = "kryvet (Kryvet) $(field Version)" ] ||
  fail "kryvet --version: $("$root/usr/bin/kryvet" --version 2>&1)"
env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/kryvet" --help | grep -q '^Usage: kryvet' ||
  fail "kryvet --help"
# The packaged program finds its libraries without the build tree.
QT_QPA_PLATFORM=offscreen "$root/usr/bin/kryvet" 2>"$scratch/run.log" &
pid=$!
sleep 1.5
kill -0 "$pid" 2>/dev/null || { wait "$pid"; fail "the packaged program ended at once ($?): $(cat "$scratch/run.log")"; }
kill -TERM "$pid"
wait "$pid"
status=$?
[ "$status" -eq 0 ] || fail "the packaged program ended with $status"
echo "ok: the packaged program answers --help and --version, starts and ends in an orderly way"
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
