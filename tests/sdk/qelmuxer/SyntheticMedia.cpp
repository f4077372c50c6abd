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

std::vector<QByteArray> nalUnits(const QByteArray& d, bool lengthPrefixed) {
    std::vector<QByteArray> nals;
    if (lengthPrefixed) {
        for (int i = 0; i + 4 <= d.size();) {
            const int n = int(uint8_t(d[i]) << 24 | uint8_t(d[i + 1]) << 16 | uint8_t(d[i + 2]) << 8 |
                              uint8_t(d[i + 3]));
            i += 4;
            if (n < 0 || i + n > d.size()) {
                break;
            }
            nals.push_back(d.mid(i, n));
            i += n;
        }
        return nals;
    }
    // Each unit runs from after one start code to the next, without the zero bytes before it.
    int start = -1;
    for (int i = 0; i + 2 < d.size(); ++i) {
        if (d[i] == 0 && d[i + 1] == 0 && d[i + 2] == 1) {
            if (start >= 0) {
                int end = i;
                while (end > start && d[end - 1] == 0) {
                    --end;
                }
                nals.push_back(d.mid(start, end - start));
            }
            start = i + 3;
            i += 2;
        }
    }
    if (start >= 0) {
        nals.push_back(d.mid(start));
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
        std::vector<uint8_t>& picture = flash ? bright : dark;
        picture[size_t(k % plan.width)] ^= 0x10;  // keeps the content moving without allocating
        const auto* data = reinterpret_cast<const unsigned char*>(picture.data());
        int size = int(picture.size());
        if (plan.encoded) {
            const QByteArray& frame = plan.encoded->at(k % plan.encoded->size());
            data = reinterpret_cast<const unsigned char*>(frame.constData());
            size = frame.size();
        }
        flashed = flashed || flash;
        if (flash) {
            r.flashHandedIn = plan.stampCaptureTimes ? t0 + at : now();
        }
        int ret =
            qelmuxer_muxer_at(key, data, size, 0, plan.stampCaptureTimes ? (long long)((t0 + at) * 1e6) : 0);
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
