#!/usr/bin/env bash
# End to end under Xvfb with a compositor and the virtual camera: starts Corvix, waits for the
# picture, takes a photo and a recording by clicking the overlay's buttons (xdotool), checks the
# JPEG (size, date stamp) and the MP4 (video and sound streams, duration) in the save folder, and
# saves screenshots of the idle, countdown, recording and hint states.
#   tests/ui/main/e2e.sh [build folder, default build/] [screenshot folder, default out/screens]
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
build=${1:-${CORVIX_BUILD_DIR:-$root/build}}
screens=${2:-$root/out/screens}
app=$build/bin/corvix
driver=$build/bin/corvix_e2e_screens

# shellcheck source=tests/e2e/lib.sh
source "$root/tests/e2e/lib.sh"
e2e_init "$screens" xcompmgr identify ffprobe
for exe in "$app" "$driver"; do
    [ -x "$exe" ] || { echo "e2e: $exe not built" >&2; exit 2; }
done
# Photos are stamped only with the date watermark on: switch it on as a user would have left it.
mkdir -p "$XDG_CONFIG_HOME/Corvix"
printf '[display]\ndateWatermark=true\n' >"$XDG_CONFIG_HOME/Corvix/Corvix.conf"
# A private X server with a compositor (the overlay is a translucent window of its own).
e2e_start_x compositor

# The button bar: 120 px high, 20 px above the bottom, centred on the overlay's content (20 px
# left margin) at a UI scale of 1.0 on this 1920x1080 screen.
bar_y=1000
capture_x=910
record_x=1030
stop_x=970

e2e_start_app
e2e_wait_picture
sleep 1
shot idle.png

# Photo.
xdotool mousemove $capture_x $bar_y click 1
photo=""
for _ in $(seq 50); do
    photo=$(find "$saved" -name '*.jpg' 2>/dev/null | head -n 1 || true)
    [ -n "$photo" ] && grep -q "水印添加成功" "$work/app.log" && break
    sleep 0.2
done
[ -n "$photo" ] || fail "no photo in $saved"
grep -q "水印添加成功" "$work/app.log" || fail "the photo was not stamped"
size=$(identify -format "%wx%h" "$photo")
[ "$size" = "1920x1080" ] || fail "photo is $size, expected 1920x1080"
# The stamp: white date text (54 px high for a 1920-wide photo) 48 px below the top edge, ending
# 48 px from the right; the test card has nothing that white in the text's left half.
white=$(convert "$photo" -crop 200x50+1330+55 -colorspace Gray -threshold 92% -format "%[fx:int(w*h*mean)]" info:)
[ "$white" -gt 50 ] || fail "no date stamp in $photo ($white white pixels)"
echo "photo $photo: $size, stamped ($white white pixels in the stamp)"

# Recording: start, let it run, stop.
sleep 2.5  # the photo's toast has gone
xdotool mousemove $record_x $bar_y click 1
sleep 3
shot recording.png
sleep 1.5
xdotool mousemove $stop_x $bar_y click 1
movie=""
for _ in $(seq 50); do
    movie=$(find "$saved" -name '*.mp4' 2>/dev/null | head -n 1 || true)
    [ -n "$movie" ] && grep -q "qelmuxer_release_muxer end" "$work/app.log" && break
    sleep 0.2
done
[ -n "$movie" ] || fail "no recording in $saved"
sleep 0.5
streams=$(ffprobe -v error -show_entries stream=codec_type,codec_name -of csv=p=0 "$movie" | sort | tr '\n' ' ')
duration=$(ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 "$movie")
echo "recording $movie: streams [$streams] duration ${duration}s"
echo "$streams" | grep -q "video" || fail "no video stream"
echo "$streams" | grep -q "audio" || fail "no sound stream"
awk -v d="$duration" 'BEGIN { exit !(d >= 3.0 && d <= 8.0) }' || fail "duration $duration s, expected about 4.5 s"

kill -TERM $app_pid
status=0
wait $app_pid || status=$?
[ $status = 0 ] || fail "Corvix exited with status $status"

# The states that need the settings panel or a hand on the cable.
"$driver" "$screens" >"$work/driver.log" 2>&1 || { cat "$work/driver.log" >&2; fail "screens driver"; }
grep -E "saved|e2e screens" "$work/driver.log" | sed 's/^/driver: /'
echo "e2e passed; screenshots in $screens"
