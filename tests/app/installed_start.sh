#!/usr/bin/env bash
# Packs the build as a .deb, unpacks it into a scratch root (dpkg -x) and starts the program
# from there under Xvfb with the virtual camera: it must find its own libraries (never the build
# tree's), show the camera's picture, save into the user's folder and end cleanly on SIGTERM.
#   installed_start.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
root=$1
build=$2

# shellcheck source=tests/e2e/lib.sh
source "$root/tests/e2e/lib.sh"
e2e_init "$build/installed_start" cpack dpkg-deb readelf xcompmgr
deb_dir=$work/deb
(cd "$build" && cpack --config CPackConfig.cmake -B "$deb_dir" >"$work/cpack.log" 2>&1) || {
    cat "$work/cpack.log"; fail "cpack failed"
}
deb=$(ls "$deb_dir"/corvix_*.deb)
scratch=$work/root
dpkg-deb -x "$deb" "$scratch"
app=$scratch/usr/bin/corvix
[ -x "$app" ] || fail "no usr/bin/corvix in the package"
[ -f "$scratch/usr/lib/corvix/xu_map.json" ] || fail "xu_map.json is not beside the camera library"
metainfo=$(ls "$scratch"/usr/share/metainfo/*.metainfo.xml 2>/dev/null | head -n 1)
[ -n "$metainfo" ] || fail "no metainfo"
launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
[ -f "$scratch/usr/share/applications/$launchable" ] || fail "no desktop entry $launchable, which the metainfo names"
[ -f "$scratch/usr/share/icons/hicolor/scalable/apps/corvix.svg" ] || fail "no scalable icon"
rpath=$(readelf -d "$app" | sed -n 's/.*R\(UN\)\?PATH.*\[\(.*\)\]/\2/p')
[ "$rpath" = "\$ORIGIN/../lib/corvix" ] || fail "program's run path is '$rpath'"
if readelf -d "$scratch"/usr/lib/corvix/*.so | grep -q "$build"; then fail "a library points into the build tree"; fi
"$app" --version | grep -qx "Corvix 1.0.1(20260320)" || fail "--version from the installed path"

unset LD_LIBRARY_PATH
export XDG_STATE_HOME=$work/state
e2e_start_x compositor
e2e_start_app
e2e_wait_picture
shot installed.png
maps=$(cat "/proc/$app_pid/maps")
grep -q "$scratch/usr/lib/corvix/libqelds.so" <<<"$maps" || fail "the installed libqelds.so is not the one loaded"
if grep -q "$build/lib/" <<<"$maps"; then fail "a library of the build tree was loaded"; fi
[ -d "$saved" ] || fail "the save folder $saved was not created"
if [ -d "$scratch/usr/bin/output" ]; then
    # Root may write anywhere; a user must never find files in the install folder.
    [ "$(id -u)" -eq 0 ] || fail "the program wrote into its install folder"
    echo "note: running as root, the camera model made $scratch/usr/bin/output"
fi

kill -TERM "$app_pid"
status=0
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
wait "$app_pid" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status after SIGTERM"
grep -q "ended with exit code 0" "$XDG_STATE_HOME/corvix/last-run.log" || fail "no last-run log"
echo "installed package starts from $scratch, shows the picture and exits cleanly"
