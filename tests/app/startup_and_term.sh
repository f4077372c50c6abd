#!/usr/bin/env bash
# Starts Corvix under Xvfb, checks that a full-screen window appears within 2 s, that a second
# start on the same display hands over to the first and exits 0, and that SIGTERM ends the first
# cleanly (exit code 0).
set -euo pipefail
app=$1

# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/../e2e/lib.sh"
e2e_init "$(dirname "$app")/../startup_and_term" xwininfo
export XDG_RUNTIME_DIR=$work/runtime XDG_STATE_HOME=$work/state
mkdir -m 700 "$XDG_RUNTIME_DIR"
e2e_start_x bare

wait_for_fullscreen_window() {
    local pid=$1 deadline=$((SECONDS + 2)) started
    started=$(date +%s%N)
    while true; do
        for id in $(xdotool search --pid "$pid" 2>/dev/null); do
            geometry=$(xdotool getwindowgeometry "$id" 2>/dev/null | awk '/Geometry/ {print $2}')
            if [ "$geometry" = "1920x1080" ] && xwininfo -id "$id" | grep -q "IsViewable"; then
                echo "full-screen window after $((($(date +%s%N) - started) / 1000000)) ms"
                return 0
            fi
        done
        [ $SECONDS -le $deadline ] || fail "no full-screen window within 2 s"
        sleep 0.05
    done
}

"$app" >"$work/app1.log" 2>&1 &
first=$!
pids+=("$first")
wait_for_fullscreen_window "$first"
status=0
timeout 10 "$app" >"$work/app2.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "second start ended with $status"
kill -0 "$first" 2>/dev/null || fail "the first copy ended when the second started"
echo "second start handed over to the first"

kill -TERM "$first"
for _ in $(seq 100); do kill -0 "$first" 2>/dev/null || break; sleep 0.1; done
kill -0 "$first" 2>/dev/null && fail "pid $first did not exit within 10 s of SIGTERM"
status=0
wait "$first" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status after SIGTERM"
echo "exited cleanly on SIGTERM"
