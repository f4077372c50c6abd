#include "VideoEncoder.h"

#include <algorithm>
#include <cstdio>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
}

namespace qelds {

const RangeTables& RangeTables::get() {
    static const RangeTables tables = [] {
        RangeTables t;
        for (int i = 0; i < 256; ++i) {
            t.luma[i] = static_cast<uint8_t>(16 + (i * 219 + 127) / 255);
            t.chroma[i] = static_cast<uint8_t>(16 + (i * 224 + 127) / 255);
        }
        return t;
    }();
    return tables;
}

static std::string avError(int code) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {0};
    av_strerror(code, buf, sizeof buf);
    return buf;
}

VideoEncoder::~VideoEncoder() {
    close();
}

int VideoEncoder::defaultBitrate(int width, int height, int fps) {
    long long bits = static_cast<long long>(width) * height * fps / 14;
    return static_cast<int>(std::clamp<long long>(bits, 200000, 50000000));
}

bool VideoEncoder::open(int mediaType, int width, int height, int fps, int bps, int gop, std::string* error) {
    close();
    const char* name = mediaType == 3 ? "libx264" : "libx265";
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (!codec) {
        *error = std::string("encoder not available: ") + name;
        return false;
    }
    m_ctx = avcodec_alloc_context3(codec);
    m_frame = av_frame_alloc();
    m_packet = av_packet_alloc();
    if (!m_ctx || !m_frame || !m_packet) {
        *error = "out of memory";
        close();
        return false;
    }
    m_ctx->width = width;
    m_ctx->height = height;
    m_ctx->pix_fmt = AV_PIX_FMT_YUV420P;
    m_ctx->time_base = AVRational{1, fps};
    m_ctx->framerate = AVRational{fps, 1};
    m_ctx->bit_rate = bps;
    m_ctx->rc_max_rate = bps;
    m_ctx->rc_buffer_size = bps;
    m_ctx->gop_size = gop;
    m_ctx->keyint_min = gop;
    m_ctx->max_b_frames = 0;
    m_ctx->thread_count = width * height > 1920 * 1088 ? 2 : 1;
    m_ctx->color_range = AVCOL_RANGE_MPEG;
    m_ctx->colorspace = AVCOL_SPC_SMPTE170M;
    av_opt_set(m_ctx->priv_data, "preset", "ultrafast", 0);
    av_opt_set(m_ctx->priv_data, "tune", "zerolatency", 0);
    av_opt_set(m_ctx->priv_data, "forced-idr", "1", 0);  // a requested keyframe is an IDR picture
    if (mediaType == 3) {
        av_opt_set(m_ctx->priv_data, "x264-params", "scenecut=0:repeat-headers=1:annexb=1:log=-1", 0);
    } else {
        char params[160];
        std::snprintf(params, sizeof params,
                      "scenecut=0:repeat-headers=1:annexb=1:log-level=error:keyint=%d:min-keyint=%d", gop,
                      gop);
        av_opt_set(m_ctx->priv_data, "x265-params", params, 0);
    }
    int rc = avcodec_open2(m_ctx, codec, nullptr);
    if (rc < 0) {
        *error = std::string("cannot open ") + name + ": " + avError(rc);
        close();
        return false;
    }
    m_frame->format = AV_PIX_FMT_YUV420P;
    m_frame->width = width;
    m_frame->height = height;
    rc = av_frame_get_buffer(m_frame, 0);
    if (rc < 0) {
        *error = "cannot allocate a frame: " + avError(rc);
        close();
        return false;
    }
    m_pts = 0;
    m_needFull = true;
    return true;
}

void VideoEncoder::close() {
    avcodec_free_context(&m_ctx);
    av_frame_free(&m_frame);
    av_packet_free(&m_packet);
}

void VideoEncoder::convert(const YuvImage& image, Rect r) {
    const RangeTables& t = RangeTables::get();
    r = r.intersected(Rect{0, 0, m_ctx->width, m_ctx->height});
    if (r.empty())
        return;
    // Whole 2 x 2 chroma cells.
    int x0 = r.x & ~1, y0 = r.y & ~1;
    int x1 = std::min((r.x + r.w + 1) & ~1, m_ctx->width), y1 = std::min((r.y + r.h + 1) & ~1, m_ctx->height);
    for (int row = y0; row < y1; ++row) {
        const uint8_t* src = image.yRow(row);
        uint8_t* dst = m_frame->data[0] + static_cast<ptrdiff_t>(row) * m_frame->linesize[0];
        for (int x = x0; x < x1; ++x)
            dst[x] = t.luma[src[x]];
    }
    for (int row = y0; row < y1; row += 2) {
        const uint8_t* u0 = image.uRow(row);
        const uint8_t* u1 = image.uRow(std::min(row + 1, image.paddedHeight() - 1));
        const uint8_t* v0 = image.vRow(row);
        const uint8_t* v1 = image.vRow(std::min(row + 1, image.paddedHeight() - 1));
        uint8_t* du = m_frame->data[1] + static_cast<ptrdiff_t>(row / 2) * m_frame->linesize[1];
        uint8_t* dv = m_frame->data[2] + static_cast<ptrdiff_t>(row / 2) * m_frame->linesize[2];
        for (int cx = x0 / 2; cx < (x1 + 1) / 2; ++cx) {
            du[cx] = t.chroma[(u0[cx] + u1[cx] + 1) >> 1];
            dv[cx] = t.chroma[(v0[cx] + v1[cx] + 1) >> 1];
        }
    }
}

bool VideoEncoder::encode(const YuvImage& image, const DirtyRegion& dirty, bool keyframe,
                          const uint8_t** data, int* size, std::string* error) {
    if (!m_ctx)
        return false;
    int rc = av_frame_make_writable(m_frame);
    if (rc < 0) {
        *error = "frame not writable: " + avError(rc);
        return false;
    }
    if (m_needFull || dirty.all()) {
        convert(image, Rect{0, 0, m_ctx->width, m_ctx->height});
        m_needFull = false;
    } else {
        for (int i = 0; i < dirty.count(); ++i)
            convert(image, dirty.at(i));
    }
    m_frame->pts = m_pts++;
    m_frame->pict_type = keyframe ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    rc = avcodec_send_frame(m_ctx, m_frame);
    if (rc < 0) {
        *error = "encoding failed: " + avError(rc);
        return false;
    }
    av_packet_unref(m_packet);
    rc = avcodec_receive_packet(m_ctx, m_packet);
    if (rc == AVERROR(EAGAIN))
        return false;
    if (rc < 0) {
        *error = "encoding failed: " + avError(rc);
        return false;
    }
    *data = m_packet->data;
    *size = m_packet->size;
    return true;
}

}  // namespace qelds
