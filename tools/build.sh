#!/usr/bin/env bash
# Configures and builds Corvix into build/ (or $CORVIX_BUILD_DIR). Extra arguments go to cmake.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVIX_BUILD_DIR:-$root/build}
generator=()
command -v ninja >/dev/null 2>&1 && [ ! -f "$build/Makefile" ] && generator=(-G Ninja)
cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
