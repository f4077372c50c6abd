#!/usr/bin/env bash
# Starts Corvix under Xvfb, checks that a full-screen window appears within 2 s, that a second
# start on the same display hands over to the first and exits 0, and that SIGTERM ends the first
# cleanly (exit code 0).
set -euo pipefail
app=$1
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

display_number=$((100 + RANDOM % 400))
Xvfb ":$display_number" -screen 0 1920x1080x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
export DISPLAY=":$display_number"
export QT_QPA_PLATFORM=xcb
export QEL_VIRTUAL_CAMERAS=${QEL_VIRTUAL_CAMERAS:-1}
export HOME=$work/home XDG_RUNTIME_DIR=$work/runtime XDG_STATE_HOME=$work/state XDG_CONFIG_HOME=$work/config
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done


wait_for_fullscreen_window() {
    local pid=$1 deadline=$((SECONDS + 2)) started
    started=$(date +%s%N)
    while true; do
        for id in $(xdotool search --pid "$pid" 2>/dev/null); do
            geometry=$(xdotool getwindowgeometry "$id" 2>/dev/null | awk '/Geometry/ {print $2}')
            if [ "$geometry" = "1920x1080" ] && xwininfo -id "$id" | grep -q "IsViewable"; then
                echo "full-screen window after $(( ($(date +%s%N) - started) / 1000000 )) ms"
                return 0
            fi
        done
        [ $SECONDS -le $deadline ] || { echo "no full-screen window within 2 s"; return 1; }
        sleep 0.05
    done
}

"$app" >"$work/app1.log" 2>&1 &
first=$!
wait_for_fullscreen_window "$first"
status=0
timeout 10 "$app" >"$work/app2.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || { echo "second start ended with $status"; cat "$work/app2.log"; exit 1; }
kill -0 "$first" 2>/dev/null || { echo "the first copy ended when the second started"; exit 1; }
echo "second start handed over to the first"

kill -TERM "$first"
status=0
for _ in $(seq 100); do kill -0 "$first" 2>/dev/null || break; sleep 0.1; done
kill -0 "$first" 2>/dev/null && { echo "pid $first did not exit within 10 s of SIGTERM"; exit 1; }
wait "$first" || status=$?
if [ "$status" -ne 0 ]; then
    echo "exit status $status after SIGTERM"; cat "$work"/app*.log; exit 1
fi
echo "exited cleanly on SIGTERM"
