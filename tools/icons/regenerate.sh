#!/usr/bin/env bash
# Redraws the icon set: writes the SVG icons into resources/icons/ and renders the PNG icons from
# their SVG sources (tools/icons/png/) with icontool, then lists every file in resources/icons.qrc.
# Usage: tools/icons/regenerate.sh [build dir]   (icontool is built in <build dir>/icontool)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-${CORVIX_BUILD_DIR:-$root/build}}
icons=$root/resources/icons
sources=$root/tools/icons/png

python3 "$root/tools/icons/make_icons.py" "$icons" "$sources"

cmake -S "$root/tools/icons" -B "$build/icontool" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build/icontool" -j2 >/dev/null
tool=$build/icontool/icontool
export QT_QPA_PLATFORM=offscreen

# name of the PNG, size in pixels
while read -r name w h; do
    "$tool" render "$sources/$name.svg" "$icons/$name.png" "$w" "$h"
done <<'LIST'
select 32 32
streamSelect_check 16 16
streamSelect_normal 16 16
corvix_logo 256 256
LIST

{
    echo '<!DOCTYPE RCC><RCC version="1.0">'
    echo '<qresource prefix="/icons">'
    (cd "$icons" && ls -1 | LC_ALL=C sort) | while read -r f; do
        echo "    <file alias=\"$f\">icons/$f</file>"
    done
    echo '</qresource>'
    echo '</RCC>'
} >"$root/resources/icons.qrc"
echo "icons: $(ls -1 "$icons" | wc -l) files in resources/icons.qrc"
