// Baseline JPEG encoder for planar 4:2:2 pictures (the layout webcams send as MJPEG).
// The entropy-coded data is cut into restart intervals of a few 16 x 8 blocks each; an interval
// is encoded again only when its part of the picture changed, so a mostly still scene costs
// little per frame.
#ifndef QELDS_VIRTUAL_JPEG_ENCODER_H
#define QELDS_VIRTUAL_JPEG_ENCODER_H

#include <cstdint>
#include <vector>

#include "YuvImage.h"

namespace qelds {

class JpegEncoder {
public:
    JpegEncoder();
    // quality 1-100 as usual for JPEG. Every interval starts dirty.
    void setup(int width, int height, int quality);
    void markDirty(const Rect& r);
    void markDirty(const DirtyRegion& region);
    void markAllDirty();
    // Encodes what changed and returns the complete JPEG (valid until the next call).
    const std::vector<uint8_t>& encode(const YuvImage& image, int* size);

private:
    struct BitWriter;
    void buildHeader();
    void encodeInterval(const YuvImage& image, int index, std::vector<uint8_t>* out);
    void encodeBlock(BitWriter& bw, const uint8_t* src, int stride, int table, int* lastDc);
    // Forward DCT and quantisation of one 8 x 8 block, the coefficients in zig-zag order.
    void transformBlock(const uint8_t* src, int stride, int table, int16_t* zigzag) const;

    int m_width = 0;
    int m_height = 0;
    int m_mcuCols = 0;
    int m_mcuRows = 0;
    int m_interval = 1;  // MCUs per restart interval; always divides m_mcuCols
    int m_intervalsPerRow = 0;
    float m_divisors[2][64];
    uint8_t m_quant[2][64];  // natural order
    uint16_t m_dcCode[2][12];
    uint8_t m_dcLen[2][12];
    uint16_t m_acCode[2][256];
    uint8_t m_acLen[2][256];
    std::vector<uint8_t> m_header;
    std::vector<std::vector<uint8_t>> m_segments;
    std::vector<uint8_t> m_dirty;
    std::vector<uint8_t> m_output;
    std::vector<uint8_t> m_scratch;  // one interval's coded data, before it is kept
};

}  // namespace qelds

#endif
