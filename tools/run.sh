#!/usr/bin/env bash
# Installs what is missing, builds and starts Corvix. Without a real camera (no /dev/video*)
# it runs on the built-in virtual camera and microphone. Without a display it starts Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/deps.sh"
"$root/tools/build.sh"
build=${CORVIX_BUILD_DIR:-$root/build}
if ! compgen -G "/dev/video*" >/dev/null && [ -z "${QEL_VIRTUAL_CAMERAS:-}" ]; then
    export QEL_VIRTUAL_CAMERAS=1
    echo "No camera attached: using the virtual camera."
fi
# A Wayland session runs Corvix through XWayland so that its overlay windows can be placed.
if [ -n "${WAYLAND_DISPLAY:-}" ] && [ -n "${DISPLAY:-}" ]; then
    export QT_QPA_PLATFORM=xcb
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: starting Corvix under Xvfb (see tools/screenshot.sh for a picture of it)."
    exec xvfb-run -a -s "-screen 0 1920x1080x24" "$build/bin/corvix"
fi
exec "$build/bin/corvix"
