#!/usr/bin/env bash
# Renders the whole widget kit at scale 1.0 on the dark background into one PNG, without a
# display. Builds the shot tool first when needed.
#   tools/gallery.sh [out.png]          (default out/gallery.png)
# CORVIX_BUILD_DIR chooses the build folder (default build/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVIX_BUILD_DIR:-$root/build}
out=${1:-$root/out/gallery.png}

if [ ! -f "$build/CMakeCache.txt" ]; then
    generator=()
    command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
    cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target corvix-widgetshot --parallel "$(nproc)" >/dev/null

mkdir -p "$(dirname "$out")"
QT_QPA_PLATFORM=offscreen "$build/bin/corvix-widgetshot" --scale 1.0 gallery "$out"
