#!/usr/bin/env bash
# Redraws the pictures of the README in one go: a screenshot of every screen (the end-to-end
# run under Xvfb with the virtual camera, plus the widget kit) into docs/screens/, and the
# architecture diagram from docs/architecture.dot into docs/architecture.svg.
#   docs/make_docs.sh [build folder, default build/]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${CORVIX_BUILD_DIR:-$root/build}}
command -v dot >/dev/null 2>&1 || { echo "make_docs: dot is missing (tools/deps.sh installs graphviz)" >&2; exit 1; }
cmake --build "$build" --target corvix corvix_e2e_screens corvix-widgetshot corvix_e2e_dialogs \
    corvix_e2e_share >/dev/null
screens=$root/docs/screens
mkdir -p "$screens"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$root/tests/ui/main/e2e.sh" "$build" "$work/main" compositor
"$root/tests/ui/settings/e2e_settings.sh" "$build" "$work/settings" compositor
"$root/tests/ui/dialogs/e2e_dialogs.sh" "$build" "$work/dialogs" compositor
"$root/tests/share/e2e_share.sh" "$build" "$work/share" compositor
"$root/tests/ui/main/e2e.sh" "$build" "$work/main" bare
cp "$work"/main/compositor/*.png "$work"/settings/*.png "$work"/dialogs/*.png "$screens"/
cp "$work"/share/*.png "$screens"/
for png in "$work"/main/bare/*.png; do cp "$png" "$screens/bare_$(basename "$png")"; done
QT_QPA_PLATFORM=offscreen "$build/bin/corvix-widgetshot" --scale 1.0 gallery "$screens/widget_kit.png"
# Half size is plenty for a README and keeps the repository small.
for png in "$screens"/*.png; do
    convert "$png" -resize 50% -strip "$png"
done
dot -Tsvg "$root/docs/architecture.dot" -o "$root/docs/architecture.svg"
ls "$screens"
