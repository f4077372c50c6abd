#!/usr/bin/env bash
# Starts Corvix under Xvfb (virtual camera) and ends it with SIGTERM, N times (default 50). Each
# run waits for the full-screen window, lets the camera start, sends SIGTERM and requires exit
# code 0 within 10 s. At the end no stray files may remain: the save folder empty, no socket or
# lock left in the runtime folder, nothing new in the temporary folder, the state folder holding
# only the last-run log. Prints start and stop times (median and worst).
#   bench/soak/soak_start_term.sh path/to/corvix [runs]
set -euo pipefail
app=$1
runs=${2:-50}
for tool in Xvfb xdotool xwininfo xdpyinfo; do
    command -v "$tool" >/dev/null 2>&1 || { echo "soak: $tool is missing" >&2; exit 2; }
done
work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
    if [ -n "$app_pid" ]; then kill -KILL "$app_pid" 2>/dev/null || true; fi
    if [ -n "$xvfb_pid" ]; then kill -TERM "$xvfb_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

export HOME=$work/home XDG_RUNTIME_DIR=$work/runtime XDG_STATE_HOME=$work/state
export XDG_CONFIG_HOME=$work/config TMPDIR=$work/tmp XDG_DOCUMENTS_DIR=$work/home/Documents
mkdir -p "$HOME" "$TMPDIR" && mkdir -m 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb QEL_VIRTUAL_CAMERAS=${QEL_VIRTUAL_CAMERAS:-1}
# A high display number of its own: low numbers are shared with other X servers on the machine.
start_x() {
    local number
    for _ in $(seq 20); do
        number=$((500 + RANDOM % 400))
        [ -e "/tmp/.X$number-lock" ] && continue
        Xvfb ":$number" -screen 0 1920x1080x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
        xvfb_pid=$!
        export DISPLAY=":$number"
        for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
        kill "$xvfb_pid" 2>/dev/null || true
    done
    echo "soak: no X server could be started" >&2
    exit 1
}
start_x

now_ms() { echo $(($(date +%s%N) / 1000000)); }
window_up() {
    local id
    for id in $(xdotool search --pid "$1" 2>/dev/null); do
        xwininfo -id "$id" 2>/dev/null | grep -q "IsViewable" && return 0
    done
    return 1
}

starts=()
stops=()
refused=0
for run in $(seq "$runs"); do
    for _ in 1 2 3; do
        t0=$(now_ms)
        "$app" >"$work/app.log" 2>&1 &
        app_pid=$!
        up=0
        for _ in $(seq 200); do
            if window_up "$app_pid"; then up=1; break; fi
            kill -0 "$app_pid" 2>/dev/null || break
            sleep 0.05
        done
        [ $up = 1 ] && break
        # This machine's X server now and then refuses a connection (xdpyinfo too): not a
        # Corvix fault, counted and tried again.
        if grep -q "could not connect to display" "$work/app.log"; then
            wait "$app_pid" 2>/dev/null || true
            app_pid=""
            refused=$((refused + 1))
            continue
        fi
        break
    done
    [ $up = 1 ] || { echo "run $run: no window within 10 s"; cat "$work/app.log"; exit 1; }
    starts+=($(($(now_ms) - t0)))
    sleep 1  # the camera opens and the preview runs
    t1=$(now_ms)
    kill -TERM "$app_pid"
    for _ in $(seq 200); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.05; done
    if kill -0 "$app_pid" 2>/dev/null; then echo "run $run: still running 10 s after SIGTERM"; exit 1; fi
    status=0
    wait "$app_pid" || status=$?
    app_pid=""
    stops+=($(($(now_ms) - t1)))
    [ "$status" -eq 0 ] || { echo "run $run: exit code $status"; cat "$work/app.log"; exit 1; }
done

stray=$( (find "$XDG_RUNTIME_DIR" "$TMPDIR" -mindepth 1 2>/dev/null
          find "$XDG_DOCUMENTS_DIR" -type f 2>/dev/null
          find "$XDG_STATE_HOME" -type f ! -name last-run.log 2>/dev/null) | grep -v "/runtime/corvix-.*\.lock$" || true)
[ -z "$stray" ] || { echo "stray files after $runs runs:"; echo "$stray"; exit 1; }

stats() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {printf "median %d ms, worst %d ms", a[int((NR+1)/2)], a[NR]}'; }
echo "runs: $runs, all exited 0 after SIGTERM, no stray files"
echo "X connections refused by the server (retried, not counted as runs): $refused"
echo "window up after start: $(stats "${starts[@]}")"
echo "exit after SIGTERM:    $(stats "${stops[@]}")"
echo "(times on a shared machine; compare runs, not machines)"
