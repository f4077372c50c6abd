#!/usr/bin/env bash
# End to end on a real camera's replay (the Logitech C920's published listing, through
# tools/replay-from-listing): Corvix under Xvfb with a compositor and no virtual camera shows a
# picture, and its information table reports the replayed format (YUY2 640x480, the camera's
# first format and size). Screenshots: replay_picture.png, replay_info.png.
#   tests/sdk/qelds_v4l2/e2e_replay.sh [build folder, default build/] [screenshot folder, default out/screens]
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
build=${1:-${CORVIX_BUILD_DIR:-$root/build}}
shots=${2:-$root/out/screens}  # lib.sh resets $screens when sourced
app=$build/bin/corvix
driver=$build/bin/corvix_e2e_replay_table
listing=$root/tests/sdk/qelds_v4l2/listings/02-logitech-c920-h264.txt

export QEL_VIRTUAL_CAMERAS=0
# shellcheck source=tests/e2e/lib.sh
source "$root/tests/e2e/lib.sh"
e2e_init "$shots" xcompmgr python3
for exe in "$app" "$driver"; do
    [ -x "$exe" ] || { echo "e2e: $exe not built" >&2; exit 2; }
done
# The replay as a user makes it from the listing.
"$root/tools/replay-from-listing" "$listing" >"$work/c920.json" 2>"$work/tool.log" ||
    fail "replay-from-listing failed: $(cat "$work/tool.log")"
export QELDS_V4L2_REPLAY=$work/c920.json
e2e_start_x compositor

# The application itself: the replayed camera's picture (a bright grey ramp) fills the screen.
# shellcheck disable=SC2119  # Corvix takes no arguments
e2e_start_app
e2e_wait_picture
sleep 2.5  # the information table has the first second's figures
shot replay_picture.png
if grep -q "device description .* not loaded" "$work/app.log"; then fail "the replay was not loaded"; fi
kill -TERM "$app_pid"
status=0
wait "$app_pid" || status=$?
[ $status = 0 ] || fail "Corvix exited with status $status"

# The same main window in a driver that reads the information table.
"$driver" "$screens" YUY2 640x480 >"$work/driver.log" 2>&1 || { cat "$work/driver.log" >&2; fail "information table"; }
grep -E "information row|saved" "$work/driver.log" | sed 's/^/driver: /'
echo "e2e passed; screenshots in $screens"
