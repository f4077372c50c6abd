#include "ReplayPictures.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cstring>

namespace qelds {

namespace {

// Start, comment (2 bytes, then the sequence number), one quantisation table of ones, frame header
// (three components, luma 2x2), one DC table (categories 0 and 10), one AC table (end of block
// only), scan header. Height and width are patched in at kSizeOffset.
// clang-format off
const uint8_t kJpegHead[] = {
    0xff, 0xd8,                                                    // SOI
    0xff, 0xfe, 0x00, 0x08, 'r', 'p', 0, 0, 0, 0,                  // COM: the sequence number
    0xff, 0xdb, 0x00, 0x43, 0x00,                                  // DQT: 64 ones
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
    0xff, 0xc0, 0x00, 0x11, 0x08, 0, 0, 0, 0, 0x03,                // SOF0: height, width patched
    0x01, 0x22, 0x00, 0x02, 0x11, 0x00, 0x03, 0x11, 0x00,
    0xff, 0xc4, 0x00, 0x15, 0x00,                                  // DHT DC: "0" 0, "10" 10
    1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x0a,
    0xff, 0xc4, 0x00, 0x14, 0x10,                                  // DHT AC: "0" end of block
    1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00,
    0xff, 0xda, 0x00, 0x0c, 0x03, 0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x00, 0x3f, 0x00,  // SOS
};
// clang-format on
const uint32_t kSeqOffset = 8;
const uint32_t kSizeOffset = 2 + 10 + 69 + 5;

// The scan: the first luma block's DC difference is +576 (grey level 200 with quantiser 1),
// every other difference 0 and every block empty, so after 13 bits every block is "00".
uint32_t scanBits(uint32_t width, uint32_t height) {
    const uint32_t mcus = ((width + 15) / 16) * ((height + 15) / 16);
    return 13 + 6 * 2 * mcus - 2;
}

}  // namespace

void drawPackedPicture(uint8_t* m, uint32_t used, uint32_t fourcc, uint32_t width, uint32_t bytesPerLine,
                       uint32_t seq) {
    if (width < 2 || bytesPerLine < width * 2) {
        std::memset(m, int(seq & 0xff), used);
        return;
    }
    // A grey ramp, brightest on the right, crossed by a dark bar that moves with the sequence
    // number. One row is drawn, the others copied from it.
    const bool yFirst = fourcc == V4L2_PIX_FMT_YUYV;
    const uint32_t bar = (seq * 8) % width;
    const uint32_t row = std::min(used, width * 2);
    for (uint32_t x = 0; x < row / 2; ++x) {
        const bool inBar = (x + width - bar) % width < std::max(2u, width / 16);
        const uint8_t luma = inBar ? 40 : uint8_t(120 + (x * 115) / width);
        m[x * 2 + (yFirst ? 0 : 1)] = luma;
        m[x * 2 + (yFirst ? 1 : 0)] = 128;
    }
    if (bytesPerLine > row && used > row)
        std::memset(m + row, 128, std::min(used, bytesPerLine) - row);
    for (uint32_t offset = bytesPerLine; offset < used; offset += bytesPerLine)
        std::memcpy(m + offset, m, std::min(bytesPerLine, used - offset));
}

uint32_t replayJpegBytes(uint32_t width, uint32_t height) {
    return uint32_t(sizeof kJpegHead) + (scanBits(width, height) + 7) / 8 + 2;
}

uint32_t writeReplayJpeg(uint8_t* m, uint32_t capacity, uint32_t width, uint32_t height, uint32_t seq) {
    const uint32_t total = replayJpegBytes(width, height);
    if (width == 0 || height == 0 || width > 0xffff || height > 0xffff || capacity < total)
        return 0;
    std::memcpy(m, kJpegHead, sizeof kJpegHead);
    std::memcpy(m + kSeqOffset, &seq, sizeof seq);
    m[kSizeOffset] = uint8_t(height >> 8);
    m[kSizeOffset + 1] = uint8_t(height);
    m[kSizeOffset + 2] = uint8_t(width >> 8);
    m[kSizeOffset + 3] = uint8_t(width);
    uint8_t* scan = m + sizeof kJpegHead;
    const uint32_t bits = scanBits(width, height);
    const uint32_t bytes = (bits + 7) / 8;
    std::memset(scan, 0, bytes);
    scan[0] = 0xa4;  // "10" (category 10), "1001000000" (576), "0" (end of block), ...
    if (bits % 8)
        scan[bytes - 1] |= uint8_t((1u << (8 - bits % 8)) - 1);  // padded with ones
    scan[bytes] = 0xff;
    scan[bytes + 1] = 0xd9;  // EOI
    return total;
}

}  // namespace qelds
