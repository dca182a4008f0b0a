#!/usr/bin/env bash
# Without a display the program says so in one line and exits 2, whether no
# display is named or the one named cannot be reached; --help and --version
# answer without any; a usage error is one line and exit status 2.
set -uo pipefail
program=$1
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
failures=0

# check <name> <expected status> <pattern of the only stderr line, or ""
# for none> <pattern of stdout's first line, or ""> <env and arguments...>
check() {
  local name=$1 status=$2 err_pattern=$3 out_pattern=$4
  shift 4
  local out err got
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$runtime" "$@" \
    2>"$runtime/err")
  got=$?
  err=$(grep -v '^QStandardPaths: ' "$runtime/err")
  local problem=""
  [ "$got" -eq "$status" ] || problem="exit status $got, not $status"
  if [ -z "$err_pattern" ]; then
    [ -z "$err" ] || problem="$problem; unexpected stderr: $err"
  else
    [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] && [[ "$err" == $err_pattern ]] ||
      problem="$problem; stderr not one line like '$err_pattern': $err"
  fi
  [ -z "$out_pattern" ] || [[ "$(head -n1 <<<"$out")" == $out_pattern ]] ||
    problem="$problem; stdout: $out"
  if [ -n "$problem" ]; then
    echo "FAIL: $name: $problem"
    failures=$((failures + 1))
  else
    echo "ok: $name${err:+: $err}"
  fi
}

version=$(sed -n 's/^project(Kryvet VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
check "no display named" 2 "kryvet: no display*" "" "$program"
check "an X display that is not there" 2 "kryvet: no display*DISPLAY=:9999*" "" DISPLAY=:9999 "$program"
check "a Wayland display that is not there" 2 "kryvet: no display*WAYLAND_DISPLAY=kryvet-none*" "" \
  WAYLAND_DISPLAY=kryvet-none "$program"
check "--help without a display" 0 "" "Usage: kryvet *" "$program" --help
check "--version without a display" 0 "" "kryvet (Kryvet) $version" "$program" --version
check "an unknown option" 2 "kryvet: unknown option --bogus*" "" QT_QPA_PLATFORM=offscreen "$program" --bogus
check "--encrypt without a file" 2 "kryvet: --encrypt and --decrypt need a FILE" "" \
  QT_QPA_PLATFORM=offscreen "$program" --encrypt
[ "$failures" -eq 0 ]
