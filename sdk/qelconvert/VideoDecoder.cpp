#include "VideoDecoder.h"

#include <QtGlobal>

#include "CodecDecoder.h"
#include "JpegDecoder.h"
#include "RawDecoder.h"
#include "Yuv420Writer.h"
#include "qeldefine.h"

VideoDecoder::VideoDecoder(int mediaType, int width, int height)
    : m_mediaType(mediaType),
      m_width(width),
      m_height(height),
      m_frameBytes(int(Yuv420Writer::frameBytes(width, height))) {}

std::unique_ptr<VideoDecoder> VideoDecoder::create(int mediaType, int width, int height) {
    if (Yuv420Writer::frameBytes(width, height) == 0) {
        qWarning("VideoDecoder::create bad size: %dx%d", width, height);
        return nullptr;
    }
    std::unique_ptr<VideoDecoder> decoder;
    switch (mediaType) {
        case QEL_MEDIA_MJPEG:
            decoder = JpegDecoder::create(width, height);
            break;
        case QEL_MEDIA_H264:
        case QEL_MEDIA_H265:
            decoder = CodecDecoder::create(mediaType, width, height);
            break;
        case QEL_MEDIA_YUY2:
        case QEL_MEDIA_NV12:
        case QEL_MEDIA_I420:
        case QEL_MEDIA_UYVY:
        case QEL_MEDIA_GREY:
        case QEL_MEDIA_RGB24:
        case QEL_MEDIA_BGR24:
            decoder = std::make_unique<RawDecoder>(mediaType, width, height);
            break;
        default:
            qWarning("VideoDecoder::create unsupported media type: %d", mediaType);
            break;
    }
    return decoder;
}

int VideoDecoder::decodePlanes(const uint8_t* data, int size, QELPlanarPicture* out) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return decodeFramePlanes(data, size, out);
}

bool VideoDecoder::decode(const uint8_t* data, int size, uint8_t* out) {
    if (!data || size <= 0 || !out) {
        return false;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    return decodeFrame(data, size, out);
}

bool VideoDecoder::shouldLogFailure() {
    const unsigned n = m_failures.fetch_add(1, std::memory_order_relaxed);
    return n < 5 || n % 300 == 0;
}
