#include "Yuv420Writer.h"

#include <QtGlobal>
#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace {

constexpr int kMaxDimension = 16384;
// The scaler's vector loops store whole registers; a destination row must be a multiple of
// this to be written in place without touching bytes past its end.
constexpr int kDirectRowMultiple = 64;
constexpr int kStagingAlign = 64;
constexpr int kStagingPadding = 256;

// The deprecated "J" formats are their plain twins in full range.
AVPixelFormat plainFormat(AVPixelFormat format, bool* fullRange) {
    switch (format) {
        case AV_PIX_FMT_YUVJ420P:
            *fullRange = true;
            return AV_PIX_FMT_YUV420P;
        case AV_PIX_FMT_YUVJ422P:
            *fullRange = true;
            return AV_PIX_FMT_YUV422P;
        case AV_PIX_FMT_YUVJ444P:
            *fullRange = true;
            return AV_PIX_FMT_YUV444P;
        case AV_PIX_FMT_YUVJ440P:
            *fullRange = true;
            return AV_PIX_FMT_YUV440P;
        case AV_PIX_FMT_YUVJ411P:
            *fullRange = true;
            return AV_PIX_FMT_YUV411P;
        default:
            return format;
    }
}

// floor(x / 255) for x up to 65279, in 16-bit operations.
inline uint16_t div255(uint16_t x) {
    return uint16_t((x + 1 + (x >> 8)) >> 8);
}

// The per-pixel loops run once per decoded pixel; built twice, the AVX2 copy is picked at load
// time where the processor has it (twice the lanes of the SSE2 baseline). Not in sanitizer builds:
// the loader runs the picking code before the sanitizer's runtime exists, and it crashes there.
#if defined(__x86_64__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__) && \
    !defined(__SANITIZE_ADDRESS__)
#define QEL_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define QEL_VECTOR_CLONES
#endif

// BT.601 full range to limited range, rounded: luma 0-255 to 16-235, chroma 0-255 to 16-240.
QEL_VECTOR_CLONES void lumaToLimited(const uint8_t* src, uint8_t* dst, int n) {
    for (int x = 0; x < n; ++x) {
        dst[x] = uint8_t(16 + div255(uint16_t(src[x] * 219 + 127)));
    }
}

QEL_VECTOR_CLONES void chromaToLimited(const uint8_t* src, uint8_t* dst, int n) {
    for (int x = 0; x < n; ++x) {
        dst[x] = uint8_t(div255(uint16_t(src[x] * 224 + 4095)));
    }
}

// One 4:2:0 chroma row from four 4:2:2 rows weighted 1, 3, 3, 1.
QEL_VECTOR_CLONES void chromaTent(const uint8_t* r0, const uint8_t* r1, const uint8_t* r2, const uint8_t* r3,
                                  uint8_t* dst, int n, bool toLimited) {
    if (toLimited) {
        for (int x = 0; x < n; ++x) {
            const uint16_t sum = uint16_t(r0[x] + 3 * (r1[x] + r2[x]) + r3[x]);
            dst[x] = uint8_t(div255(uint16_t(sum * 28 + 4095)));  // (sum / 8) to limited range
        }
    } else {
        for (int x = 0; x < n; ++x) {
            dst[x] = uint8_t((r0[x] + 3 * (r1[x] + r2[x]) + r3[x] + 4) >> 3);
        }
    }
}

int alignUp(int value, int alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

}  // namespace

Yuv420Writer::Yuv420Writer(int width, int height)
    : m_width(width), m_height(height), m_chromaWidth((width + 1) / 2), m_chromaHeight((height + 1) / 2) {}

Yuv420Writer::~Yuv420Writer() {
    sws_freeContext(m_sws);
    av_free(m_staging);
}

int64_t Yuv420Writer::frameBytes(int width, int height) {
    if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension) {
        return 0;
    }
    const int64_t w = width;
    const int64_t h = height;
    return w * h + 2 * (((w + 1) / 2) * ((h + 1) / 2));
}

bool Yuv420Writer::prepare(int srcWidth, int srcHeight, AVPixelFormat srcFormat, bool srcFullRange) {
    srcFormat = plainFormat(srcFormat, &srcFullRange);
    if (m_sws && srcWidth == m_srcWidth && srcHeight == m_srcHeight && srcFormat == m_srcFormat &&
        srcFullRange == m_srcFullRange) {
        return true;
    }
    sws_freeContext(m_sws);
    m_sws = nullptr;
    m_srcFormat = AV_PIX_FMT_NONE;
    if (srcWidth <= 0 || srcHeight <= 0 || srcWidth > kMaxDimension || srcHeight > kMaxDimension) {
        qWarning("Yuv420Writer: source size out of range: %dx%d", srcWidth, srcHeight);
        return false;
    }
    SwsContext* sws = sws_alloc_context();
    if (!sws) {
        qWarning("Yuv420Writer: sws_alloc_context failed");
        return false;
    }
    av_opt_set_int(sws, "srcw", srcWidth, 0);
    av_opt_set_int(sws, "srch", srcHeight, 0);
    av_opt_set_int(sws, "src_format", srcFormat, 0);
    av_opt_set_int(sws, "src_range", srcFullRange ? 1 : 0, 0);
    av_opt_set_int(sws, "dstw", m_width, 0);
    av_opt_set_int(sws, "dsth", m_height, 0);
    av_opt_set_int(sws, "dst_format", AV_PIX_FMT_YUV420P, 0);
    av_opt_set_int(sws, "dst_range", 0, 0);
    av_opt_set_int(sws, "sws_flags", SWS_BILINEAR, 0);
    if (sws_init_context(sws, nullptr, nullptr) < 0) {
        qWarning("Yuv420Writer: cannot convert %dx%d %s into %dx%d yuv420p", srcWidth, srcHeight,
                 av_get_pix_fmt_name(srcFormat) ? av_get_pix_fmt_name(srcFormat) : "?", m_width, m_height);
        sws_freeContext(sws);
        return false;
    }
    m_sws = sws;
    m_srcWidth = srcWidth;
    m_srcHeight = srcHeight;
    m_srcFormat = srcFormat;
    m_srcFullRange = srcFullRange;
    return true;
}

bool Yuv420Writer::ensureStaging() {
    if (m_staging) {
        return true;
    }
    const int strides[3] = {alignUp(m_width, kStagingAlign), alignUp(m_chromaWidth, kStagingAlign),
                            alignUp(m_chromaWidth, kStagingAlign)};
    const int rows[3] = {m_height, m_chromaHeight, m_chromaHeight};
    size_t total = 0;
    size_t offsets[3];
    for (int i = 0; i < 3; ++i) {
        offsets[i] = total;
        total += size_t(strides[i]) * size_t(rows[i]) + kStagingPadding;
    }
    m_staging = static_cast<uint8_t*>(av_malloc(total));
    if (!m_staging) {
        qWarning("Yuv420Writer: out of memory for %dx%d", m_width, m_height);
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        m_stagingStrides[i] = strides[i];
        m_stagingPlanes[i] = m_staging + offsets[i];
    }
    return true;
}

bool Yuv420Writer::writeSameSizePlanar(const Slice& slice, AVPixelFormat srcFormat, bool srcFullRange,
                                       uint8_t* out) {
    const bool vertical422 = srcFormat == AV_PIX_FMT_YUV422P;
    uint8_t* y = out;
    uint8_t* u = out + size_t(m_width) * m_height;
    uint8_t* v = u + size_t(m_chromaWidth) * m_chromaHeight;
    for (int row = 0; row < m_height; ++row) {
        const uint8_t* src = slice.planes[0] + ptrdiff_t(row) * slice.strides[0];
        uint8_t* dst = y + size_t(row) * m_width;
        if (srcFullRange) {
            lumaToLimited(src, dst, m_width);
        } else {
            std::memcpy(dst, src, size_t(m_width));
        }
    }
    for (int p = 1; p <= 2; ++p) {
        uint8_t* plane = p == 1 ? u : v;
        for (int row = 0; row < m_chromaHeight; ++row) {
            uint8_t* dst = plane + size_t(row) * m_chromaWidth;
            if (vertical422) {
                // 4:2:2 has a chroma row per picture row: the 4:2:0 row sits between rows 2k and
                // 2k+1 and weighs rows 2k-1 .. 2k+2 by 1, 3, 3, 1 (edges repeated).
                const int last = m_height - 1;
                const auto rowAt = [&](int r) {
                    return slice.planes[p] + ptrdiff_t(std::clamp(r, 0, last)) * slice.strides[p];
                };
                const uint8_t* r0 = rowAt(2 * row - 1);
                const uint8_t* r1 = rowAt(2 * row);
                const uint8_t* r2 = rowAt(2 * row + 1);
                const uint8_t* r3 = rowAt(2 * row + 2);
                chromaTent(r0, r1, r2, r3, dst, m_chromaWidth, srcFullRange);
            } else {
                const uint8_t* src = slice.planes[p] + ptrdiff_t(row) * slice.strides[p];
                if (srcFullRange) {
                    chromaToLimited(src, dst, m_chromaWidth);
                } else {
                    std::memcpy(dst, src, size_t(m_chromaWidth));
                }
            }
        }
    }
    return true;
}

bool Yuv420Writer::write(const Slice* slices, int sliceCount, int srcWidth, int srcHeight,
                         AVPixelFormat srcFormat, bool srcFullRange, uint8_t* out) {
    if (!out || !slices || sliceCount <= 0 || frameBytes(m_width, m_height) == 0) {
        return false;
    }
    const AVPixelFormat plain = plainFormat(srcFormat, &srcFullRange);
    if (sliceCount == 1 && slices[0].y == 0 && slices[0].height == srcHeight && srcWidth == m_width &&
        srcHeight == m_height &&
        (plain == AV_PIX_FMT_YUV420P || (plain == AV_PIX_FMT_YUV422P && srcHeight % 2 == 0))) {
        // (An odd number of 4:2:2 rows is rescaled rather than paired; the scaler does that.)
        return writeSameSizePlanar(slices[0], plain, srcFullRange, out);
    }
    if (!prepare(srcWidth, srcHeight, srcFormat, srcFullRange)) {
        return false;
    }
    uint8_t* outPlanes[3] = {out, out + size_t(m_width) * m_height,
                             out + size_t(m_width) * m_height + size_t(m_chromaWidth) * m_chromaHeight};
    const bool direct = m_chromaWidth % kDirectRowMultiple == 0 && m_width % kDirectRowMultiple == 0 &&
                        reinterpret_cast<uintptr_t>(out) % 16 == 0;
    uint8_t* dst[4] = {outPlanes[0], outPlanes[1], outPlanes[2], nullptr};
    int dstStrides[4] = {m_width, m_chromaWidth, m_chromaWidth, 0};
    if (!direct) {
        if (!ensureStaging()) {
            return false;
        }
        for (int i = 0; i < 3; ++i) {
            dst[i] = m_stagingPlanes[i];
            dstStrides[i] = m_stagingStrides[i];
        }
    }
    int nextRow = 0;
    for (int i = 0; i < sliceCount; ++i) {
        const Slice& s = slices[i];
        if (s.y != nextRow || s.height <= 0 || s.y + s.height > srcHeight) {
            qWarning("Yuv420Writer: slices do not cover the picture");
            return false;
        }
        if (sws_scale(m_sws, s.planes, s.strides, s.y, s.height, dst, dstStrides) < 0) {
            qWarning("Yuv420Writer: sws_scale failed");
            return false;
        }
        nextRow += s.height;
    }
    if (nextRow != srcHeight) {
        qWarning("Yuv420Writer: slices do not cover the picture");
        return false;
    }
    if (!direct) {
        const int widths[3] = {m_width, m_chromaWidth, m_chromaWidth};
        const int rows[3] = {m_height, m_chromaHeight, m_chromaHeight};
        for (int p = 0; p < 3; ++p) {
            for (int y = 0; y < rows[p]; ++y) {
                std::memcpy(outPlanes[p] + size_t(y) * widths[p], dst[p] + size_t(y) * dstStrides[p],
                            size_t(widths[p]));
            }
        }
    }
    return true;
}
