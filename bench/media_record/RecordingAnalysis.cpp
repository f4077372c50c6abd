#include "RecordingAnalysis.h"

#include <cmath>
#include <cstdint>
#include <fstream>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

bool isRegularMp4(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(0, std::ios::end);
    uint64_t end = uint64_t(in.tellg()), pos = 0;
    bool moov = false, mdatAfterMoov = false;
    while (pos + 8 <= end) {
        unsigned char h[16] = {};
        in.seekg(std::streamoff(pos));
        in.read(reinterpret_cast<char*>(h), 16);
        uint64_t size = (uint64_t(h[0]) << 24) | (uint64_t(h[1]) << 16) | (uint64_t(h[2]) << 8) | h[3];
        if (size == 1) {
            size = 0;
            for (int i = 8; i < 16; ++i) {
                size = (size << 8) | h[i];
            }
        }
        std::string type(reinterpret_cast<char*>(h + 4), 4);
        if (type == "moof") {
            return false;
        }
        moov = moov || type == "moov";
        mdatAfterMoov = mdatAfterMoov || (type == "mdat" && moov);
        if (size < 8) {
            break;
        }
        pos += size;
    }
    return moov && mdatAfterMoov;
}

}  // namespace

RecordingAnalysis analyseRecording(const std::string& path) {
    RecordingAnalysis r;
    r.regularMp4 = isRegularMp4(path);
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) {
        return r;
    }
    avformat_find_stream_info(fmt, nullptr);
    r.opened = true;
    r.duration = fmt->duration == AV_NOPTS_VALUE ? -1 : fmt->duration / double(AV_TIME_BASE);
    std::vector<AVCodecContext*> dec(fmt->nb_streams, nullptr);
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
        AVCodecParameters* par = fmt->streams[i]->codecpar;
        const AVCodec* codec = avcodec_find_decoder(par->codec_id);
        if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
            r.videoCodec = avcodec_get_name(par->codec_id);
            r.width = par->width;
            r.height = par->height;
        } else if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
            r.audioCodec = avcodec_get_name(par->codec_id);
        }
        dec[i] = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(dec[i], par);
        dec[i]->pkt_timebase = fmt->streams[i]->time_base;
        dec[i]->thread_count = 2;
        if (!codec || avcodec_open2(dec[i], codec, nullptr) < 0) {
            ++r.decodeErrors;
        }
    }
    AVPacket* pkt = av_packet_alloc();
    AVFrame* f = av_frame_alloc();
    bool bright = false;
    double lastLoud = -1;
    auto receive = [&](unsigned i) {
        double tb = av_q2d(fmt->streams[i]->time_base);
        while (avcodec_receive_frame(dec[i], f) >= 0) {
            double at = f->best_effort_timestamp * tb;
            if (dec[i]->codec_type == AVMEDIA_TYPE_VIDEO) {
                ++r.videoFrames;
                int64_t sum = 0, n = 0;
                for (int y = 0; y < f->height; y += 8) {
                    for (int x = 0; x < f->width; x += 8, ++n) {
                        sum += f->data[0][y * f->linesize[0] + x];
                    }
                }
                bool now = n && sum / n > 150;
                if (now && !bright) {
                    r.flashes.push_back(at);
                }
                bright = now;
            } else if (f->format == AV_SAMPLE_FMT_FLTP) {
                const float* s = reinterpret_cast<const float*>(f->data[0]);
                for (int k = 0; k < f->nb_samples; ++k) {
                    if (std::fabs(s[k]) > 0.5f) {
                        double t = at + double(k) / f->sample_rate;
                        if (lastLoud < 0 || t - lastLoud > 0.5) {
                            r.clicks.push_back(t);
                        }
                        lastLoud = t;
                    }
                }
                r.audioSeconds += double(f->nb_samples) / f->sample_rate;
            }
            av_frame_unref(f);
        }
    };
    while (av_read_frame(fmt, pkt) >= 0) {
        unsigned i = unsigned(pkt->stream_index);
        if (avcodec_send_packet(dec[i], pkt) < 0) {
            ++r.decodeErrors;
        }
        av_packet_unref(pkt);
        receive(i);
    }
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
        avcodec_send_packet(dec[i], nullptr);
        receive(i);
        avcodec_free_context(&dec[i]);
    }
    av_frame_free(&f);
    av_packet_free(&pkt);
    avformat_close_input(&fmt);
    return r;
}
