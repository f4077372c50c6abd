#!/usr/bin/env bash
# The whole application under Xvfb with the virtual camera, with a compositor and without one (the
# overlay shaped to its controls): live picture and buttons, a photo and a recording by clicks with
# JPEG and MP4 checks, a compositor started and ended while running (bare mode), screenshots.
#   tests/ui/main/e2e.sh [build folder] [screenshot folder, default out/screens] [modes, default "compositor bare"]
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
build=${1:-${CORVIX_BUILD_DIR:-$root/build}}
screens_root=${2:-$root/out/screens}
modes=${3:-compositor bare}
# shellcheck source=tests/e2e/lib.sh
source "$root/tests/e2e/lib.sh"
e2e_modes main "$build" "$screens_root"
app=$build/bin/corvix
driver=$build/bin/corvix_e2e_screens

e2e_init "$screens_root/$mode" xcompmgr identify ffprobe
for exe in "$app" "$driver"; do
    [ -x "$exe" ] || { echo "e2e: $exe not built" >&2; exit 2; }
done
# Photos are stamped only with the date watermark on: switch it on as a user would have left it.
mkdir -p "$XDG_CONFIG_HOME/Corvix"
printf '[display]\ndateWatermark=true\n' >"$XDG_CONFIG_HOME/Corvix/Corvix.conf"
# The X server is the only judge of compositing here, not the session this script runs in.
unset WAYLAND_DISPLAY
export QT_LOGGING_RULES="default.debug=true;corvix.compositor.info=true"
# A private X server, with or without a compositor (the overlay is a translucent window of its own).
e2e_start_x "$mode"

# The button bar: 120 px high, 20 px above the bottom, centred on the overlay's content (20 px
# left margin) at a UI scale of 1.0 on this 1920x1080 screen.
bar_y=1000
capture_x=910
record_x=1030
stop_x=970

# The live picture in the centre of the screen (not black, not flat) and the settings and
# capture buttons drawn (their white icons) at the bottom.
check_picture_and_buttons() {
    local file=$1
    local mean spread
    mean=$(brightness "$file" 600x300+660+390)
    spread=$(convert "$file" -crop 600x300+660+390 +repage -colorspace Gray -format "%[fx:int(255*standard_deviation)]" info:)
    if [ "$mean" -le 40 ] || [ "$spread" -le 20 ]; then
        fail "no live picture in the centre of $file (mean $mean, spread $spread)"
    fi
    local x white
    for x in 80 $capture_x; do
        white=$(convert "$file" -crop 100x100+$((x - 50))+$((bar_y - 50)) +repage -colorspace Gray -threshold 85% \
            -format "%[fx:int(w*h*mean)]" info:)
        [ "$white" -gt 300 ] || fail "no button drawn at x=$x in $file ($white white pixels)"
    done
    echo "$file: picture in the centre (mean $mean, spread $spread), buttons drawn"
}

# shellcheck disable=SC2119
e2e_start_app
e2e_wait_picture
sleep 1
shot idle.png
check_picture_and_buttons "$screens/idle.png"
expected=$([ "$mode" = bare ] && echo false || echo true)
grep -q "compositing: $expected" "$work/app.log" || fail "Corvix did not see compositing $expected"

# Photo.
xdotool mousemove $capture_x $bar_y click 1
photo=""
for _ in $(seq 50); do
    photo=$(find "$saved" -name '*.jpg' 2>/dev/null | head -n 1 || true)
    [ -n "$photo" ] && grep -q "OverlayWidget::sigCaptureFinished" "$work/app.log" && break
    sleep 0.2
done
[ -n "$photo" ] || fail "no photo in $saved"
grep -q "OverlayWidget::sigCaptureFinished" "$work/app.log" || fail "the photo was not reported"
shot toast.png
size=$(identify -format "%wx%h" "$photo")
[ "$size" = "1920x1080" ] || fail "photo is $size, expected 1920x1080"
# Stamped before its one encode: quality 95, and the EXIF block names the program.
quality=$(identify -format "%Q" "$photo")
[ "$quality" = "95" ] || fail "photo quality is $quality, expected 95"
software=$(identify -format "%[EXIF:Software]" "$photo")
case "$software" in Corvix\ *) ;; *) fail "photo EXIF Software is '$software'" ;; esac
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
mean=$(brightness "$screens/recording.png" 600x300+660+390)
[ "$mean" -gt 40 ] || fail "no live picture in the centre while recording (mean $mean)"
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

if [ "$mode" = bare ]; then
    # A compositor starts while Corvix runs, and ends again: the picture stays in sight throughout.
    xcompmgr >"$work/xcompmgr.log" 2>&1 &
    compositor_pid=$!
    pids+=("$compositor_pid")
    for _ in $(seq 50); do grep -q "compositing: true" "$work/app.log" && break; sleep 0.1; done
    grep -q "compositing: true" "$work/app.log" || fail "the compositor's start was not noticed"
    sleep 1
    shot compositor_started.png
    check_picture_and_buttons "$screens/compositor_started.png"
    kill -TERM "$compositor_pid"
    wait "$compositor_pid" 2>/dev/null || true
    for _ in $(seq 50); do [ "$(grep -c "compositing: false" "$work/app.log")" -ge 2 ] && break; sleep 0.1; done
    [ "$(grep -c "compositing: false" "$work/app.log")" -ge 2 ] || fail "the compositor's end was not noticed"
    sleep 1
    shot compositor_ended.png
    check_picture_and_buttons "$screens/compositor_ended.png"
fi

kill -TERM $app_pid
status=0
wait $app_pid || status=$?
[ $status = 0 ] || fail "Corvix exited with status $status"

# The states that need the settings panel or a hand on the cable.
"$driver" "$screens" >"$work/driver.log" 2>&1 || { cat "$work/driver.log" >&2; fail "screens driver"; }
grep -E "saved|e2e screens" "$work/driver.log" | sed 's/^/driver: /'
echo "e2e passed; screenshots in $screens"
