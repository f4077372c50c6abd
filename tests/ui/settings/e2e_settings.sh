#!/usr/bin/env bash
# The settings panel in the whole application under Xvfb, with a camera offering every AI feature:
# with a compositor, stream 1 set to YUY2 1280x720 and applied, outside press, face tracking, three
# streams; without one, the panel, a list and the stream cards drawn beside the live picture.
#   tests/ui/settings/e2e_settings.sh [build folder] [screenshot folder] [modes, default "compositor bare"]
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
build=${1:-${CORVIX_BUILD_DIR:-$root/build}}
shots=${2:-$root/out/screens}
modes=${3:-compositor bare}
# shellcheck source=tests/e2e/lib.sh
source "$root/tests/e2e/lib.sh"
e2e_modes settings "$build" "$shots"
app=$build/bin/corvix

if [ "$mode" = bare ]; then
    e2e_init "$shots/bare"
else
    e2e_init "$shots" xcompmgr
fi
[ -x "$app" ] || { echo "e2e: $app not built" >&2; exit 2; }
# Every AI row of the feature page is offered by this camera.
ones17=$(printf '1,%.0s' $(seq 16))1
cat >"$work/camera.json" <<JSON
{ "masks": { "hand_gesture": [$ones17], "canvas": [1,1,1], "mosaic": [1] } }
JSON
export QEL_VIRTUAL_CAMERAS=$work/camera.json
export QT_LOGGING_RULES="default.debug=true;corvix.settings.info=true"
# The X server is the only judge of compositing here, not the session this script runs in.
unset WAYLAND_DISPLAY
e2e_start_x "$mode"

# Places on the 1920x1080 screen at a UI scale of 1.0 (the panel's left card is 570 px wide).
gear=(80 1000)
tab_camera=(95 1050)
tab_features=(284 1050)
tab_device=(473 1050)
media_button=(365 540)
resolution_button=(365 648)
apply_button=(256 970)
list_x=750          # the selector lists open 60 px right of their buttons
entry_pitch=41.5    # one list entry and the spacing below it
hot_area=(1915 3)   # the hidden six-click square at the video's top-right corner
outside=(1300 600)  # the live picture, right of the panel
outside_cards=(1700 700)  # the live picture, right of the stream cards and clear of the sub-streams

click() { xdotool mousemove "$1" "$2" click 1; }
# The centre of entry n (from 0) of a list opened by the button whose centre is at y.
entry_y() { awk -v y="$1" -v n="$2" -v p="$entry_pitch" 'BEGIN { printf "%d", y - 25 + 18 + n * p }'; }
# Height of the camera's yellow caption block at the picture's top-left (its text scales with the
# picture's height; a second caption line appears for face tracking).
caption_height() {
    import -window root "$work/caption.png"
    convert "$work/caption.png" -crop 600x200+0+0 +repage -fuzz 10% -fill black +opaque "rgb(255,255,0)" \
        -trim -format "%h" info:
}
# The panel's empty background above the apply button: its dark grey, not the picture.
panel_shown() {
    import -window root "$work/panel.png"
    local b
    b=$(brightness "$work/panel.png" 500x20+30+915)
    [ "$b" -ge 45 ] && [ "$b" -le 65 ]
}
wait_log() {
    for _ in $(seq 75); do grep -Eq "$1" "$work/app.log" && return 0; sleep 0.2; done
    return 1
}
unlock() {
    local _
    for _ in 1 2 3 4 5 6; do click "${hot_area[@]}"; sleep 0.2; done
    sleep 1.5
    xdotool type --delay 50 "$1"
    xdotool key Return
    sleep 1.5
}

# The camera's picture right of the panel and right of and below the stream cards.
picture_right=500x400+1250+250
picture_cards=300x300+1580+300
# A list's first entry (its dark grey with the text) and the stream cards' empty bottom rows.
list_entry=200x20+700+$(($(entry_y "${media_button[1]}" 0) - 10))
cards_bottom=900x8+600+680
finish() {
    kill -TERM "$app_pid"
    local status=0
    wait "$app_pid" || status=$?
    [ $status = 0 ] || fail "Corvix exited with status $status"
    echo "e2e settings ($mode) passed; screenshots in $screens"
}

# shellcheck disable=SC2119  # no arguments for Corvix
e2e_start_app
e2e_wait_picture
sleep 1

if [ "$mode" = bare ]; then
    click "${gear[@]}"
    sleep 1
    shot settings_panel.png
    check_bare "$screens/settings_panel.png" "$picture_right" 500x20+30+915 45 65
    click "${media_button[@]}"
    sleep 0.7
    shot settings_list.png
    check_bare "$screens/settings_list.png" "$picture_right" "$list_entry" 40 100
    xdotool key Escape  # the list
    sleep 0.3
    xdotool key Escape  # the panel
    sleep 1
    panel_shown && fail "Esc did not close the panel"
    unlock 481526
    panel_shown || fail "the multi-stream code did not open the panel"
    shot settings_streams.png
    check_bare "$screens/settings_streams.png" "$picture_cards" "$cards_bottom" 45 65
    check_bare "$screens/settings_streams.png" 900x150+600+740 "$cards_bottom" 45 65
    xdotool key Escape
    sleep 1
    finish
    exit 0
fi
h_start=$(caption_height)

# Camera page: the gear opens the panel over the left side.
click "${gear[@]}"
sleep 1
panel_shown || fail "the gear did not open the panel"
click "${media_button[@]}"
sleep 0.7
click "$list_x" "$(entry_y "${media_button[1]}" 1)"  # YUY2
sleep 1
click "${resolution_button[@]}"
sleep 0.7
click "$list_x" "$(entry_y "${resolution_button[1]}" 3)"  # 1280x720
sleep 1
shot settings_camera.png
click "${apply_button[@]}"
wait_log "stream 0 runs as 0\.YUY2\.1280x720\." || fail "stream 1 does not run as YUY2 1280x720"
grep -Eo "stream 0 runs as [^ ]+" "$work/app.log" | tail -n 1 | sed 's/^/app: /'
sleep 1
# A press on the picture outside the panel closes it.
click "${outside[@]}"
sleep 1
panel_shown && fail "a press outside did not close the panel"
sleep 1
h_720=$(caption_height)
echo "caption height: ${h_start}px at 1080 lines, ${h_720}px at 720 lines"
awk -v a="$h_start" -v b="$h_720" 'BEGIN { exit !(b > 0.6 * a && b < 0.9 * a) }' ||
    fail "the picture is not 720 lines high (caption ${h_720}px, was ${h_start}px)"
shot live_yuy2_720.png

# Feature page with the advanced controls: every AI row, then face tracking on.
unlock 735094
click "${gear[@]}"
sleep 1
click "${tab_features[@]}"
sleep 1
shot settings_features.png
xdotool mousemove 300 600
for _ in $(seq 12); do xdotool click 5; done
sleep 1
shot settings_features_more.png
for _ in $(seq 12); do xdotool click 4; done
sleep 0.5
click 502 625  # the face tracking switch
sleep 1
shot settings_face_popup.png
xdotool key Escape  # the explanation popup
sleep 0.3
xdotool key Escape  # the panel
sleep 1.5
panel_shown && fail "Esc did not close the panel"
h_face=$(caption_height)
echo "caption height with face tracking: ${h_face}px"
awk -v a="$h_720" -v b="$h_face" 'BEGIN { exit !(b > 1.5 * a) }' || fail "the picture shows no face tracking"
shot live_face_tracking.png

# Device page.
click "${gear[@]}"
sleep 1
click "${tab_device[@]}"
sleep 1
shot settings_device.png
xdotool key Escape
sleep 1

# Three streams side by side.
unlock 481526
panel_shown || fail "the multi-stream code did not open the panel"
shot settings_streams.png
click "${tab_camera[@]}"
sleep 0.5
click "${apply_button[0]}" "${apply_button[1]}"
wait_log "stream 2 runs as 2\." || fail "stream 3 did not start"
sleep 1.5
click "${outside_cards[@]}"
sleep 1.5
panel_shown && fail "a press outside the cards did not close the panel"
shot three_streams.png
for crop in 700x400+1220+0 320x180+1600+900; do
    [ "$(brightness "$screens/three_streams.png" "$crop")" -gt 40 ] || fail "no picture in the sub-stream at $crop"
done

finish
