#!/usr/bin/env bash
# End to end under Xvfb (with a compositor, then bare) with the virtual camera and the reference
# server over TLS: the update offer, the download (in the window, then in the background) to the
# install page, and a photo's QR code, which decodes to the server's /show link serving the photo.
# On the bare X server each window must be drawn with the live picture beside it.
#   tests/share/e2e_share.sh [build folder] [screenshot folder, default out/screens/share] [modes]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-${CORVIX_BUILD_DIR:-$root/build}}" && pwd)
screen_folder=${2:-$root/out/screens/share}
modes=${3:-compositor bare}
# shellcheck source=tests/e2e/lib.sh
source "$root/tests/e2e/lib.sh"
e2e_modes share "$build" "$screen_folder"
driver=$build/bin/corvix_e2e_share
server=$root/tools/corvix-server

if [ "$mode" = bare ]; then
    e2e_init "$screen_folder/bare" zbarimg curl python3 openssl md5sum
else
    e2e_init "$screen_folder" xcompmgr zbarimg curl python3 openssl md5sum
fi
[ -x "$driver" ] || { echo "e2e: $driver not built" >&2; exit 2; }

# The server: certificates, a package of 1.5 MB served at 300 KB/s (so the progress is seen),
# and a manifest announcing it as newer than the running 1.0.1(20260320).
"$server/make-certs.sh" "$work/certs" 127.0.0.1 localhost
mkdir -p "$work/packages"
head -c 1500000 /dev/urandom >"$work/packages/corvix_1.2.0_amd64.deb"
cat >"$work/manifest.json" <<JSON
{"apps": {"CorvixLinux": {"versionName": "1.2.0(20270101)", "urlLocal": "/packages/corvix_1.2.0_amd64.deb",
                          "fileSize": 1500000}}}
JSON
python3 "$server/corvix_server.py" --bind 127.0.0.1 --port 0 --port-file "$work/port" \
    --cert "$work/certs/server.pem" --key "$work/certs/server.key" --share-dir "$work/photos" \
    --manifest "$work/manifest.json" --packages "$work/packages" --rate 300000 >"$work/server.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
[ -s "$work/port" ] || fail "the reference server did not start"
base="https://127.0.0.1:$(head -n 1 "$work/port")"
export CORVIX_SHARE_URL=$base CORVIX_UPDATE_URL=$base CORVIX_CA_FILE=$work/certs/ca.pem
export XDG_CACHE_HOME=$HOME/.cache

# The X server is the only judge of compositing here, not the session this script runs in.
unset WAYLAND_DISPLAY
e2e_start_x "$mode"
"$driver" "$screens" >"$work/driver.log" 2>&1 || { cat "$work/driver.log" >&2; fail "share driver"; }
grep -E "^(saved|package|photo) " "$work/driver.log" | sed 's/^/driver: /'
if [ "$mode" = bare ]; then
    # Each window drawn (the upgrade window's dark body, the progress ring's outer edge right of
    # the disc at x 1790-1910, the white frame of the code) and the live picture beside it.
    check_bare "$screens/upgrade_offer.png" 400x400+180+300 500x8+700+455 40 65
    check_bare "$screens/upgrade_disc.png" 400x400+180+300 3x10+1902+85 150 220
    check_bare "$screens/share_qr.png" 400x400+200+300 300x8+810+362 230 255
fi

grep -q "^package .* verified$" "$work/driver.log" || fail "the package was not downloaded over verified TLS"
package=$(sed -n 's/^package \(.*\) verified$/\1/p' "$work/driver.log")
cmp -s "$package" "$work/packages/corvix_1.2.0_amd64.deb" || fail "the downloaded package differs from the server's"
grep -q '"GET /restapi/checkNew?app=CorvixLinux&ver=1.0.1(20260320)&scope=2 ' "$work/server.log" ||
    fail "the update check did not ask as CorvixLinux 1.0.1(20260320)"

# The code on the screen (inside the dialog's white frame) decodes to the photo's link.
photo=$(sed -n 's/^photo //p' "$work/driver.log")
md5=$(md5sum "$photo" | cut -d' ' -f1)
link=$(zbarimg --raw -q "$screens/share_qr.png" 2>/dev/null | head -n 1 || true)
if [ -z "$link" ]; then
    echo "e2e: the screenshot did not decode; reading the dialog's code image" >&2
    link=$(convert "$screens/share_qr_code.png" -bordercolor white -border 40 png:- | zbarimg --raw -q - | head -n 1 || true)
fi
[ "$link" = "$base/show?par=$md5" ] || fail "QR code reads '$link', expected $base/show?par=$md5"
curl -fsS --cacert "$CORVIX_CA_FILE" "$link" | grep -q "/photo/$md5.jpg" || fail "the /show page does not show the photo"
curl -fsS --cacert "$CORVIX_CA_FILE" -o "$work/fetched.jpg" "$base/photo/$md5.jpg" || fail "the photo cannot be fetched"
cmp -s "$work/fetched.jpg" "$photo" || fail "the served photo differs from the saved one"
echo "QR code $link serves $photo"
echo "e2e share passed; screenshots in $screens"
