#include "TestFrames.h"

#include <QtGlobal>
#include <cmath>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace TestFrames {

namespace {

// RGB, grey and the JPEG YUV formats are full range.
bool fullRange(AVPixelFormat f) {
    return f == AV_PIX_FMT_YUVJ420P || f == AV_PIX_FMT_YUVJ422P || f == AV_PIX_FMT_YUVJ444P ||
           f == AV_PIX_FMT_GRAY8 || f == AV_PIX_FMT_RGB24 || f == AV_PIX_FMT_BGR24;
}

// The JPEG formats' plain counterparts (the range is set apart).
AVPixelFormat plain(AVPixelFormat f) {
    return f == AV_PIX_FMT_YUVJ420P   ? AV_PIX_FMT_YUV420P
           : f == AV_PIX_FMT_YUVJ422P ? AV_PIX_FMT_YUV422P
           : f == AV_PIX_FMT_YUVJ444P ? AV_PIX_FMT_YUV444P
                                      : f;
}

void scale(const uint8_t* const src[4], const int srcStride[4], int w, int h, AVPixelFormat from,
           bool fromFull, uint8_t* const dst[4], const int dstStride[4], int tw, int th, AVPixelFormat to,
           bool toFull) {
    // Ranges must be known before initialisation: set later, the plain-copy path ignores them.
    SwsContext* sws = sws_alloc_context();
    av_opt_set_int(sws, "srcw", w, 0);
    av_opt_set_int(sws, "srch", h, 0);
    av_opt_set_int(sws, "src_format", plain(from), 0);
    av_opt_set_int(sws, "src_range", fromFull ? 1 : 0, 0);
    av_opt_set_int(sws, "dstw", tw, 0);
    av_opt_set_int(sws, "dsth", th, 0);
    av_opt_set_int(sws, "dst_format", plain(to), 0);
    av_opt_set_int(sws, "dst_range", toFull ? 1 : 0, 0);
    av_opt_set_int(sws, "sws_flags", SWS_BILINEAR, 0);
    const int ok = sws_init_context(sws, nullptr, nullptr);
    Q_ASSERT(ok >= 0);
    Q_UNUSED(ok);
    sws_scale(sws, src, srcStride, 0, h, dst, dstStride);
    sws_freeContext(sws);
}

}  // namespace

int yuv420Bytes(int width, int height) {
    return width * height + 2 * ((width + 1) / 2) * ((height + 1) / 2);
}

QByteArray rgbPattern(int width, int height, int index) {
    QByteArray rgb(width * height * 3, Qt::Uninitialized);
    auto* p = reinterpret_cast<uint8_t*>(rgb.data());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* px = p + (size_t(y) * width + x) * 3;
            const int bar = (x * 8 / width + index) % 8;
            if (y < height / 3) {  // colour bars
                px[0] = (bar & 1) ? 235 : 20;
                px[1] = (bar & 2) ? 220 : 30;
                px[2] = (bar & 4) ? 210 : 25;
            } else if (y < 2 * height / 3) {  // smooth gradients, moving with index
                px[0] = uint8_t((x * 255 / qMax(1, width - 1) + index * 7) & 0xff);
                px[1] = uint8_t(y * 255 / qMax(1, height - 1));
                px[2] = uint8_t(128 + 100 * std::sin((x + y + index * 3) * 0.05));
            } else {  // fine lines
                const uint8_t v = ((x / 2 + y / 3 + index) % 2) ? 200 : 60;
                px[0] = v;
                px[1] = uint8_t(255 - v);
                px[2] = v;
            }
        }
    }
    return rgb;
}

QByteArray convert(const QByteArray& picture, int width, int height, AVPixelFormat from, AVPixelFormat to) {
    // The scaler reads and writes a little past the ends of tightly packed pictures: padded copies.
    constexpr int kPadding = 4096;
    QByteArray input = picture;
    input.append(QByteArray(kPadding, 0));
    uint8_t* src[4];
    int srcStride[4];
    av_image_fill_arrays(src, srcStride, reinterpret_cast<const uint8_t*>(input.constData()), from, width,
                         height, 1);
    const int outBytes = av_image_get_buffer_size(to, width, height, 1);
    QByteArray out(outBytes + kPadding, Qt::Uninitialized);
    uint8_t* dst[4];
    int dstStride[4];
    av_image_fill_arrays(dst, dstStride, reinterpret_cast<uint8_t*>(out.data()), to, width, height, 1);
    scale(src, srcStride, width, height, from, fullRange(from), dst, dstStride, width, height, to,
          fullRange(to));
    out.truncate(outBytes);
    return out;
}

QVector<QByteArray> encode(const EncoderSettings& settings, int width, int height, int count) {
    QVector<QByteArray> packets;
    const AVCodec* codec = avcodec_find_encoder_by_name(settings.encoder);
    Q_ASSERT_X(codec, "encode", settings.encoder);
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    ctx->width = width;
    ctx->height = height;
    ctx->pix_fmt = settings.format;
    ctx->time_base = AVRational{1, 30};
    ctx->framerate = AVRational{30, 1};
    ctx->gop_size = settings.gop;
    ctx->max_b_frames = 0;
    ctx->thread_count = 1;
    if (codec->id == AV_CODEC_ID_MJPEG) {
        ctx->flags |= AV_CODEC_FLAG_QSCALE;
        ctx->global_quality = FF_QP2LAMBDA * 2;
        ctx->color_range = AVCOL_RANGE_JPEG;
    }
    if (settings.options && *settings.options) {
        av_opt_set_from_string(ctx->priv_data, settings.options, nullptr, "=", ":");
    }
    const int opened = avcodec_open2(ctx, codec, nullptr);
    Q_ASSERT(opened >= 0);
    Q_UNUSED(opened);
    AVFrame* frame = av_frame_alloc();
    AVPacket* pkt = av_packet_alloc();
    auto drain = [&] {
        while (avcodec_receive_packet(ctx, pkt) == 0) {
            packets.append(QByteArray(reinterpret_cast<const char*>(pkt->data), pkt->size));
            av_packet_unref(pkt);
        }
    };
    for (int i = 0; i < count; ++i) {
        const QByteArray picture =
            convert(rgbPattern(width, height, i), width, height, AV_PIX_FMT_RGB24, settings.format);
        uint8_t* src[4];
        int srcStride[4];
        av_image_fill_arrays(src, srcStride, reinterpret_cast<const uint8_t*>(picture.constData()),
                             settings.format, width, height, 1);
        frame->format = settings.format;
        frame->width = width;
        frame->height = height;
        av_frame_get_buffer(frame, 0);
        av_image_copy(frame->data, frame->linesize, const_cast<const uint8_t**>(src), srcStride,
                      settings.format, width, height);
        frame->pts = i;
        if (codec->id == AV_CODEC_ID_MJPEG) {
            frame->quality = ctx->global_quality;
        }
        avcodec_send_frame(ctx, frame);
        av_frame_unref(frame);
        drain();
    }
    avcodec_send_frame(ctx, nullptr);
    drain();
    av_packet_free(&pkt);
    av_frame_free(&frame);
    avcodec_free_context(&ctx);
    return packets;
}

QVector<QByteArray> referenceDecode(AVCodecID codecId, const QVector<QByteArray>& packets, int outWidth,
                                    int outHeight) {
    QVector<QByteArray> pictures;
    const AVCodec* codec = avcodec_find_decoder(codecId);
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    ctx->thread_count = 1;
    ctx->flags |= AV_CODEC_FLAG_LOW_DELAY;
    avcodec_open2(ctx, codec, nullptr);
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    for (const QByteArray& bytes : packets) {
        av_new_packet(pkt, bytes.size());
        std::memcpy(pkt->data, bytes.constData(), size_t(bytes.size()));
        avcodec_send_packet(ctx, pkt);
        av_packet_unref(pkt);
        QByteArray out;
        while (avcodec_receive_frame(ctx, frame) == 0) {
            out = QByteArray(yuv420Bytes(outWidth, outHeight), Qt::Uninitialized);
            uint8_t* dst[4];
            int dstStride[4];
            av_image_fill_arrays(dst, dstStride, reinterpret_cast<uint8_t*>(out.data()), AV_PIX_FMT_YUV420P,
                                 outWidth, outHeight, 1);
            const auto format = static_cast<AVPixelFormat>(frame->format);
            scale(frame->data, frame->linesize, frame->width, frame->height, format,
                  fullRange(format) || frame->color_range == AVCOL_RANGE_JPEG, dst, dstStride, outWidth,
                  outHeight, AV_PIX_FMT_YUV420P, false);
            av_frame_unref(frame);
        }
        pictures.append(out);
    }
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&ctx);
    return pictures;
}

double psnr(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size() || a.isEmpty()) {
        return 0;
    }
    double sum = 0;
    for (int i = 0; i < a.size(); ++i) {
        const double d = double(uint8_t(a[i])) - double(uint8_t(b[i]));
        sum += d * d;
    }
    if (sum == 0) {
        return 100;
    }
    return 10 * std::log10(255.0 * 255.0 * a.size() / sum);
}

}  // namespace TestFrames
