#!/usr/bin/env bash
# Installs what is missing, builds the Release tree and starts the editor.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
build_dir="${PICTAVIA_BUILD_DIR:-build}"
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" -j "${PICTAVIA_JOBS:-2}"
editor="$build_dir/bin/pictavia"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display is available (neither DISPLAY nor WAYLAND_DISPLAY is set)."
  echo "Start the editor from a desktop session, or under a virtual display: xvfb-run -a $editor"
  exit 1
fi
exec "$editor" "$@"
