#!/usr/bin/env bash
# Draws every icon of resources/icons/ on the dark panel colour into one PNG, with its name.
# Usage: tools/icons/contact_sheet.sh [output.png] [build dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-$root/build/icons_contact_sheet.png}
build=${2:-${CORVIX_BUILD_DIR:-$root/build}}
cmake -S "$root/tools/icons" -B "$build/icontool" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build/icontool" -j2 >/dev/null
mkdir -p "$(dirname "$out")"
export QT_QPA_PLATFORM=offscreen
(cd "$root/resources/icons" && ls -1 | LC_ALL=C sort) | sed "s|^|$root/resources/icons/|" |
    xargs "$build/icontool/icontool" sheet "$out"
echo "$out"
