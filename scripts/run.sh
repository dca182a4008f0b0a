#!/usr/bin/env bash
# Installs what Kryvet needs (Debian 12), builds it into build/ and starts it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "kryvet: no display found (DISPLAY and WAYLAND_DISPLAY are not set); start it from a graphical desktop session" >&2
  exit 2
fi

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" --target kryvet
exec "$root/build/app/kryvet"
