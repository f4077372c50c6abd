#!/usr/bin/env bash
# Builds Corvix and packs it as a Debian package in out/. The last line printed is the path of
# the .deb. CORVIX_BUILD_DIR chooses the build folder (default build/); extra arguments go to
# cmake (tools/build.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVIX_BUILD_DIR:-$root/build}
for tool in cpack dpkg-deb dpkg-shlibdeps; do
    command -v "$tool" >/dev/null 2>&1 || { echo "package.sh: $tool is missing (tools/deps.sh installs it)" >&2; exit 1; }
done
CORVIX_BUILD_DIR=$build "$root/tools/build.sh" "$@" >&2
mkdir -p "$root/out"
# The package is built from a fresh install tree, so files of an earlier layout never linger.
rm -rf "$build/_CPack_Packages"
(cd "$build" && cpack --config CPackConfig.cmake -B "$root/out") >&2
deb=$(ls -t "$root"/out/corvix_*.deb | head -n 1)
echo "$deb"
