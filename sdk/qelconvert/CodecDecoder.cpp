#include "CodecDecoder.h"

#include <QByteArray>
#include <QtGlobal>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
}

#include "qeldefine.h"

namespace {

AVCodecID codecId(int mediaType) {
    switch (mediaType) {
        case QEL_MEDIA_MJPEG:
            return AV_CODEC_ID_MJPEG;
        case QEL_MEDIA_H264:
            return AV_CODEC_ID_H264;
        case QEL_MEDIA_H265:
            return AV_CODEC_ID_HEVC;
        default:
            return AV_CODEC_ID_NONE;
    }
}

QByteArray errorText(int err) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(err, text, sizeof text);
    return QByteArray(text);
}

// A JPEG cut short (a USB transfer lost its end) still decodes in libavcodec, with the missing
// part left as whatever the reused picture buffer held. Complete frames have an end-of-image
// marker after the start of the scan; the coded data cannot contain one (0xFF is stuffed).
enum class JpegShape { NotJpeg, Incomplete, Complete };

JpegShape jpegShape(const uint8_t* data, int size) {
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) {
        return JpegShape::NotJpeg;
    }
    int sos = -1;
    for (int i = 2; i + 1 < size; ++i) {
        if (data[i] == 0xFF && data[i + 1] == 0xDA) {
            sos = i;
            break;
        }
    }
    if (sos < 0) {
        return JpegShape::NotJpeg;
    }
    for (int i = size - 2; i > sos; --i) {
        if (data[i] == 0xFF && data[i + 1] == 0xD9) {
            return JpegShape::Complete;
        }
    }
    return JpegShape::Incomplete;
}

constexpr int kIncompleteJpegsToAccept = 10;

}  // namespace

CodecDecoder::CodecDecoder(int mediaType, int width, int height)
    : VideoDecoder(mediaType, width, height),
      m_writer(width, height),
      m_needKeyframe(mediaType != QEL_MEDIA_MJPEG) {}

CodecDecoder::~CodecDecoder() {
    av_frame_free(&m_latest);
    av_frame_free(&m_frame);
    av_packet_free(&m_packet);
    av_buffer_unref(&m_packetBuffer);
    avcodec_free_context(&m_context);
}

std::unique_ptr<CodecDecoder> CodecDecoder::create(int mediaType, int width, int height) {
    std::unique_ptr<CodecDecoder> decoder(new CodecDecoder(mediaType, width, height));
    if (!decoder->open()) {
        return nullptr;
    }
    return decoder;
}

bool CodecDecoder::open() {
    const AVCodec* codec = avcodec_find_decoder(codecId(mediaType()));
    if (!codec) {
        qWarning("CodecDecoder: no decoder for media type %d", mediaType());
        return false;
    }
    m_context = avcodec_alloc_context3(codec);
    m_packet = av_packet_alloc();
    m_frame = av_frame_alloc();
    m_latest = av_frame_alloc();
    if (!m_context || !m_packet || !m_frame || !m_latest) {
        qWarning("CodecDecoder: out of memory");
        return false;
    }
    // The picture size comes from the stream; a declared size here would make the JPEG decoder
    // take a picture of under 3/4 of its height for one field of an interlaced frame.
    // libavcodec's own complaints about broken frames are demoted below the default log level:
    // this decoder logs its failures itself, rate-limited.
    m_context->log_level_offset = AV_LOG_VERBOSE - AV_LOG_ERROR;
    if (mediaType() == QEL_MEDIA_MJPEG) {
        m_context->thread_count = 1;
    } else {
        // A live picture wants each frame out as soon as its packet is in: no frame threads
        // (they hold frames back), no reordering delay; slices may still run in parallel.
        m_context->flags |= AV_CODEC_FLAG_LOW_DELAY;
        m_context->thread_type = FF_THREAD_SLICE;
        // H.265 runs on one thread: libavcodec 59's slice-threaded wavefront path dereferences
        // null on some malformed streams (found by the fuzz target), which a damaged USB transfer
        // could deliver.
        m_context->thread_count = mediaType() == QEL_MEDIA_H265 ? 1 : 0;
    }
    const int err = avcodec_open2(m_context, codec, nullptr);
    if (err < 0) {
        qWarning("CodecDecoder: cannot open %s: %s", codec->name, errorText(err).constData());
        return false;
    }
    return true;
}

bool CodecDecoder::fillPacket(const uint8_t* data, int size) {
    const size_t needed = size_t(size) + AV_INPUT_BUFFER_PADDING_SIZE;
    // A buffer the decoder still references cannot be overwritten; a fresh one is taken then.
    if (!m_packetBuffer || size_t(m_packetBuffer->size) < needed || !av_buffer_is_writable(m_packetBuffer)) {
        const size_t capacity = needed + needed / 2;
        av_buffer_unref(&m_packetBuffer);
        m_packetBuffer = av_buffer_alloc(capacity);
        if (!m_packetBuffer) {
            qWarning("CodecDecoder: out of memory for a %d byte packet", size);
            return false;
        }
    }
    std::memcpy(m_packetBuffer->data, data, size_t(size));
    std::memset(m_packetBuffer->data + size, 0, AV_INPUT_BUFFER_PADDING_SIZE);
    av_packet_unref(m_packet);
    m_packet->buf = m_packetBuffer;  // borrowed: detached again before unref
    m_packet->data = m_packetBuffer->data;
    m_packet->size = size;
    return true;
}

bool CodecDecoder::receiveLatest() {
    bool got = false;
    for (;;) {
        const int err = avcodec_receive_frame(m_context, m_frame);
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF) {
            break;
        }
        if (err < 0) {
            if (shouldLogFailure()) {
                qWarning("CodecDecoder: receive failed: %s", errorText(err).constData());
            }
            break;
        }
        if (m_needKeyframe && !m_frame->key_frame) {
            av_frame_unref(m_frame);
            continue;
        }
        m_needKeyframe = false;
        if (m_frame->width <= 0 || m_frame->height <= 0 || !m_frame->data[0]) {
            av_frame_unref(m_frame);
            continue;
        }
        av_frame_unref(m_latest);
        av_frame_move_ref(m_latest, m_frame);
        got = true;
    }
    return got;
}

bool CodecDecoder::decodeFrame(const uint8_t* data, int size, uint8_t* out) {
    if (mediaType() == QEL_MEDIA_MJPEG && !m_jpegWithoutEnd) {
        const JpegShape shape = jpegShape(data, size);
        // Bytes not shaped like a JPEG file go to libavcodec, which finds a picture in them or not.
        if (shape == JpegShape::Complete) {
            m_sawCompleteJpeg = true;
        } else if (shape == JpegShape::Incomplete && !m_sawCompleteJpeg &&
                   ++m_incompleteJpegs >= kIncompleteJpegsToAccept) {
            // Never one complete frame: a camera that leaves the marker out. Show its frames.
            qWarning("CodecDecoder: the camera's JPEG frames have no end marker; decoding them as they are");
            m_jpegWithoutEnd = true;
        } else if (shape == JpegShape::Incomplete) {
            if (shouldLogFailure()) {
                qWarning("CodecDecoder: incomplete JPEG frame of %d bytes dropped", size);
            }
            return false;
        }
    }
    if (!fillPacket(data, size)) {
        return false;
    }
    int err = avcodec_send_packet(m_context, m_packet);
    m_packet->buf = nullptr;  // the packet never owned our buffer
    bool got = false;
    if (err == AVERROR(EAGAIN)) {
        // Pictures still queued from earlier: take them, then the decoder accepts the packet.
        got = receiveLatest();
        m_packet->buf = m_packetBuffer;
        err = avcodec_send_packet(m_context, m_packet);
        m_packet->buf = nullptr;
    }
    if (err < 0 && err != AVERROR(EAGAIN)) {
        if (shouldLogFailure()) {
            qWarning("CodecDecoder: type %d rejected a %d byte frame: %s", mediaType(), size,
                     errorText(err).constData());
        }
    }
    got = receiveLatest() || got;
    av_packet_unref(m_packet);
    if (!got) {
        return false;
    }
    const Yuv420Writer::Slice slice = {
        {m_latest->data[0], m_latest->data[1], m_latest->data[2], m_latest->data[3]},
        {m_latest->linesize[0], m_latest->linesize[1], m_latest->linesize[2], m_latest->linesize[3]},
        0,
        m_latest->height};
    const int pictureWidth = m_latest->width;
    const int pictureHeight = m_latest->height;
    const bool ok =
        m_writer.write(&slice, 1, pictureWidth, pictureHeight, static_cast<AVPixelFormat>(m_latest->format),
                       m_latest->color_range == AVCOL_RANGE_JPEG, out);
    av_frame_unref(m_latest);
    if (!ok && shouldLogFailure()) {
        qWarning("CodecDecoder: cannot convert a %dx%d picture", pictureWidth, pictureHeight);
    }
    return ok;
}
