// Writes a picture of any FFmpeg pixel format and size into a caller's planar YUV 4:2:0 buffer
// (BT.601, limited range) of a fixed size, scaling when the sizes differ.
#ifndef QEL_YUV420_WRITER_H
#define QEL_YUV420_WRITER_H

#include <cstddef>
#include <cstdint>

extern "C" {
#include <libavutil/pixfmt.h>
}

struct SwsContext;

class Yuv420Writer {
public:
    // One horizontal band of the source picture, rows [y, y + height).
    struct Slice {
        const uint8_t* planes[4];
        int strides[4];
        int y;
        int height;
    };

    Yuv420Writer(int width, int height);
    ~Yuv420Writer();
    Yuv420Writer(const Yuv420Writer&) = delete;
    Yuv420Writer& operator=(const Yuv420Writer&) = delete;

    // Bytes of one output frame: w*h + 2*(ceil(w/2)*ceil(h/2)); 0 when the size is out of range.
    static int64_t frameBytes(int width, int height);

    // Converts the source picture, given as consecutive top-to-bottom slices covering all of its
    // rows, into `out` (frameBytes(width, height) bytes). Nothing past that size is written.
    bool write(const Slice* slices, int sliceCount, int srcWidth, int srcHeight, AVPixelFormat srcFormat,
               bool srcFullRange, uint8_t* out);

private:
    // Same-size planar 8-bit 4:2:0 / 4:2:2 pictures (what cameras' JPEG and H.264 decode to) are
    // converted here without the scaler: range in 16-bit arithmetic the compiler vectorises,
    // 4:2:2 chroma rows halved with the same 1-3-3-1 tent the scaler's bilinear filter uses.
    bool writeSameSizePlanar(const Slice& slice, AVPixelFormat srcFormat, bool srcFullRange, uint8_t* out);
    bool prepare(int srcWidth, int srcHeight, AVPixelFormat srcFormat, bool srcFullRange);
    bool ensureStaging();

    const int m_width;
    const int m_height;
    const int m_chromaWidth;
    const int m_chromaHeight;

    SwsContext* m_sws = nullptr;
    int m_srcWidth = 0;
    int m_srcHeight = 0;
    AVPixelFormat m_srcFormat = AV_PIX_FMT_NONE;
    bool m_srcFullRange = false;

    // Padded planes used when the caller's buffer is not safe for the scaler's vector stores.
    uint8_t* m_staging = nullptr;
    int m_stagingStrides[3] = {0, 0, 0};
    uint8_t* m_stagingPlanes[3] = {nullptr, nullptr, nullptr};
};

#endif
