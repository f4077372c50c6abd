#include "SyntheticMedia.h"

#include <time.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <random>
#include <thread>

#include "qelmuxer.h"
#include "qelmuxer_stats.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
}

std::vector<uint8_t> yuvFrame(int width, int height, int y, int index) {
    int cw = (width + 1) / 2;
    int ch = (height + 1) / 2;
    std::vector<uint8_t> f(size_t(width * height + 2 * cw * ch), 128);
    std::memset(f.data(), y, size_t(width * height));
    int bar = (index * 4) % width;
    for (int row = 0; row < height; ++row) {
        for (int col = bar; col < std::min(width, bar + 8); ++col) {
            f[size_t(row * width + col)] = uint8_t(std::min(255, y + 40));
        }
    }
    return f;
}

std::vector<std::vector<uint8_t>> encodeAnnexB(bool hevc, int width, int height, int count, int gop) {
    std::vector<std::vector<uint8_t>> out;
    const AVCodec* codec = avcodec_find_encoder_by_name(hevc ? "libx265" : "libx264");
    if (!codec) {
        return out;
    }
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    ctx->width = width;
    ctx->height = height;
    ctx->pix_fmt = AV_PIX_FMT_YUV420P;
    ctx->time_base = AVRational{1, 30};
    ctx->gop_size = gop;
    ctx->max_b_frames = 0;
    av_opt_set(ctx->priv_data, "preset", "ultrafast", 0);
    if (hevc) {
        av_opt_set(ctx->priv_data, "x265-params", "log-level=error:bframes=0", 0);
    } else {
        av_opt_set(ctx->priv_data, "x264-params", "log=0", 0);
    }
    if (avcodec_open2(ctx, codec, nullptr) < 0) {
        avcodec_free_context(&ctx);
        return out;
    }
    AVFrame* frame = av_frame_alloc();
    AVPacket* pkt = av_packet_alloc();
    auto drain = [&] {
        while (avcodec_receive_packet(ctx, pkt) >= 0) {
            out.emplace_back(pkt->data, pkt->data + pkt->size);
            av_packet_unref(pkt);
        }
    };
    for (int i = 0; i < count; ++i) {
        std::vector<uint8_t> yuv = yuvFrame(width, height, 60 + (i % 10), i);
        frame->format = AV_PIX_FMT_YUV420P;
        frame->width = width;
        frame->height = height;
        frame->data[0] = yuv.data();
        frame->data[1] = yuv.data() + width * height;
        frame->data[2] = frame->data[1] + (width / 2) * (height / 2);
        frame->linesize[0] = width;
        frame->linesize[1] = frame->linesize[2] = width / 2;
        frame->pts = i;
        avcodec_send_frame(ctx, frame);
        drain();
    }
    avcodec_send_frame(ctx, nullptr);
    drain();
    av_packet_free(&pkt);
    av_frame_free(&frame);
    avcodec_free_context(&ctx);
    return out;
}

std::vector<std::vector<uint8_t>> annexBNals(const std::vector<uint8_t>& d) {
    std::vector<std::vector<uint8_t>> nals;
    size_t i = 0;
    size_t start = std::string::npos;
    while (i + 2 < d.size()) {
        if (d[i] == 0 && d[i + 1] == 0 && d[i + 2] == 1) {
            if (start != std::string::npos) {
                size_t end = i;
                while (end > start && d[end - 1] == 0) {
                    --end;
                }
                nals.emplace_back(d.begin() + long(start), d.begin() + long(end));
            }
            i += 3;
            start = i;
        } else {
            ++i;
        }
    }
    if (start != std::string::npos) {
        nals.emplace_back(d.begin() + long(start), d.end());
    }
    return nals;
}

std::vector<std::vector<uint8_t>> lengthPrefixedNals(const std::vector<uint8_t>& d) {
    std::vector<std::vector<uint8_t>> nals;
    size_t i = 0;
    while (i + 4 <= d.size()) {
        size_t n = (size_t(d[i]) << 24) | (size_t(d[i + 1]) << 16) | (size_t(d[i + 2]) << 8) | d[i + 3];
        i += 4;
        if (i + n > d.size()) {
            break;
        }
        nals.emplace_back(d.begin() + long(i), d.begin() + long(i + n));
        i += n;
    }
    return nals;
}

namespace {

double now() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

void sleepUntil(double t) {
    timespec ts;
    ts.tv_sec = time_t(t);
    ts.tv_nsec = long((t - double(ts.tv_sec)) * 1e9);
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr);
}

}  // namespace

FeedResult feedInRealTime(const char* key, const FeedPlan& plan, bool stopOnFailure) {
    FeedResult r;
    std::atomic<bool> stop{false};
    const double t0 = now() + 0.02;
    std::atomic<int> lastRefusal{0};

    std::thread audio([&] {
        if (!plan.audio) {
            return;
        }
        const int rate = 48000, block = 480;
        std::vector<int16_t> pcm(size_t(block * 2 * std::max(1, plan.audioBurst)));
        int64_t sample = 0;
        for (int j = 0; !stop; j += plan.audioBurst) {
            double end = (j + plan.audioBurst) * 0.010;
            if (end > plan.seconds) {
                break;
            }
            sleepUntil(t0 + end);
            for (int b = 0; b < plan.audioBurst; ++b) {
                double at = (j + b) * 0.010;
                bool click = plan.flashAt >= 0 && at <= plan.flashAt && plan.flashAt < at + 0.010;
                for (int i = 0; i < block; ++i, ++sample) {
                    double v = click ? 25000 * std::sin(2 * M_PI * 1000 * sample / rate)
                                     : 1500 * std::sin(2 * M_PI * 440 * sample / rate);
                    pcm[size_t(i * 2)] = pcm[size_t(i * 2 + 1)] = int16_t(v);
                }
                if (at >= plan.audioGapFrom && at < plan.audioGapTo) {
                    continue;
                }
                // A block's time is the moment its last sample was captured.
                const double captured = t0 + at + 0.010;
                if (click) {
                    r.clickHandedIn = plan.stampCaptureTimes ? captured : now();
                }
                int ret = qelmuxer_muxer_at(key, reinterpret_cast<unsigned char*>(pcm.data()), block * 4, 1,
                                            plan.stampCaptureTimes ? (long long)(captured * 1e6) : 0);
                ret == 0 ? ++r.audioSent : ++r.audioRefused;
                if (ret) {
                    lastRefusal = ret;
                }
                if (ret == QEL_MUXER_REFUSED_FAILED && stopOnFailure) {
                    stop = true;
                }
            }
        }
    });

    std::mt19937 rng(7);
    std::uniform_real_distribution<double> jitter(0, plan.videoJitterMs / 1000.0);
    std::vector<uint8_t> dark = yuvFrame(plan.width, plan.height, 60, 0);
    std::vector<uint8_t> bright = yuvFrame(plan.width, plan.height, 235, 0);
    bool flashed = false;
    double lastProgress = 0;
    for (int k = 0; !stop; ++k) {
        double at = double(k) / plan.fps;
        if (at >= plan.seconds) {
            break;
        }
        bool flash = plan.flashAt >= 0 && !flashed && at >= plan.flashAt;
        if ((plan.dropEveryNth > 0 && k % plan.dropEveryNth == plan.dropEveryNth - 1 && !flash) ||
            (at >= plan.videoHoleFrom && at < plan.videoHoleTo)) {
            continue;
        }
        const double late =
            flash ? plan.flashDelayMs / 1000.0
                  : (plan.videoJitterMs > 0 && (!flash || plan.stampCaptureTimes) ? jitter(rng) : 0);
        sleepUntil(t0 + at + late);
        const std::vector<uint8_t>* data;
        if (plan.encoded) {
            data = &(*plan.encoded)[size_t(k) % plan.encoded->size()];
        } else {
            data = flash ? &bright : &dark;
            // Keep the content moving a little without allocating.
            const_cast<std::vector<uint8_t>*>(data)->at(size_t(k % plan.width)) ^= 0x10;
        }
        flashed = flashed || flash;
        double before = now();
        if (flash) {
            r.flashHandedIn = plan.stampCaptureTimes ? t0 + at : before;
        }
        int ret = qelmuxer_muxer_at(key, data->data(), int(data->size()), 0,
                                    plan.stampCaptureTimes ? (long long)((t0 + at) * 1e6) : 0);
        r.maxCallMs = std::max(r.maxCallMs, (now() - before) * 1000);
        ret == 0 ? ++r.videoSent : ++r.videoRefused;
        if (ret) {
            lastRefusal = ret;
        }
        if (ret == QEL_MUXER_REFUSED_FAILED && stopOnFailure) {
            stop = true;
        }
        if (plan.progress && at - lastProgress >= 0.1) {
            lastProgress = at;
            plan.progress(at);
        }
    }
    // Let the sound thread finish its schedule unless stopping.
    audio.join();
    r.lastRefusal = lastRefusal;
    return r;
}
