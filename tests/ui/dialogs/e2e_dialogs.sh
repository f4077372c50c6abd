#!/usr/bin/env bash
# End to end under Xvfb with a compositor and the virtual camera: the live window with a stand-in
# for the camera feature page (corvix_e2e_dialogs). Opens the three dialogs by clicking, drags the
# brightness slider and checks that the live picture gets brighter, closes each dialog with Esc,
# and saves dialog_image.png, dialog_control.png and dialog_record.png.
#   tests/ui/dialogs/e2e_dialogs.sh [build folder, default build/] [screenshot folder, default out/screens]
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
build=${1:-${CORVIX_BUILD_DIR:-$root/build}}
shots=${2:-$root/out/screens}
app=$build/bin/corvix_e2e_dialogs

# shellcheck source=tests/e2e/lib.sh
source "$root/tests/e2e/lib.sh"
e2e_init "$shots" xcompmgr
[ -x "$app" ] || { echo "e2e: $app not built" >&2; exit 2; }
e2e_start_x compositor
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
