// Uncompressed camera formats (YUY2, UYVY, NV12, I420, GREY, RGB24, BGR24), converted with the scaler.
#ifndef QEL_RAW_DECODER_H
#define QEL_RAW_DECODER_H

#include <vector>

#include "VideoDecoder.h"
#include "Yuv420Writer.h"

class RawDecoder : public VideoDecoder {
public:
    RawDecoder(int mediaType, int width, int height);

    // Bytes of one tightly packed input frame of this decoder's type and size.
    int64_t inputBytes() const { return m_inputBytes; }

protected:
    bool decodeFrame(const uint8_t* data, int size, uint8_t* out) override;

private:
    struct Layout {
        int planes = 0;
        int strides[3] = {0, 0, 0};
        int rows[3] = {0, 0, 0};
        int rowShift[3] = {0, 0, 0};  // log2 of picture rows per plane row
    };

    Yuv420Writer m_writer;
    AVPixelFormat m_format;
    bool m_fullRange;
    Layout m_layout;
    int64_t m_inputBytes = 0;
    int m_splitRow = 0;
    // The last rows of each frame are converted from this padded copy: the scaler's vector loads
    // may read a few bytes past a row, which must not happen at the end of the caller's buffer.
    std::vector<uint8_t> m_tail;
};

#endif
