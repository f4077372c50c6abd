#include "VideoEncoder.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "MuxLog.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/buffer.h>
#include <libavutil/opt.h>
}

namespace qelmuxer {

VideoEncoder::~VideoEncoder() {
    av_packet_free(&m_packet);
    av_frame_free(&m_frame);
    avcodec_free_context(&m_ctx);
}

int VideoEncoder::frameBytes(int width, int height) {
    return width * height + 2 * ((width + 1) / 2) * ((height + 1) / 2);
}

bool VideoEncoder::open(int width, int height, int fps, int gop, std::string* error) {
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) {
        *error = "libx264 is not available";
        return false;
    }
    m_ctx = avcodec_alloc_context3(codec);
    m_frame = av_frame_alloc();
    m_packet = av_packet_alloc();
    if (!m_ctx || !m_frame || !m_packet) {
        *error = "out of memory";
        return false;
    }
    m_width = width;
    m_height = height;
    // 4:2:0 needs even sizes: an odd last column or row is left out.
    m_ctx->width = width & ~1;
    m_ctx->height = height & ~1;
    m_ctx->pix_fmt = AV_PIX_FMT_YUV420P;
    m_ctx->time_base = AVRational{1, kTimeBase};
    m_ctx->framerate = AVRational{fps, 1};
    m_ctx->gop_size = gop;
    m_ctx->max_b_frames = 0;
    m_ctx->thread_count = 2;
    m_ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    m_ctx->color_range = AVCOL_RANGE_MPEG;
    // The decoded frames are BT.601, limited range.
    m_ctx->colorspace = AVCOL_SPC_SMPTE170M;
    m_ctx->color_primaries = AVCOL_PRI_SMPTE170M;
    m_ctx->color_trc = AVCOL_TRC_SMPTE170M;
    // Real time on two cores next to the preview: the larger the picture, the faster the preset.
    int64_t pixelRate = int64_t(width) * height * fps;
    const char* preset = pixelRate <= int64_t(1280) * 720 * 30    ? "veryfast"
                         : pixelRate <= int64_t(1920) * 1088 * 30 ? "superfast"
                                                                  : "ultrafast";
    av_opt_set(m_ctx->priv_data, "preset", preset, 0);
    av_opt_set(m_ctx->priv_data, "crf", "23", 0);
    // Constant quality, but a noisy picture (a dark room) may not take more than about 0.12 bit
    // per pixel: 7.5 Mb/s for 1080p30. That bounds the file size and the encoding time.
    m_ctx->rc_max_rate = std::max<int64_t>(500000, pixelRate * 12 / 100);
    m_ctx->rc_buffer_size = int(std::min<int64_t>(m_ctx->rc_max_rate * 2, INT32_MAX));
    av_opt_set(m_ctx->priv_data, "x264-params", "log=0", 0);
    int ret = avcodec_open2(m_ctx, codec, nullptr);
    if (ret < 0) {
        char text[128];
        *error = std::string("cannot open libx264: ") + avErrorText(ret, text, sizeof text);
        return false;
    }
    return true;
}

bool VideoEncoder::fillParameters(AVCodecParameters* par) const {
    return m_ctx && avcodec_parameters_from_context(par, m_ctx) >= 0;
}

bool VideoEncoder::encode(uint8_t* data, int64_t pts, Release release, void* opaque) {
    int size = frameBytes(m_width, m_height);
    AVBufferRef* buf = av_buffer_create(data, size_t(size), release, opaque, 0);
    if (!buf) {
        release(opaque, data);
        return false;
    }
    int cw = (m_width + 1) / 2;
    int ch = (m_height + 1) / 2;
    m_frame->format = AV_PIX_FMT_YUV420P;
    m_frame->width = m_ctx->width;
    m_frame->height = m_ctx->height;
    m_frame->buf[0] = buf;
    m_frame->data[0] = data;
    m_frame->data[1] = data + m_width * m_height;
    m_frame->data[2] = data + m_width * m_height + cw * ch;
    m_frame->linesize[0] = m_width;
    m_frame->linesize[1] = m_frame->linesize[2] = cw;
    m_frame->pts = pts;
    int ret = avcodec_send_frame(m_ctx, m_frame);
    av_frame_unref(m_frame);
    if (ret < 0) {
        char text[128];
        logLine("H.264 encoding failed: %s", avErrorText(ret, text, sizeof text));
        return false;
    }
    return drain();
}

bool VideoEncoder::drain() {
    return drainEncoder(m_ctx, m_packet, m_sink);
}

bool VideoEncoder::flush() {
    if (!m_ctx) {
        return false;
    }
    avcodec_send_frame(m_ctx, nullptr);
    return drain();
}

}  // namespace qelmuxer
