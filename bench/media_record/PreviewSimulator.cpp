#include "PreviewSimulator.h"

#include <cmath>
#include <cstring>
#include <random>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

PreviewSimulator::PreviewSimulator(int width, int height) : m_width(width), m_height(height) {
    makeJpegs();
    const AVCodec* mjpeg = avcodec_find_decoder(AV_CODEC_ID_MJPEG);
    m_decoder = avcodec_alloc_context3(mjpeg);
    m_frame = av_frame_alloc();
    m_packet = av_packet_alloc();
    int cw = (width + 1) / 2, ch = (height + 1) / 2;
    m_yuv.assign(size_t(width * height + 2 * cw * ch), 0);
    m_white = m_yuv;
    std::memset(m_white.data(), 235, size_t(width * height));
    std::memset(m_white.data() + width * height, 128, size_t(2 * cw * ch));
    m_screen.assign(size_t(width * height * 4), 0);
    m_ready = m_jpegs.size() == 30 && m_decoder && avcodec_open2(m_decoder, mjpeg, nullptr) >= 0;
}

PreviewSimulator::~PreviewSimulator() {
    sws_freeContext(m_toYuv);
    sws_freeContext(m_toScreen);
    av_packet_free(&m_packet);
    av_frame_free(&m_frame);
    avcodec_free_context(&m_decoder);
}

void PreviewSimulator::makeJpegs() {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    AVCodecContext* enc = avcodec_alloc_context3(codec);
    enc->width = m_width;
    enc->height = m_height;
    enc->pix_fmt = AV_PIX_FMT_YUVJ422P;
    enc->time_base = AVRational{1, 30};
    enc->flags |= AV_CODEC_FLAG_QSCALE;
    enc->global_quality = 3 * FF_QP2LAMBDA;
    if (avcodec_open2(enc, codec, nullptr) < 0) {
        avcodec_free_context(&enc);
        return;
    }
    AVFrame* f = av_frame_alloc();
    f->format = AV_PIX_FMT_YUVJ422P;
    f->width = m_width;
    f->height = m_height;
    av_frame_get_buffer(f, 0);
    AVPacket* pkt = av_packet_alloc();
    std::mt19937 rng(1);
    std::vector<float> rowWave(static_cast<size_t>(m_width));
    for (int k = 0; k < 30; ++k) {
        double phase = k * 2 * M_PI / 30;
        for (int x = 0; x < m_width; ++x) {
            rowWave[size_t(x)] = float(std::sin(x / 55.0 + phase));
        }
        for (int y = 0; y < m_height; ++y) {
            float colWave = float(std::cos(y / 40.0 - phase));
            uint8_t* row = f->data[0] + y * f->linesize[0];
            for (int x = 0; x < m_width; ++x) {
                // Luma 40-140: the markers (white frames) stand out.
                int v = 90 + int(40 * rowWave[size_t(x)] * colWave) + int(rng() % 9) - 4;
                row[x] = uint8_t(v);
            }
            for (int x = 0; x < m_width / 2; ++x) {
                f->data[1][y * f->linesize[1] + x] = uint8_t(128 + (x + k * 8) % 40 - 20);
                f->data[2][y * f->linesize[2] + x] = uint8_t(128 + (y + k * 4) % 30 - 15);
            }
        }
        f->pts = k;
        if (avcodec_send_frame(enc, f) >= 0 && avcodec_receive_packet(enc, pkt) >= 0) {
            m_jpegs.emplace_back(pkt->data, pkt->data + pkt->size);
            av_packet_unref(pkt);
        }
    }
    av_packet_free(&pkt);
    av_frame_free(&f);
    avcodec_free_context(&enc);
}

bool PreviewSimulator::nextFrame(int index, bool flash) {
    const std::vector<uint8_t>& jpeg = m_jpegs[size_t(index) % m_jpegs.size()];
    m_packet->data = const_cast<uint8_t*>(jpeg.data());
    m_packet->size = int(jpeg.size());
    if (avcodec_send_packet(m_decoder, m_packet) < 0 || avcodec_receive_frame(m_decoder, m_frame) < 0) {
        return false;
    }
    int cw = (m_width + 1) / 2, ch = (m_height + 1) / 2;
    uint8_t* planes[4] = {m_yuv.data(), m_yuv.data() + m_width * m_height,
                          m_yuv.data() + m_width * m_height + cw * ch, nullptr};
    int strides[4] = {m_width, cw, cw, 0};
    // The camera's JPEG is full range: convert it to limited range as the decoder library does.
    auto format = AVPixelFormat(m_frame->format);
    bool fullRange = format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ420P ||
                     m_frame->color_range == AVCOL_RANGE_JPEG;
    if (format == AV_PIX_FMT_YUVJ422P) {
        format = AV_PIX_FMT_YUV422P;
    } else if (format == AV_PIX_FMT_YUVJ420P) {
        format = AV_PIX_FMT_YUV420P;
    }
    m_toYuv = sws_getCachedContext(m_toYuv, m_frame->width, m_frame->height, format, m_width, m_height,
                                   AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
    const int* coefficients = sws_getCoefficients(SWS_CS_ITU601);
    sws_setColorspaceDetails(m_toYuv, coefficients, fullRange ? 1 : 0, coefficients, 0, 0, 1 << 16, 1 << 16);
    sws_scale(m_toYuv, m_frame->data, m_frame->linesize, 0, m_frame->height, planes, strides);
    av_frame_unref(m_frame);
    if (flash) {
        m_yuv = m_white;
    }
    // The screen: the same frame converted to 32-bit RGB at the window's size.
    const uint8_t* src[4] = {planes[0], planes[1], planes[2], nullptr};
    uint8_t* dst[4] = {m_screen.data(), nullptr, nullptr, nullptr};
    int dstStride[4] = {m_width * 4, 0, 0, 0};
    m_toScreen = sws_getCachedContext(m_toScreen, m_width, m_height, AV_PIX_FMT_YUV420P, m_width, m_height,
                                      AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
    sws_scale(m_toScreen, src, strides, 0, m_height, dst, dstStride);
    return true;
}
