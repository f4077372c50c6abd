#include "PreviewSimulator.h"

#include <cmath>
#include <cstring>
#include <random>

#include <libyuv/convert_argb.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
}

#include "qelconvert.h"
#include "qeldefine.h"

PreviewSimulator::PreviewSimulator(int width, int height) : m_width(width), m_height(height) {
    makeJpegs();
    int cw = (width + 1) / 2, ch = (height + 1) / 2;
    m_yuv.assign(size_t(width * height + 2 * cw * ch), 0);
    m_white = m_yuv;
    std::memset(m_white.data(), 235, size_t(width * height));
    std::memset(m_white.data() + width * height, 128, size_t(2 * cw * ch));
    m_screen.assign(size_t(width * height * 4), 0);
    // The program's own decoder library, as the camera model uses it.
    m_ready = m_jpegs.size() == 30 && qelconvert_init() == 1 &&
              qelconver_create_video_decoder(m_decoderKey, 0, QEL_MEDIA_MJPEG, width, height,
                                             QEL_COLORSPACE_YUV420P) == 1;
}

PreviewSimulator::~PreviewSimulator() {
    if (m_decoderKey[0] != '\0') {
        qelconvert_release_video_decoder(m_decoderKey);
    }
    qelconvert_uninit();
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
    int outSize = 0;
    if (qelconvert_video_decode(m_decoderKey, jpeg.data(), int(jpeg.size()), m_yuv.data(), &outSize) == 0) {
        return false;
    }
    const int cw = (m_width + 1) / 2;
    const int ch = (m_height + 1) / 2;
    if (flash) {
        m_yuv = m_white;
    }
    // The screen: the same frame converted to 32-bit RGB, as the renderer does at the window's size.
    const uint8_t* u = m_yuv.data() + size_t(m_width) * m_height;
    const uint8_t* v = u + size_t(cw) * ch;
    libyuv::I420ToARGB(m_yuv.data(), m_width, u, cw, v, cw, m_screen.data(), m_width * 4, m_width, m_height);
    return true;
}
