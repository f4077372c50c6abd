#!/usr/bin/env bash
# The menu entry and the software-centre description are valid.
#   package_check.sh SOURCE_DIR METAINFO_FILE
set -euo pipefail
source_dir=$1
metainfo=$2
for tool in desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null 2>&1 || { echo "package_check: $tool is missing (tools/deps.sh installs it)"; exit 1; }
done
desktop-file-validate "$source_dir/packaging/corvix.desktop"
grep -qx "Categories=AudioVideo;Video;Recorder;" "$source_dir/packaging/corvix.desktop"
appstreamcli validate --no-net --explain "$metainfo"
# The icon the entry names exists in the sizes a menu asks for.
for size in 16 24 32 48 64 128 256 512; do
    actual=$(identify -format "%wx%h" "$source_dir/packaging/icons/corvix_$size.png" 2>/dev/null || echo none)
    [ "$actual" = "${size}x$size" ] || { echo "icon corvix_$size.png is $actual"; exit 1; }
done
echo "desktop entry, metainfo and icons valid"
