#include "Decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

Decoder::Decoder(int mediaType) {
    AVCodecID id =
        mediaType == 1 ? AV_CODEC_ID_MJPEG : (mediaType == 3 ? AV_CODEC_ID_H264 : AV_CODEC_ID_HEVC);
    const AVCodec* codec = avcodec_find_decoder(id);
    m_ctx = avcodec_alloc_context3(codec);
    m_ctx->err_recognition = AV_EF_EXPLODE;  // damaged frames must fail, not conceal
    m_ctx->thread_count = 1;
    avcodec_open2(m_ctx, codec, nullptr);
    m_frame = av_frame_alloc();
    m_packet = av_packet_alloc();
}

Decoder::~Decoder() {
    avcodec_free_context(&m_ctx);
    av_frame_free(&m_frame);
    av_packet_free(&m_packet);
}

bool Decoder::decode(const std::vector<uint8_t>& data) {
    av_packet_unref(m_packet);
    if (av_new_packet(m_packet, static_cast<int>(data.size())) < 0)
        return false;
    std::copy(data.begin(), data.end(), m_packet->data);
    if (avcodec_send_packet(m_ctx, m_packet) < 0)
        return false;
    return avcodec_receive_frame(m_ctx, m_frame) == 0 && !(m_frame->flags & AV_FRAME_FLAG_CORRUPT) &&
           !m_frame->decode_error_flags;
}

int Decoder::width() const {
    return m_frame->width;
}

int Decoder::height() const {
    return m_frame->height;
}

int Decoder::pixelFormat() const {
    return m_frame->format;
}

bool Decoder::keyFrame() const {
    return m_frame->key_frame != 0;
}

double Decoder::meanLuma() const {
    double sum = 0;
    for (int y = 0; y < m_frame->height; ++y) {
        const uint8_t* row = m_frame->data[0] + y * m_frame->linesize[0];
        for (int x = 0; x < m_frame->width; ++x)
            sum += row[x];
    }
    return sum / (static_cast<double>(m_frame->width) * m_frame->height);
}

bool isKeyAccessUnit(const std::vector<uint8_t>& d, int mediaType) {
    for (size_t i = 0; i + 3 < d.size(); ++i) {
        if (d[i] == 0 && d[i + 1] == 0 && d[i + 2] == 1) {
            uint8_t h = d[i + 3];
            if (mediaType == 3 && (h & 0x1f) == 5)
                return true;
            if (mediaType == 4) {
                int type = (h >> 1) & 0x3f;
                if (type >= 16 && type <= 21)
                    return true;
            }
        }
    }
    return false;
}
