// A decoder of one camera stream into the caller's planar YUV 4:2:0 frame buffer.
#ifndef QEL_VIDEO_DECODER_H
#define QEL_VIDEO_DECODER_H

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "qelconvert_extra.h"

class VideoDecoder {
public:
    VideoDecoder(int mediaType, int width, int height);
    virtual ~VideoDecoder() = default;
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    // Builds the decoder for a media type code; null (logged) when the type is not supported
    // or the decoder cannot be opened.
    static std::unique_ptr<VideoDecoder> create(int mediaType, int width, int height);

    int mediaType() const { return m_mediaType; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    // Bytes of one decoded frame.
    int frameBytes() const { return m_frameBytes; }

    // Decodes one frame into `out` (frameBytes() bytes). Serialised per decoder, so a decoder
    // shared by mistake between threads stays consistent.
    bool decode(const uint8_t* data, int size, uint8_t* out);
    // Decodes into the decoder's own planes (valid until its next call): 1, 0 for a damaged frame,
    // -1 when this decoder or this frame needs decode(). Serialised like decode.
    int decodePlanes(const uint8_t* data, int size, QELPlanarPicture* out);

protected:
    virtual bool decodeFrame(const uint8_t* data, int size, uint8_t* out) = 0;
    virtual int decodeFramePlanes(const uint8_t*, int, QELPlanarPicture*) { return -1; }
    // Logs the first few failures of this decoder and then only every few hundredth, so a
    // camera sending broken frames does not flood the log.
    bool shouldLogFailure();

private:
    const int m_mediaType;
    const int m_width;
    const int m_height;
    const int m_frameBytes;
    std::mutex m_mutex;
    std::atomic<unsigned> m_failures{0};
};

#endif
