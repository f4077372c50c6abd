#!/usr/bin/env bash
# Installs the Debian 12 packages Corvix needs to build, run and test (only what is missing).
# Works as root, or as a normal user with sudo.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qtbase5-dev qtbase5-dev-tools libqt5svg5-dev
    libavcodec-dev libavformat-dev libavutil-dev libswscale-dev libswresample-dev
    libjpeg62-turbo-dev libturbojpeg0-dev libyuv-dev
    portaudio19-dev libudev-dev libqrcodegencpp-dev nlohmann-json3-dev
    fonts-noto-cjk
    libxcb1-dev libxcb-xfixes0-dev
    xvfb xauth xdotool xcompmgr x11-utils imagemagick ffmpeg
    python3 openssl zbar-tools curl
    desktop-file-utils appstream graphviz
    clang libclang-rt-14-dev
    libexif-dev
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
else
    echo "deps.sh: missing packages (${missing[*]}) and neither root nor sudo" >&2
    exit 1
fi
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
