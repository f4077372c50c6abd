// libavcodec decoding of the frames a camera delivers, for checking them in tests.
#ifndef TESTS_QELDS_DECODER_H
#define TESTS_QELDS_DECODER_H

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
}

class Decoder {
public:
    // mediaType 1 (JPEG), 3 (H.264) or 4 (H.265).
    explicit Decoder(int mediaType) {
        const AVCodec* codec = avcodec_find_decoder(
            mediaType == 1 ? AV_CODEC_ID_MJPEG : (mediaType == 3 ? AV_CODEC_ID_H264 : AV_CODEC_ID_HEVC));
        m_ctx = avcodec_alloc_context3(codec);
        m_ctx->err_recognition = AV_EF_EXPLODE;  // damaged frames must fail, not conceal
        m_ctx->thread_count = 1;
        avcodec_open2(m_ctx, codec, nullptr);
    }
    ~Decoder() {
        avcodec_free_context(&m_ctx);
        av_frame_free(&m_frame);
        av_packet_free(&m_packet);
    }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    // True when the data decoded into a whole, undamaged picture; the picture's figures below.
    bool decode(const uint8_t* data, int size) {
        av_packet_unref(m_packet);
        if (av_new_packet(m_packet, size) < 0)
            return false;
        std::memcpy(m_packet->data, data, size_t(size));
        return avcodec_send_packet(m_ctx, m_packet) == 0 && avcodec_receive_frame(m_ctx, m_frame) == 0 &&
               !(m_frame->flags & AV_FRAME_FLAG_CORRUPT) && !m_frame->decode_error_flags;
    }
    bool decode(const std::vector<uint8_t>& data) { return decode(data.data(), int(data.size())); }
    int width() const { return m_frame->width; }
    int height() const { return m_frame->height; }
    int pixelFormat() const { return m_frame->format; }
    const uint8_t* lumaRow(int y) const { return m_frame->data[0] + y * m_frame->linesize[0]; }

private:
    AVCodecContext* m_ctx = nullptr;
    AVFrame* m_frame = av_frame_alloc();
    AVPacket* m_packet = av_packet_alloc();
};

// True when an Annex B frame holds an IDR (H.264) / IRAP (H.265) access unit.
inline bool isKeyAccessUnit(const std::vector<uint8_t>& d, int mediaType) {
    for (size_t i = 0; i + 3 < d.size(); ++i) {
        if (d[i] != 0 || d[i + 1] != 0 || d[i + 2] != 1)
            continue;
        const int type = mediaType == 3 ? (d[i + 3] & 0x1f) : ((d[i + 3] >> 1) & 0x3f);
        if (mediaType == 3 ? type == 5 : (type >= 16 && type <= 21))
            return true;
    }
    return false;
}

#endif
