#include "JpegEncoder.h"

#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

namespace qelds {

namespace {

const int kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                         12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                         35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                         58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// Base quantisation tables (natural order), scaled by quality.
const uint8_t kLumaQuant[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                                14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                                18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                                49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
const uint8_t kChromaQuant[64] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                                  24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                                  99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                                  99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

// The usual Huffman tables: code lengths 1-16 and the symbols in code order.
const uint8_t kDcBits[2][16] = {{0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0},
                                {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0}};
const uint8_t kDcVals[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
const uint8_t kAcBits[2][16] = {{0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 125},
                                {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 119}};
const uint8_t kAcVals[2][162] = {
    {0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07, 0x22,
     0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0, 0x24, 0x33,
     0x62, 0x72, 0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x34,
     0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55,
     0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76,
     0x77, 0x78, 0x79, 0x7a, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96,
     0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5,
     0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4,
     0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1,
     0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa},
    {0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61, 0x71, 0x13,
     0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33, 0x52, 0xf0, 0x15, 0x62,
     0x72, 0xd1, 0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18, 0x19, 0x1a, 0x26, 0x27, 0x28, 0x29,
     0x2a, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54,
     0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75,
     0x76, 0x77, 0x78, 0x79, 0x7a, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94,
     0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3,
     0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2,
     0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea,
     0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa}};

const float kAanScale[8] = {1.0f, 1.387039845f, 1.306562965f, 1.175875602f,
                            1.0f, 0.785694958f, 0.541196100f, 0.275899379f};

void buildCodes(const uint8_t* bits, const uint8_t* vals, uint16_t* codes, uint8_t* lens) {
    int code = 0;
    int k = 0;
    for (int len = 1; len <= 16; ++len) {
        for (int i = 0; i < bits[len - 1]; ++i) {
            codes[vals[k]] = static_cast<uint16_t>(code);
            lens[vals[k]] = static_cast<uint8_t>(len);
            ++code;
            ++k;
        }
        code <<= 1;
    }
}

// Separable AAN forward DCT; outputs are scaled by the factors folded into the divisors.
inline void fdct1d(float* d, int s) {
    float t0 = d[0] + d[7 * s], t7 = d[0] - d[7 * s];
    float t1 = d[s] + d[6 * s], t6 = d[s] - d[6 * s];
    float t2 = d[2 * s] + d[5 * s], t5 = d[2 * s] - d[5 * s];
    float t3 = d[3 * s] + d[4 * s], t4 = d[3 * s] - d[4 * s];
    float t10 = t0 + t3, t13 = t0 - t3, t11 = t1 + t2, t12 = t1 - t2;
    d[0] = t10 + t11;
    d[4 * s] = t10 - t11;
    float z1 = (t12 + t13) * 0.707106781f;
    d[2 * s] = t13 + z1;
    d[6 * s] = t13 - z1;
    t10 = t4 + t5;
    t11 = t5 + t6;
    t12 = t6 + t7;
    float z5 = (t10 - t12) * 0.382683433f;
    float z2 = 0.541196100f * t10 + z5;
    float z4 = 1.306562965f * t12 + z5;
    float z3 = t11 * 0.707106781f;
    float z11 = t7 + z3, z13 = t7 - z3;
    d[5 * s] = z13 + z2;
    d[3 * s] = z13 - z2;
    d[s] = z11 + z4;
    d[7 * s] = z11 - z4;
}

inline int bitCount(int v) {
    return v == 0 ? 0 : 32 - __builtin_clz(static_cast<unsigned>(v));
}

}  // namespace

// Writes into a buffer the caller made large enough for a whole interval.
struct JpegEncoder::BitWriter {
    uint8_t* p;
    uint64_t acc = 0;
    int bits = 0;
    inline void put(uint32_t code, int len) {
        acc = (acc << len) | (code & ((1u << len) - 1));
        bits += len;
        while (bits >= 8) {
            const uint8_t byte = static_cast<uint8_t>(acc >> (bits - 8));
            *p++ = byte;
            if (byte == 0xFF)
                *p++ = 0;
            bits -= 8;
        }
    }
    void flush() {
        if (bits > 0)
            put(0x7F, 8 - bits);  // pad with one bits
    }
};

JpegEncoder::JpegEncoder() {
    for (int t = 0; t < 2; ++t) {
        buildCodes(kDcBits[t], kDcVals, m_dcCode[t], m_dcLen[t]);
        std::memset(m_acLen[t], 0, sizeof m_acLen[t]);
        buildCodes(kAcBits[t], kAcVals[t], m_acCode[t], m_acLen[t]);
    }
}

void JpegEncoder::setup(int width, int height, int quality) {
    m_width = width;
    m_height = height;
    m_mcuCols = (width + 15) / 16;
    m_mcuRows = (height + 7) / 8;
    m_interval = 1;
    for (int r = 8; r >= 1; --r) {
        if (m_mcuCols % r == 0) {
            m_interval = r;
            break;
        }
    }
    m_intervalsPerRow = m_mcuCols / m_interval;
    // At most 16 + 10 bits for each of a block's 64 coefficients, every byte possibly stuffed.
    m_scratch.assign(static_cast<size_t>(m_interval) * 4 * 64 * 26 / 8 * 2 + 16, 0);
    quality = quality < 1 ? 1 : (quality > 100 ? 100 : quality);
    int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    for (int t = 0; t < 2; ++t) {
        const uint8_t* base = t == 0 ? kLumaQuant : kChromaQuant;
        for (int i = 0; i < 64; ++i) {
            int q = (base[i] * scale + 50) / 100;
            q = q < 1 ? 1 : (q > 255 ? 255 : q);
            m_quant[t][i] = static_cast<uint8_t>(q);
            m_divisors[t][i] = 1.0f / (q * kAanScale[i / 8] * kAanScale[i % 8] * 8.0f);
        }
    }
    size_t count = static_cast<size_t>(m_intervalsPerRow) * m_mcuRows;
    m_segments.assign(count, {});
    m_dirty.assign(count, 1);
    buildHeader();
    m_output.reserve(m_header.size() + static_cast<size_t>(width) * height / 2);
}

void JpegEncoder::buildHeader() {
    std::vector<uint8_t>& h = m_header;
    h.clear();
    auto put16 = [&h](int v) {
        h.push_back(static_cast<uint8_t>(v >> 8));
        h.push_back(static_cast<uint8_t>(v));
    };
    h.insert(h.end(), {0xFF, 0xD8});
    h.insert(h.end(), {0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
    for (int t = 0; t < 2; ++t) {
        h.insert(h.end(), {0xFF, 0xDB});
        put16(67);
        h.push_back(static_cast<uint8_t>(t));
        for (int i = 0; i < 64; ++i)
            h.push_back(m_quant[t][kZigzag[i]]);
    }
    h.insert(h.end(), {0xFF, 0xC0});
    put16(17);
    h.push_back(8);
    put16(m_height);
    put16(m_width);
    h.insert(h.end(), {3, 1, 0x21, 0, 2, 0x11, 1, 3, 0x11, 1});
    for (int cls = 0; cls < 2; ++cls) {
        for (int t = 0; t < 2; ++t) {
            const uint8_t* bits = cls == 0 ? kDcBits[t] : kAcBits[t];
            const uint8_t* vals = cls == 0 ? kDcVals : kAcVals[t];
            int n = 0;
            for (int i = 0; i < 16; ++i)
                n += bits[i];
            h.insert(h.end(), {0xFF, 0xC4});
            put16(3 + 16 + n);
            h.push_back(static_cast<uint8_t>(cls << 4 | t));
            h.insert(h.end(), bits, bits + 16);
            h.insert(h.end(), vals, vals + n);
        }
    }
    h.insert(h.end(), {0xFF, 0xDD});
    put16(4);
    put16(m_interval);
    h.insert(h.end(), {0xFF, 0xDA});
    put16(12);
    h.insert(h.end(), {3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0});
}

void JpegEncoder::markDirty(const Rect& r) {
    if (r.empty() || m_mcuCols == 0)
        return;
    int mx0 = std::max(0, r.x / 16), mx1 = std::min(m_mcuCols - 1, (r.x + r.w - 1) / 16);
    int my0 = std::max(0, r.y / 8), my1 = std::min(m_mcuRows - 1, (r.y + r.h - 1) / 8);
    for (int my = my0; my <= my1; ++my) {
        for (int i = mx0 / m_interval; i <= mx1 / m_interval; ++i)
            m_dirty[my * m_intervalsPerRow + i] = 1;
    }
}

void JpegEncoder::markDirty(const DirtyRegion& region) {
    if (region.all()) {
        markAllDirty();
        return;
    }
    for (int i = 0; i < region.count(); ++i)
        markDirty(region.at(i));
}

void JpegEncoder::markAllDirty() {
    std::fill(m_dirty.begin(), m_dirty.end(), 1);
}

#if defined(__SSE2__)

namespace {

// The AAN butterfly on eight vectors: four columns (or rows) at once.
inline void fdct8(__m128* d) {
    const __m128 c707 = _mm_set1_ps(0.707106781f);
    const __m128 c382 = _mm_set1_ps(0.382683433f);
    const __m128 c541 = _mm_set1_ps(0.541196100f);
    const __m128 c1306 = _mm_set1_ps(1.306562965f);
    __m128 t0 = _mm_add_ps(d[0], d[7]), t7 = _mm_sub_ps(d[0], d[7]);
    __m128 t1 = _mm_add_ps(d[1], d[6]), t6 = _mm_sub_ps(d[1], d[6]);
    __m128 t2 = _mm_add_ps(d[2], d[5]), t5 = _mm_sub_ps(d[2], d[5]);
    __m128 t3 = _mm_add_ps(d[3], d[4]), t4 = _mm_sub_ps(d[3], d[4]);
    __m128 t10 = _mm_add_ps(t0, t3), t13 = _mm_sub_ps(t0, t3);
    __m128 t11 = _mm_add_ps(t1, t2), t12 = _mm_sub_ps(t1, t2);
    d[0] = _mm_add_ps(t10, t11);
    d[4] = _mm_sub_ps(t10, t11);
    __m128 z1 = _mm_mul_ps(_mm_add_ps(t12, t13), c707);
    d[2] = _mm_add_ps(t13, z1);
    d[6] = _mm_sub_ps(t13, z1);
    t10 = _mm_add_ps(t4, t5);
    t11 = _mm_add_ps(t5, t6);
    t12 = _mm_add_ps(t6, t7);
    __m128 z5 = _mm_mul_ps(_mm_sub_ps(t10, t12), c382);
    __m128 z2 = _mm_add_ps(_mm_mul_ps(c541, t10), z5);
    __m128 z4 = _mm_add_ps(_mm_mul_ps(c1306, t12), z5);
    __m128 z3 = _mm_mul_ps(t11, c707);
    __m128 z11 = _mm_add_ps(t7, z3), z13 = _mm_sub_ps(t7, z3);
    d[5] = _mm_add_ps(z13, z2);
    d[3] = _mm_sub_ps(z13, z2);
    d[1] = _mm_add_ps(z11, z4);
    d[7] = _mm_sub_ps(z11, z4);
}

// Row r of the block is lo[r] (columns 0-3) and hi[r] (columns 4-7).
inline void transpose8x8(__m128* lo, __m128* hi) {
    _MM_TRANSPOSE4_PS(lo[0], lo[1], lo[2], lo[3]);
    _MM_TRANSPOSE4_PS(hi[4], hi[5], hi[6], hi[7]);
    _MM_TRANSPOSE4_PS(hi[0], hi[1], hi[2], hi[3]);
    _MM_TRANSPOSE4_PS(lo[4], lo[5], lo[6], lo[7]);
    for (int i = 0; i < 4; ++i) {
        const __m128 t = hi[i];
        hi[i] = lo[4 + i];
        lo[4 + i] = t;
    }
}

}  // namespace

void JpegEncoder::transformBlock(const uint8_t* src, int stride, int table, int16_t* zigzag) const {
    const __m128i zero = _mm_setzero_si128();
    const __m128 bias = _mm_set1_ps(128.0f);
    __m128 lo[8];
    __m128 hi[8];
    for (int r = 0; r < 8; ++r) {
        const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + r * stride));
        const __m128i words = _mm_unpacklo_epi8(bytes, zero);
        lo[r] = _mm_sub_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(words, zero)), bias);
        hi[r] = _mm_sub_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(words, zero)), bias);
    }
    fdct8(lo);  // columns
    fdct8(hi);
    transpose8x8(lo, hi);
    fdct8(lo);  // rows
    fdct8(hi);
    transpose8x8(lo, hi);
    alignas(16) int16_t natural[64];
    const float* div = m_divisors[table];
    for (int r = 0; r < 8; ++r) {
        // Rounded to nearest as lrintf does.
        const __m128i a = _mm_cvtps_epi32(_mm_mul_ps(lo[r], _mm_loadu_ps(div + r * 8)));
        const __m128i b = _mm_cvtps_epi32(_mm_mul_ps(hi[r], _mm_loadu_ps(div + r * 8 + 4)));
        _mm_store_si128(reinterpret_cast<__m128i*>(natural + r * 8), _mm_packs_epi32(a, b));
    }
    for (int k = 0; k < 64; ++k)
        zigzag[k] = natural[kZigzag[k]];
}

#else

void JpegEncoder::transformBlock(const uint8_t* src, int stride, int table, int16_t* zigzag) const {
    float d[64];
    for (int r = 0; r < 8; ++r) {
        const uint8_t* p = src + r * stride;
        for (int c = 0; c < 8; ++c)
            d[r * 8 + c] = static_cast<float>(p[c]) - 128.0f;
    }
    for (int r = 0; r < 8; ++r)
        fdct1d(d + r * 8, 1);
    for (int c = 0; c < 8; ++c)
        fdct1d(d + c, 8);
    const float* div = m_divisors[table];
    for (int k = 0; k < 64; ++k)
        zigzag[k] = static_cast<int16_t>(std::lrintf(d[kZigzag[k]] * div[kZigzag[k]]));
}

#endif

namespace {

// Bit k set when coefficient k is not zero.
inline uint64_t nonZeroMask(const int16_t* q) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    uint64_t zeros = 0;
    for (int i = 0; i < 4; ++i) {
        const __m128i a = _mm_cmpeq_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(q + 16 * i)), zero);
        const __m128i b =
            _mm_cmpeq_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(q + 16 * i + 8)), zero);
        zeros |= uint64_t(uint32_t(_mm_movemask_epi8(_mm_packs_epi16(a, b)))) << (16 * i);
    }
    return ~zeros;
#else
    uint64_t mask = 0;
    for (int k = 63; k >= 0; --k)
        mask = mask << 1 | (q[k] != 0);
    return mask;
#endif
}

}  // namespace

void JpegEncoder::encodeBlock(BitWriter& bw, const uint8_t* src, int stride, int table, int* lastDc) {
    alignas(16) int16_t q[64];
    transformBlock(src, stride, table, q);

    int dc = q[0];
    int diff = dc - *lastDc;
    *lastDc = dc;
    int n = bitCount(diff < 0 ? -diff : diff);
    bw.put(m_dcCode[table][n], m_dcLen[table][n]);
    if (n)
        bw.put(static_cast<uint32_t>(diff < 0 ? diff - 1 : diff), n);

    // The non-zero AC coefficients in zig-zag order as bits: runs of zeros are skipped whole.
    uint64_t nonZero = nonZeroMask(q) & ~uint64_t(1);
    int last = 0;
    while (nonZero) {
        const int k = __builtin_ctzll(nonZero);
        nonZero &= nonZero - 1;
        int run = k - last - 1;
        last = k;
        while (run > 15) {
            bw.put(m_acCode[table][0xF0], m_acLen[table][0xF0]);
            run -= 16;
        }
        const int v = q[k];
        int bits = bitCount(v < 0 ? -v : v);
        if (bits > 10)
            bits = 10;  // cannot happen with 8-bit samples; keeps the table lookup safe
        const int sym = run << 4 | bits;
        bw.put(m_acCode[table][sym], m_acLen[table][sym]);
        bw.put(static_cast<uint32_t>(v < 0 ? v - 1 : v), bits);
    }
    if (last != 63)
        bw.put(m_acCode[table][0x00], m_acLen[table][0x00]);
}

void JpegEncoder::encodeInterval(const YuvImage& image, int index, std::vector<uint8_t>* out) {
    BitWriter bw{m_scratch.data()};
    int my = index / m_intervalsPerRow;
    int mx0 = (index % m_intervalsPerRow) * m_interval;
    int dcY = 0, dcU = 0, dcV = 0;
    int yStride = image.paddedWidth();
    int cStride = yStride / 2;
    for (int mx = mx0; mx < mx0 + m_interval; ++mx) {
        const uint8_t* y = image.yRow(my * 8) + mx * 16;
        encodeBlock(bw, y, yStride, 0, &dcY);
        encodeBlock(bw, y + 8, yStride, 0, &dcY);
        encodeBlock(bw, image.uRow(my * 8) + mx * 8, cStride, 1, &dcU);
        encodeBlock(bw, image.vRow(my * 8) + mx * 8, cStride, 1, &dcV);
    }
    bw.flush();
    out->assign(m_scratch.data(), bw.p);
}

const std::vector<uint8_t>& JpegEncoder::encode(const YuvImage& image, int* size) {
    size_t count = m_segments.size();
    size_t total = m_header.size() + 2;
    for (size_t i = 0; i < count; ++i) {
        if (m_dirty[i]) {
            encodeInterval(image, static_cast<int>(i), &m_segments[i]);
            m_dirty[i] = 0;
        }
        total += m_segments[i].size() + 2;
    }
    m_output.resize(total);
    uint8_t* p = m_output.data();
    std::memcpy(p, m_header.data(), m_header.size());
    p += m_header.size();
    for (size_t i = 0; i < count; ++i) {
        const std::vector<uint8_t>& s = m_segments[i];
        std::memcpy(p, s.data(), s.size());
        p += s.size();
        if (i + 1 < count) {
            *p++ = 0xFF;
            *p++ = static_cast<uint8_t>(0xD0 + (i & 7));
        }
    }
    *p++ = 0xFF;
    *p++ = 0xD9;
    *size = static_cast<int>(p - m_output.data());
    return m_output;
}

}  // namespace qelds
