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
# The description names the menu entry the package installs (<id>.desktop) and is itself
# installed as <id>.metainfo.xml; no placeholder address is left in it.
id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$metainfo")
[ "$(basename "$metainfo")" = "$id.metainfo.xml" ] || { echo "metainfo file $(basename "$metainfo") is not named by its id $id"; exit 1; }
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || {
    echo "the metainfo's launchable is not $id.desktop"; exit 1;
}
if grep -n "example\.\(org\|com\)\|@[A-Z_]*@" "$metainfo"; then echo "placeholder left in the metainfo"; exit 1; fi
# The icon the entry names exists in the sizes a menu asks for.
for size in 16 24 32 48 64 128 256 512; do
    actual=$(identify -format "%wx%h" "$source_dir/packaging/icons/corvix_$size.png" 2>/dev/null || echo none)
    [ "$actual" = "${size}x$size" ] || { echo "icon corvix_$size.png is $actual"; exit 1; }
done
echo "desktop entry, metainfo and icons valid"
