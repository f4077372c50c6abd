#!/usr/bin/env bash
# Starts the whole application under Xvfb (1920x1080x24, with a compositor for the translucent
# overlays), waits, saves a screenshot and stops everything it started.
#   tools/screenshot.sh [seconds to wait, default 3] [out.png, default out/screenshot.png]
# CORVIX_BUILD_DIR chooses the build folder (default build/); QEL_VIRTUAL_CAMERAS defaults to 1.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVIX_BUILD_DIR:-$root/build}
wait_s=${1:-3}
out=${2:-$root/out/screenshot.png}
app=$build/bin/corvix

for tool in Xvfb xcompmgr; do
    command -v "$tool" >/dev/null 2>&1 || { echo "screenshot.sh: $tool is missing (tools/deps.sh installs it)" >&2; exit 1; }
done
if ! command -v import >/dev/null 2>&1 && ! command -v xwd >/dev/null 2>&1; then
    echo "screenshot.sh: neither import (imagemagick) nor xwd is installed" >&2
    exit 1
fi
if [ ! -x "$app" ]; then
    echo "screenshot.sh: $app not built (run tools/build.sh)" >&2
    exit 1
fi
mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")

work=$(mktemp -d)
pids=()
cleanup() {
    local pid
    # Newest first: the application, then the compositor, then the X server.
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        pid=${pids[i]}
        kill -TERM "$pid" 2>/dev/null || true
        for _ in $(seq 1 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Xvfb picks a free display itself and writes its number to the file descriptor.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 1 100); do
    [ -s "$work/display" ] && break
    kill -0 "${pids[0]}" 2>/dev/null || { cat "$work/xvfb.log" >&2; exit 1; }
    sleep 0.1
done
[ -s "$work/display" ] || { echo "screenshot.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$work/display")
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb

xcompmgr >"$work/xcompmgr.log" 2>&1 &
pids+=($!)

# Root has no session runtime folder; Qt warns without one.
if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -w "${XDG_RUNTIME_DIR}" ]; then
    export XDG_RUNTIME_DIR=$work/runtime
    mkdir -m 700 "$XDG_RUNTIME_DIR"
fi
export QEL_VIRTUAL_CAMERAS=${QEL_VIRTUAL_CAMERAS:-1}

"$app" >"$work/corvix.log" 2>&1 &
pids+=($!)
app_pid=$!
sleep "$wait_s"
if ! kill -0 "$app_pid" 2>/dev/null; then
    echo "screenshot.sh: corvix exited early; its log:" >&2
    cat "$work/corvix.log" >&2
    exit 1
fi

if command -v import >/dev/null 2>&1; then
    import -window root "$out"
else
    xwd -root -silent | convert xwd:- "$out"
fi
echo "$out"
