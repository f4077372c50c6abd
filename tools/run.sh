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
    # No display: a virtual X server with a compositing manager, so the translucent overlay
    # looks as it does on a desktop (tools/screenshot.sh takes a picture of it).
    display_number=99
    while [ -e "/tmp/.X11-unix/X$display_number" ] || [ -e "/tmp/.X$display_number-lock" ]; do
        display_number=$((display_number + 1))
    done
    export DISPLAY=":$display_number" QT_QPA_PLATFORM=xcb
    echo "No display: starting Corvix under Xvfb on $DISPLAY."
    Xvfb "$DISPLAY" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    xcompmgr >/dev/null 2>&1 &
    compositor_pid=$!
    trap 'kill $compositor_pid $xvfb_pid 2>/dev/null || true' EXIT
    "$build/bin/corvix" &
    app_pid=$!
    trap 'kill -TERM $app_pid 2>/dev/null || true' TERM INT HUP
    status=0
    wait $app_pid || status=$?
    # A signal interrupts the first wait: wait again for Corvix to finish its clean exit.
    if kill -0 $app_pid 2>/dev/null; then wait $app_pid || status=$?; fi
    exit $status
fi
exec "$build/bin/corvix"
