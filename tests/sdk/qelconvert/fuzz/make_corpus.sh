#!/usr/bin/env bash
# Writes seed inputs for fuzz_qelconvert into the given folder: small valid frames of each
# compressed type made with the ffmpeg tool (MJPEG in 4:2:2, 4:2:0, 4:4:4 and without Huffman
# tables, at the declared size so the libjpeg path decodes them), framed as the fuzz target reads them.
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
encode mjpeg420.jpg 0 5 -c:v mjpeg -pix_fmt yuvj420p -f mjpeg
encode mjpeg444.jpg 0 5 -c:v mjpeg -pix_fmt yuvj444p -f mjpeg
# Without Huffman tables, as many cameras send it (standard tables, their segment left out).
encode mjpeg_nodht.jpg 0 5 -c:v mjpeg -pix_fmt yuvj422p -huffman default -f mjpeg
python3 - "$out/mjpeg_nodht.jpg.seed" <<'PY'
import sys
path = sys.argv[1]
seed = open(path, 'rb').read()
head, jpeg = seed[:4], seed[4:]
out, i = bytearray(jpeg[:2]), 2
while i + 4 <= len(jpeg):
    marker, length = jpeg[i + 1], int.from_bytes(jpeg[i + 2:i + 4], 'big')
    if marker == 0xDA:
        out += jpeg[i:]
        break
    if marker != 0xC4:
        out += jpeg[i:i + 2 + length]
    i += 2 + length
open(path, 'wb').write(head[:2] + len(out).to_bytes(2, 'little') + bytes(out))
PY
encode h264.264 2 5 -c:v libx264 -tune zerolatency -f h264
encode h265.265 3 5 -c:v libx265 -x265-params log-level=error -tune zerolatency -f hevc
echo "seeds in $out"
