# Sourced by the scripts that run Windows programs under Wine.
#
# require_linux_build <program>...  checks that the Linux build in
#   $linux_build (KRYVET_LINUX_BUILD, or build-test as scripts/test.sh
#   leaves it) holds the programs the Windows ones are compared with.
# wine_user <folder>  sets `as_user`, the command prefix that runs as the
#   user Wine runs as, `user` (empty when that is the caller) and `home`,
#   and hands <folder> to that user. Wine must run as an ordinary user: as
#   root it opens read-only files for writing, which hides refusals. Run as
#   root, the user is kryvet-wine, made if missing.

linux_build=${KRYVET_LINUX_BUILD:-$root/build-test}

require_linux_build() {
  local program
  for program in "$@"; do
    if [ ! -x "$linux_build/$program" ]; then
      echo "no $linux_build/$program: build Linux first (scripts/test.sh)" >&2
      exit 1
    fi
  done
}

wine_user() {
  as_user=()
  user=
  home=$HOME
  chmod -R a+rX "$1"
  if [ "$(id -u)" -eq 0 ]; then
    user=kryvet-wine
    id "$user" >/dev/null 2>&1 || useradd --create-home --shell /usr/sbin/nologin "$user"
    home=$(getent passwd "$user" | cut -d: -f6)
    chown -R "$user" "$1"
    as_user=(runuser -u "$user" --)
  fi
}
