#include "MediaProbe.h"

#include <cmath>
#include <cstdint>
#include <fstream>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

struct Decoder {
    AVCodecContext* ctx = nullptr;
    ~Decoder() { avcodec_free_context(&ctx); }
    bool open(const AVStream* st) {
        const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
        ctx = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(ctx, st->codecpar);
        ctx->pkt_timebase = st->time_base;
        return codec && avcodec_open2(ctx, codec, nullptr) >= 0;
    }
};

void takeVideo(AVFrame* f, double tb, Recording& r) {
    int64_t sum = 0;
    for (int row = 0; row < f->height; row += 4) {
        for (int col = 0; col < f->width; col += 4) {
            sum += f->data[0][row * f->linesize[0] + col];
        }
    }
    const double mean = double(sum) / double(((f->height + 3) / 4) * ((f->width + 3) / 4));
    const double at = f->best_effort_timestamp * tb;
    ++r.videoFrames;
    r.lastVideoAt = at;
    if (mean > 150 && r.flashAt < 0) {
        r.flashAt = at;
    }
}

void takeAudio(AVFrame* f, double tb, Recording& r) {
    const double at = f->best_effort_timestamp * tb;
    r.audioEndsAt = at + double(f->nb_samples) / f->sample_rate;
    if (r.clickAt >= 0 || f->format != AV_SAMPLE_FMT_FLTP) {
        return;
    }
    const float* s = reinterpret_cast<const float*>(f->data[0]);
    for (int i = 0; i < f->nb_samples; ++i) {
        if (std::fabs(s[i]) > 0.4f) {
            r.clickAt = at + double(i) / f->sample_rate;
            return;
        }
    }
}

}  // namespace

Recording readBack(const std::string& path) {
    Recording r;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) {
        r.decodeErrors = 1;
        return r;
    }
    r.opened = avformat_find_stream_info(fmt, nullptr) >= 0;
    r.duration = fmt->duration == AV_NOPTS_VALUE ? -1 : fmt->duration / double(AV_TIME_BASE);
    std::vector<Decoder> decoders(fmt->nb_streams);
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
        const AVCodecParameters* par = fmt->streams[i]->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
            r.videoCodec = avcodec_get_name(par->codec_id);
            r.width = par->width;
        } else {
            r.audioCodec = avcodec_get_name(par->codec_id);
            r.sampleRate = par->sample_rate;
            r.channels = par->ch_layout.nb_channels;
        }
        r.decodeErrors += decoders[i].open(fmt->streams[i]) ? 0 : 1;
    }
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto receive = [&](unsigned index) {
        AVCodecContext* ctx = decoders[index].ctx;
        const double tb = av_q2d(fmt->streams[index]->time_base);
        while (avcodec_receive_frame(ctx, frame) >= 0) {
            ctx->codec_type == AVMEDIA_TYPE_VIDEO ? takeVideo(frame, tb, r) : takeAudio(frame, tb, r);
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(fmt, pkt) >= 0) {
        const unsigned index = unsigned(pkt->stream_index);
        if (decoders[index].ctx->codec_type == AVMEDIA_TYPE_VIDEO) {
            r.videoPackets.emplace_back(reinterpret_cast<const char*>(pkt->data), pkt->size);
            if (pkt->flags & AV_PKT_FLAG_KEY) {
                r.keyframesAt.push_back(pkt->pts * av_q2d(fmt->streams[index]->time_base));
            }
        }
        if (avcodec_send_packet(decoders[index].ctx, pkt) < 0) {
            ++r.decodeErrors;
        }
        av_packet_unref(pkt);
        receive(index);
    }
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
        avcodec_send_packet(decoders[i].ctx, nullptr);
        receive(i);
    }
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avformat_close_input(&fmt);
    return r;
}

std::vector<std::string> topLevelBoxes(const std::string& path) {
    std::vector<std::string> boxes;
    std::ifstream in(path, std::ios::binary);
    in.seekg(0, std::ios::end);
    const uint64_t end = uint64_t(in.tellg());
    uint64_t pos = 0;
    while (pos + 8 <= end) {
        unsigned char h[16];
        in.seekg(std::streamoff(pos));
        in.read(reinterpret_cast<char*>(h), 16);
        uint64_t size = (uint64_t(h[0]) << 24) | (h[1] << 16) | (h[2] << 8) | h[3];
        if (size == 1) {  // 64-bit size
            size = 0;
            for (int i = 8; i < 16; ++i) {
                size = (size << 8) | h[i];
            }
        } else if (size == 0) {  // to the end of the file
            size = end - pos;
        }
        boxes.emplace_back(reinterpret_cast<char*>(h + 4), 4);
        if (size < 8) {
            break;
        }
        pos += size;
    }
    return boxes;
}
