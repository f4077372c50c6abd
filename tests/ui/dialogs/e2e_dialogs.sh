#!/usr/bin/env bash
# The three dialogs over the live window under Xvfb (driver: corvix_e2e_dialogs): with a compositor,
# opened by clicks, the brightness slider dragged (the picture must brighten) and each closed with
# Esc; without one, each drawn with the live picture beside it (screenshots under bare/).
#   tests/ui/dialogs/e2e_dialogs.sh [build folder] [screenshot folder] [modes, default "compositor bare"]
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
build=${1:-${CORVIX_BUILD_DIR:-$root/build}}
shots=${2:-$root/out/screens}
modes=${3:-compositor bare}
# shellcheck source=tests/e2e/lib.sh
source "$root/tests/e2e/lib.sh"
e2e_modes dialogs "$build" "$shots"
app=$build/bin/corvix_e2e_dialogs

if [ "$mode" = bare ]; then
    e2e_init "$shots/bare"
else
    e2e_init "$shots" xcompmgr
fi
[ -x "$app" ] || { echo "e2e: $app not built" >&2; exit 2; }
# The X server is the only judge of compositing here, not the session this script runs in.
unset WAYLAND_DISPLAY
e2e_start_x "$mode"
# shellcheck disable=SC2119
e2e_start_app
e2e_wait_picture

# Waits for a line of the driver and prints it.
await() {
    local line=""
    for _ in $(seq 100); do
        line=$(grep -m 1 "^$1" "$work/app.log" || true)
        [ -n "$line" ] && break
        sleep 0.1
    done
    [ -n "$line" ] || fail "the driver did not report \"$1\""
    echo "$line"
}
click_button() {
    local x y
    read -r _ _ x y <<<"$(await "button $1 ")"
    xdotool mousemove "$x" "$y" click 1
}
# Mean brightness of a part of the picture no dialog covers.
picture_brightness() {
    import -window root "$work/picture.png"
    brightness "$work/picture.png" 400x400+1450+300
}
close_with_esc() {
    xdotool key Escape
    await "closed $1" >/dev/null
}

if [ "$mode" = bare ]; then
    # The dialogs open 590 px from the left (image 80 px from the top, 780 px high; control 300
    # and 550; record 280 and 480); their bottom margin is bare card.
    picture=450x400+1400+300
    for dialog in image:860 control:850 record:760; do
        name=${dialog%:*}
        click_button "$name"
        if [ "$name" = record ]; then sleep 1; else await "loaded $name" >/dev/null; fi
        sleep 0.5
        shot "dialog_$name.png"
        check_bare "$screens/dialog_$name.png" "$picture" "600x6+650+$((${dialog#*:} - 12))" 45 65
        close_with_esc "$name"
    done
    kill -0 "$app_pid" 2>/dev/null || fail "the driver ended early"
    echo "e2e passed without a compositor; screenshots in $screens"
    exit 0
fi

# Image settings: loads, then the brightness slider is dragged to its right end.
click_button image
await "loaded image" >/dev/null
sleep 0.5
shot dialog_image.png
before=$(picture_brightness)
read -r _ hx hy right <<<"$(await "brightness ")"
xdotool mousemove "$hx" "$hy" mousedown 1
for step in 1 2 3 4 5 6 7 8; do
    xdotool mousemove $((hx + (right - hx) * step / 8)) "$hy"
    sleep 0.05
done
xdotool mousemove $((right + 20)) "$hy" mouseup 1
after=$before
for _ in $(seq 20); do
    sleep 0.2
    after=$(picture_brightness)
    [ "$after" -gt $((before + 15)) ] && break
done
echo "picture brightness $before -> $after"
[ "$after" -gt $((before + 15)) ] || fail "the picture did not brighten ($before -> $after)"
close_with_esc image

click_button control
await "loaded control" >/dev/null
sleep 0.5
shot dialog_control.png
close_with_esc control

click_button record
sleep 1
shot dialog_record.png
close_with_esc record

kill -0 "$app_pid" 2>/dev/null || fail "the driver ended early"
echo "e2e passed; screenshots in $screens: dialog_image.png dialog_control.png dialog_record.png"
