#include "AudioEncoder.h"

#include <algorithm>

#include "MuxLog.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

namespace qelmuxer {

namespace {

constexpr int kAacRates[] = {96000, 88200, 64000, 48000, 44100, 32000,
                             24000, 22050, 16000, 12000, 11025, 8000};

}  // namespace

AudioEncoder::~AudioEncoder() {
    av_packet_free(&m_packet);
    av_frame_free(&m_frame);
    avcodec_free_context(&m_ctx);
}

bool AudioEncoder::supportsRate(int sampleRate) {
    return std::find(std::begin(kAacRates), std::end(kAacRates), sampleRate) != std::end(kAacRates);
}

bool AudioEncoder::open(int sampleRate, int channels, std::string* error) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!codec || !supportsRate(sampleRate) || channels < 1 || channels > 8) {
        *error = "no AAC encoder for this format";
        return false;
    }
    m_ctx = avcodec_alloc_context3(codec);
    if (!m_ctx) {
        *error = "out of memory";
        return false;
    }
    m_ctx->sample_fmt = AV_SAMPLE_FMT_FLTP;
    m_ctx->sample_rate = sampleRate;
    av_channel_layout_default(&m_ctx->ch_layout, channels);
    m_ctx->bit_rate = channels > 1 ? 128000 : 96000;
    m_ctx->time_base = AVRational{1, sampleRate};
    m_ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int ret = avcodec_open2(m_ctx, codec, nullptr);
    if (ret < 0) {
        char text[128];
        *error = std::string("cannot open the AAC encoder: ") + avErrorText(ret, text, sizeof text);
        return false;
    }
    m_channels = channels;
    m_frameSize = m_ctx->frame_size > 0 ? m_ctx->frame_size : 1024;
    m_frame = av_frame_alloc();
    m_packet = av_packet_alloc();
    if (!m_frame || !m_packet) {
        *error = "out of memory";
        return false;
    }
    m_frame->format = AV_SAMPLE_FMT_FLTP;
    m_frame->nb_samples = m_frameSize;
    m_frame->sample_rate = sampleRate;
    av_channel_layout_copy(&m_frame->ch_layout, &m_ctx->ch_layout);
    if (av_frame_get_buffer(m_frame, 0) < 0) {
        *error = "out of memory";
        return false;
    }
    return true;
}

bool AudioEncoder::fillParameters(AVCodecParameters* par) const {
    return m_ctx && avcodec_parameters_from_context(par, m_ctx) >= 0;
}

bool AudioEncoder::addSamples(const int16_t* interleaved, int frames) {
    while (frames > 0) {
        if (m_filled == 0 && av_frame_make_writable(m_frame) < 0) {
            return false;
        }
        int n = std::min(frames, m_frameSize - m_filled);
        for (int c = 0; c < m_channels; ++c) {
            float* out = reinterpret_cast<float*>(m_frame->extended_data[c]) + m_filled;
            const int16_t* in = interleaved + c;
            for (int i = 0; i < n; ++i) {
                out[i] = in[i * m_channels] * (1.0f / 32768.0f);
            }
        }
        interleaved += n * m_channels;
        frames -= n;
        m_filled += n;
        if (m_filled == m_frameSize && !sendFrame(false)) {
            return false;
        }
    }
    return true;
}

bool AudioEncoder::addSilence(int64_t frames) {
    while (frames > 0) {
        if (m_filled == 0 && av_frame_make_writable(m_frame) < 0) {
            return false;
        }
        int n = int(std::min<int64_t>(frames, m_frameSize - m_filled));
        for (int c = 0; c < m_channels; ++c) {
            std::fill_n(reinterpret_cast<float*>(m_frame->extended_data[c]) + m_filled, n, 0.0f);
        }
        frames -= n;
        m_filled += n;
        if (m_filled == m_frameSize && !sendFrame(false)) {
            return false;
        }
    }
    return true;
}

bool AudioEncoder::sendFrame(bool last) {
    m_frame->nb_samples = m_filled;
    m_frame->pts = m_nextPts;
    m_nextPts += m_filled;
    int ret = avcodec_send_frame(m_ctx, m_frame);
    m_frame->nb_samples = m_frameSize;
    m_filled = 0;
    if (ret < 0) {
        char text[128];
        logLine("AAC encoding failed: %s", avErrorText(ret, text, sizeof text));
        return false;
    }
    return last || drain();
}

bool AudioEncoder::drain() {
    return drainEncoder(m_ctx, m_packet, m_sink);
}

bool AudioEncoder::flush() {
    if (!m_ctx) {
        return false;
    }
    bool ok = true;
    if (m_filled > 0) {
        ok = sendFrame(true);
    }
    avcodec_send_frame(m_ctx, nullptr);
    return drain() && ok;
}

}  // namespace qelmuxer
