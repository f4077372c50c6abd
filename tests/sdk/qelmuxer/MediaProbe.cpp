#include "MediaProbe.h"

#include <cmath>
#include <cstdint>
#include <fstream>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

const ProbedStream* Probe::video() const {
    for (const auto& s : streams) {
        if (s.video) {
            return &s;
        }
    }
    return nullptr;
}

const ProbedStream* Probe::audio() const {
    for (const auto& s : streams) {
        if (!s.video) {
            return &s;
        }
    }
    return nullptr;
}

Probe probeFile(const std::string& path) {
    Probe p;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) {
        return p;
    }
    if (avformat_find_stream_info(fmt, nullptr) >= 0) {
        p.opened = true;
        p.duration = fmt->duration == AV_NOPTS_VALUE ? -1 : fmt->duration / double(AV_TIME_BASE);
        for (unsigned i = 0; i < fmt->nb_streams; ++i) {
            const AVStream* st = fmt->streams[i];
            ProbedStream s;
            s.video = st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
            s.codec = avcodec_get_name(st->codecpar->codec_id);
            s.width = st->codecpar->width;
            s.height = st->codecpar->height;
            s.sampleRate = st->codecpar->sample_rate;
            s.channels = st->codecpar->ch_layout.nb_channels;
            s.start = st->start_time == AV_NOPTS_VALUE ? 0 : st->start_time * av_q2d(st->time_base);
            p.streams.push_back(s);
        }
    }
    avformat_close_input(&fmt);
    return p;
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

void takeVideo(AVFrame* f, double tb, Events& e) {
    const uint8_t* y = f->data[0];
    int64_t sum = 0;
    for (int row = 0; row < f->height; row += 4) {
        for (int col = 0; col < f->width; col += 4) {
            sum += y[row * f->linesize[0] + col];
        }
    }
    double mean = double(sum) / double(((f->height + 3) / 4) * ((f->width + 3) / 4));
    double at = f->best_effort_timestamp * tb;
    ++e.videoFrames;
    e.lastVideoAt = at;
    if (mean > 150 && e.flashAt < 0) {
        e.flashAt = at;
    }
}

void takeAudio(AVFrame* f, double tb, Events& e) {
    double at = f->best_effort_timestamp * tb;
    e.audioEndsAt = at + double(f->nb_samples) / f->sample_rate;
    if (e.clickAt >= 0 || f->format != AV_SAMPLE_FMT_FLTP) {
        return;
    }
    const float* s = reinterpret_cast<const float*>(f->data[0]);
    for (int i = 0; i < f->nb_samples; ++i) {
        if (std::fabs(s[i]) > 0.4f) {
            e.clickAt = at + double(i) / f->sample_rate;
            return;
        }
    }
}

}  // namespace

Events decodeEvents(const std::string& path) {
    Events e;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) {
        e.decodeErrors = 1;
        return e;
    }
    avformat_find_stream_info(fmt, nullptr);
    std::vector<Decoder> decoders(fmt->nb_streams);
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
        if (!decoders[i].open(fmt->streams[i])) {
            ++e.decodeErrors;
        }
    }
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto receive = [&](unsigned index) {
        AVCodecContext* ctx = decoders[index].ctx;
        double tb = av_q2d(fmt->streams[index]->time_base);
        while (avcodec_receive_frame(ctx, frame) >= 0) {
            if (ctx->codec_type == AVMEDIA_TYPE_VIDEO) {
                takeVideo(frame, tb, e);
            } else {
                takeAudio(frame, tb, e);
            }
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(fmt, pkt) >= 0) {
        unsigned index = unsigned(pkt->stream_index);
        if (decoders[index].ctx && avcodec_send_packet(decoders[index].ctx, pkt) < 0) {
            ++e.decodeErrors;
        }
        av_packet_unref(pkt);
        receive(index);
    }
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
        if (decoders[i].ctx) {
            avcodec_send_packet(decoders[i].ctx, nullptr);
            receive(i);
        }
    }
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avformat_close_input(&fmt);
    return e;
}

double seekAndDecode(const std::string& path, double seconds) {
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) {
        return -1;
    }
    avformat_find_stream_info(fmt, nullptr);
    int vi = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    double result = -1;
    Decoder dec;
    if (vi >= 0 && dec.open(fmt->streams[vi])) {
        AVStream* st = fmt->streams[vi];
        int64_t target = int64_t(seconds / av_q2d(st->time_base));
        if (av_seek_frame(fmt, vi, target, AVSEEK_FLAG_BACKWARD) >= 0) {
            AVPacket* pkt = av_packet_alloc();
            AVFrame* frame = av_frame_alloc();
            while (result < 0 && av_read_frame(fmt, pkt) >= 0) {
                if (pkt->stream_index == vi && avcodec_send_packet(dec.ctx, pkt) >= 0 &&
                    avcodec_receive_frame(dec.ctx, frame) >= 0) {
                    result = frame->best_effort_timestamp * av_q2d(st->time_base);
                }
                av_packet_unref(pkt);
            }
            av_frame_free(&frame);
            av_packet_free(&pkt);
        }
    }
    avformat_close_input(&fmt);
    return result;
}

std::vector<std::vector<unsigned char>> videoPackets(const std::string& path) {
    std::vector<std::vector<unsigned char>> out;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) {
        return out;
    }
    int vi = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    AVPacket* pkt = av_packet_alloc();
    while (av_read_frame(fmt, pkt) >= 0) {
        if (pkt->stream_index == vi) {
            out.emplace_back(pkt->data, pkt->data + pkt->size);
        }
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    avformat_close_input(&fmt);
    return out;
}

std::vector<std::string> topLevelBoxes(const std::string& path) {
    std::vector<std::string> boxes;
    std::ifstream in(path, std::ios::binary);
    in.seekg(0, std::ios::end);
    uint64_t end = uint64_t(in.tellg());
    uint64_t pos = 0;
    while (pos + 8 <= end) {
        unsigned char h[16];
        in.seekg(std::streamoff(pos));
        in.read(reinterpret_cast<char*>(h), 16);
        uint64_t size = (uint64_t(h[0]) << 24) | (h[1] << 16) | (h[2] << 8) | h[3];
        if (size == 1) {
            size = 0;
            for (int i = 8; i < 16; ++i) {
                size = (size << 8) | h[i];
            }
        } else if (size == 0) {
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
