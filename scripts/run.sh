#!/usr/bin/env bash
# Installs what Kryvet needs (Debian 12), builds it into build-run/ (a folder
# of its own, so that it does not rebuild what the tests or the package left)
# and starts it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "kryvet: no display found (DISPLAY and WAYLAND_DISPLAY are not set); start it from a graphical desktop session" >&2
  exit 2
fi

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build-run" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKRYVET_BUILD_TESTS=OFF >/dev/null
cmake --build "$root/build-run" --target kryvet -- --quiet
exec "$root/build-run/app/kryvet" "$@"
