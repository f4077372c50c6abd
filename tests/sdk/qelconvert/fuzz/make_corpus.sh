#!/usr/bin/env bash
# Writes seed inputs for fuzz_qelconvert into the given folder: small valid frames of each
# compressed type made with the ffmpeg tool, framed as the fuzz target reads them.
set -euo pipefail
out=${1:?usage: make_corpus.sh <folder>}
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
encode() {  # name type-byte size-byte ffmpeg-args...
    local name=$1 type=$2 sizeIndex=$3
    shift 3
    ffmpeg -loglevel error -f lavfi -i testsrc=size=64x48:rate=30 -frames:v 3 "$@" "$tmp/$name"
    python3 - "$tmp/$name" "$out/$name.seed" "$type" "$sizeIndex" <<'PY'
import sys, struct
data = open(sys.argv[1], 'rb').read()
with open(sys.argv[2], 'wb') as f:
    f.write(bytes([int(sys.argv[3]), int(sys.argv[4])]))
    # One packet per seed keeps it simple; the fuzzer finds the packet boundaries itself.
    f.write(struct.pack('<H', min(len(data), 65535)))
    f.write(data[:65535])
PY
}
encode mjpeg.jpg 0 5 -c:v mjpeg -pix_fmt yuvj422p -f mjpeg
encode h264.264 2 5 -c:v libx264 -tune zerolatency -f h264
encode h265.265 3 5 -c:v libx265 -x265-params log-level=error -tune zerolatency -f hevc
echo "seeds in $out"
