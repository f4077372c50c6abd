#!/usr/bin/env bash
# Cost of the live picture in the real application: starts corvix under a private Xvfb with the
# virtual camera, lets it preview for a while and prints the process's CPU time per second (in
# percent of one core), the painted frames per second of each video window and the resident
# memory; then the virtual camera's own generating cost for the same case (bench_qelds_virtual),
# so the application's share is clear.
#   bench/app_cost/app_cost.sh [1080p|2160p|PROFILE.json] [SECONDS]     (defaults: 1080p 60)
#   bench/app_cost/app_cost.sh 3x1080p|3x2160p [SECONDS] [hidden]
# The 3x cases (three MJPEG streams at 30 fps, the multi-stream mode) run bench_app_streams, the
# application's camera model with three 960x540 video windows, under the same Xvfb: the real
# window reaches that mode only through its access-code dialog. "hidden" leaves the windows unshown
# (as when the application is minimised).
# CORVIX_BUILD_DIR picks the build (default build/); APP_COST_COMPOSITOR=1 adds xcompmgr.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${CORVIX_BUILD_DIR:-$root/build}
profile=${1:-1080p}
seconds=${2:-60}
warmup=5
for tool in Xvfb xdpyinfo; do
    command -v "$tool" >/dev/null 2>&1 || { echo "app_cost: $tool is missing (tools/deps.sh)" >&2; exit 2; }
done
case "$profile" in 3x*) needed=bench_app_streams ;; *) needed=corvix ;; esac
for bin in $needed bench_qelds_virtual; do
    [ -x "$build/bin/$bin" ] || { echo "app_cost: $build/bin/$bin is missing (tools/build.sh)" >&2; exit 2; }
done

work=$(mktemp -d)
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill -TERM "${pids[i]}" 2>/dev/null || true
        for _ in $(seq 1 50); do kill -0 "${pids[i]}" 2>/dev/null || break; sleep 0.1; done
        kill -KILL "${pids[i]}" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

case "$profile" in
    3x1080p | 3x2160p) ;;
    1080p | 2160p)
        if [ "$profile" = 1080p ]; then w=1920 h=1080; else w=3840 h=2160; fi
        camera_case="MJPEG ${w}x${h} 30fps"
        printf '{"streams":[{"formats":[{"type":1,"sizes":[[%d,%d]],"fps":[30]}]}]}\n' $w $h >"$work/profile.json"
        profile_file=$work/profile.json
        ;;
    *)
        [ -f "$profile" ] || { echo "app_cost: no profile file $profile" >&2; exit 2; }
        profile_file=$(cd "$(dirname "$profile")" && pwd)/$(basename "$profile")
        camera_case=""
        ;;
esac

# Xvfb picks a free display and writes its number to descriptor 3 once it takes clients.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
display=$(head -n1 "$work/display")
export DISPLAY=":$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
if [ "${APP_COST_COMPOSITOR:-0}" = 1 ]; then
    xcompmgr >/dev/null 2>&1 &
    pids+=($!)
fi

if [[ $profile == 3x* ]]; then
    if [ "$profile" = 3x1080p ]; then size=1920x1080; else size=3840x2160; fi
    echo "machine: $(nproc) cores, load average $(cut -d' ' -f1 /proc/loadavg) at start, Xvfb 1920x1080"
    QT_QPA_PLATFORM=xcb "$build/bin/bench_app_streams" "$seconds" "$size" 30 960x540 "${3:-}" 2>/dev/null
    echo "machine: load average $(cut -d' ' -f1 /proc/loadavg) at end"
    camera_seconds=$((seconds < 10 ? seconds : 10))
    echo "virtual camera alone (one stream of the three, MJPEG $size 30fps, ${camera_seconds} s, bench_qelds_virtual):"
    "$build/bin/bench_qelds_virtual" "$camera_seconds" "MJPEG $size 30fps" | tail -n +2 | sed 's/^/  /'
    exit 0
fi

export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DOCUMENTS_DIR=$work/home/Documents
mkdir -p "$HOME"
export QT_QPA_PLATFORM=xcb QEL_VIRTUAL_CAMERAS=$profile_file
export QT_LOGGING_RULES="corvix.qelrenderqt.stats.info=true"
"$build/bin/corvix" >"$work/app.log" 2>&1 &
app=$!
pids+=("$app")

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$app/stat"; }
rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$app/status"; }

sleep "$warmup"
kill -0 $app 2>/dev/null || { echo "app_cost: corvix ended early:" >&2; tail -n 20 "$work/app.log" >&2; exit 1; }
load_start=$(cut -d' ' -f1 /proc/loadavg)
lines0=$(wc -l <"$work/app.log")
cpu0=$(cpu_ticks)
t0=$(date +%s.%N)
sleep "$seconds"
cpu1=$(cpu_ticks)
t1=$(date +%s.%N)
rss=$(rss_kb)
load_end=$(cut -d' ' -f1 /proc/loadavg)
tail -n +"$((lines0 + 1))" "$work/app.log" | grep 'painted .*/s' >"$work/rates" || true

echo "corvix, profile $profile, ${seconds} s after ${warmup} s warm-up, Xvfb 1920x1080$([ "${APP_COST_COMPOSITOR:-0}" = 1 ] && echo ' + xcompmgr')"
echo "machine: $(nproc) cores, load average $load_start at start, $load_end at end"
awk -v c0="$cpu0" -v c1="$cpu1" -v t0="$t0" -v t1="$t1" -v hz="$ticks" -v rss="$rss" 'BEGIN {
    printf "process CPU    %5.1f %% of one core (camera, decode, render and GUI together)\n", 100 * (c1 - c0) / hz / (t1 - t0)
    printf "resident mem   %5.1f MB\n", rss / 1024
}'
# One line per window per second: "window N: painted P/s converted C/s offered O/s".
awk '{
    for (i = 1; i <= NF; i++) {
        if ($i == "window") { win = $(i + 1); sub(/:$/, "", win) }
        if ($i == "painted") p = $(i + 1)
        if ($i == "converted") c = $(i + 1)
        if ($i == "offered") o = $(i + 1)
    }
    sub(/\/s/, "", p); sub(/\/s/, "", c); sub(/\/s/, "", o)
    n[win]++; sp[win] += p; sc[win] += c; so[win] += o
    if (!(win in mn) || p + 0 < mn[win]) mn[win] = p + 0
} END {
    if (length(n) == 0) print "painted        no frames painted"
    for (w in n)
        printf "painted        %5.1f frames/s (slowest second %.1f), converted %.1f/s of %.1f/s offered (window %s)\n",
            sp[w] / n[w], mn[w], sc[w] / n[w], so[w] / n[w], w
}' "$work/rates"

if [ -n "$camera_case" ]; then
    kill -TERM $app 2>/dev/null || true
    wait $app 2>/dev/null || true
    camera_seconds=$((seconds < 10 ? seconds : 10))
    echo "virtual camera alone ($camera_case, ${camera_seconds} s, bench_qelds_virtual):"
    "$build/bin/bench_qelds_virtual" "$camera_seconds" "$camera_case" | tail -n +2 | sed 's/^/  /'
fi
