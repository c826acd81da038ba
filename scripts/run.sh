#!/usr/bin/env bash
# Builds Tarvelquist and starts it. Without a display it runs on Qt's VNC platform on localhost and says how to
# connect.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
  port="${TARVELQUIST_VNC_PORT:-5900}"
  echo "No display found: Tarvelquist runs on a VNC server at localhost:${port}."
  echo "Connect with any VNC viewer (for example: vncviewer localhost:${port}); press Ctrl+C here to stop it."
  export QT_QPA_PLATFORM="vnc:size=480x588:port=${port}"
fi
exec build/bin/tarvelquist "$@"
