// Decoding benchmark: camera frames (MJPEG 4:2:2, H.264) at 720p, 1080p and 2160p decoded to
// planar YUV 4:2:0 by qelconvert, next to libavcodec's decode alone and (MJPEG) TurboJPEG's own
// decompress-to-YUV of the same frames in the same run, with heap allocations per frame in
// steady state. Times are CPU time of this thread, so other load on the machine counts less.
#include <turbojpeg.h>

#include <QByteArray>
#include <QVector>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
}

#include "AllocationCounter.h"
#include "TestFrames.h"
#include "qelconvert.h"

namespace {

struct Figures {
    double msPerFrame = 1e9;
    double allocationsPerFrame = 0;
};

// libavcodec alone: the packets are refcounted already, so nothing but decoding is timed.
class PlainDecoder {
public:
    PlainDecoder(AVCodecID id, const QVector<QByteArray>& frames) {
        const AVCodec* codec = avcodec_find_decoder(id);
        m_ctx = avcodec_alloc_context3(codec);
        if (id == AV_CODEC_ID_MJPEG) {
            m_ctx->thread_count = 1;
        } else {
            m_ctx->flags |= AV_CODEC_FLAG_LOW_DELAY;
            m_ctx->thread_type = FF_THREAD_SLICE;
            m_ctx->thread_count = 0;
        }
        avcodec_open2(m_ctx, codec, nullptr);
        for (const QByteArray& f : frames) {
            AVPacket* p = av_packet_alloc();
            av_new_packet(p, f.size());
            std::memcpy(p->data, f.constData(), size_t(f.size()));
            m_packets.append(p);
        }
        m_frame = av_frame_alloc();
    }
    ~PlainDecoder() {
        for (AVPacket* p : m_packets) {
            av_packet_free(&p);
        }
        av_frame_free(&m_frame);
        avcodec_free_context(&m_ctx);
    }
    void decode(int i) {
        avcodec_send_packet(m_ctx, m_packets[i % m_packets.size()]);
        while (avcodec_receive_frame(m_ctx, m_frame) == 0) {
            av_frame_unref(m_frame);
        }
    }

private:
    AVCodecContext* m_ctx = nullptr;
    AVFrame* m_frame = nullptr;
    QVector<AVPacket*> m_packets;
};

// TurboJPEG alone: decompress to planar YUV (what `tjbench -yuv` times), into one buffer.
class TurboDecoder {
public:
    explicit TurboDecoder(const QVector<QByteArray>& frames)
        : m_frames(frames), m_handle(tjInitDecompress()) {
        int w = 0, h = 0, subsampling = 0, colourspace = 0;
        tjDecompressHeader3(m_handle, reinterpret_cast<const unsigned char*>(frames[0].constData()),
                            static_cast<unsigned long>(frames[0].size()), &w, &h, &subsampling, &colourspace);
        m_yuv.resize(int(tjBufSizeYUV2(w, 1, h, subsampling)));
        m_width = w;
        m_height = h;
    }
    ~TurboDecoder() { tjDestroy(m_handle); }
    bool decode(int i) {
        const QByteArray& f = m_frames[i % m_frames.size()];
        return tjDecompressToYUV2(m_handle, reinterpret_cast<const unsigned char*>(f.constData()),
                                  static_cast<unsigned long>(f.size()),
                                  reinterpret_cast<unsigned char*>(m_yuv.data()), m_width, 1, m_height,
                                  0) == 0;
    }

private:
    QVector<QByteArray> m_frames;
    tjhandle m_handle;
    QByteArray m_yuv;
    int m_width = 0;
    int m_height = 0;
};

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

template <typename Decode>
Figures measure(int frames, Decode&& decode) {
    for (int i = 0; i < frames; ++i) {  // warm-up: first frames set up pools and contexts
        decode(i);
    }
    Figures f;
    const long long before = AllocationCounter::count();
    const double start = threadCpuMs();
    for (int i = 0; i < frames; ++i) {
        decode(i);
    }
    f.msPerFrame = (threadCpuMs() - start) / frames;
    f.allocationsPerFrame = double(AllocationCounter::count() - before) / frames;
    return f;
}

void run(const char* label, int type, AVCodecID codec, const TestFrames::EncoderSettings& settings, int w,
         int h, int unique, int rounds) {
    const QVector<QByteArray> packets = TestFrames::encode(settings, w, h, unique);
    const int frames = unique * rounds;
    char key[QEL_TEXT_BUFFER_SIZE];
    qelconver_create_video_decoder(key, 0, type, w, h, QEL_COLORSPACE_YUV420P);
    int bytes = 0;
    qelconvert_count_colorspace_buffer_size(QEL_COLORSPACE_YUV420P, w, h, &bytes);
    QByteArray out(bytes, 0);
    int failures = 0;
    Figures plain;
    Figures turbo;
    Figures ours;
    const bool jpeg = type == QEL_MEDIA_MJPEG;
    // Alternate them three times and keep each one's best: the machine is shared.
    for (int attempt = 0; attempt < 3; ++attempt) {
        PlainDecoder reference(codec, packets);
        const Figures p = measure(frames, [&](int i) { reference.decode(i); });
        if (jpeg) {
            TurboDecoder tj(packets);
            const Figures t = measure(frames, [&](int i) { failures += tj.decode(i) ? 0 : 1; });
            if (t.msPerFrame < turbo.msPerFrame) {
                turbo = t;
            }
        }
        const Figures o = measure(frames, [&](int i) {
            const QByteArray& pkt = packets[i % packets.size()];
            int outSize = 0;
            if (!qelconvert_video_decode(key, reinterpret_cast<const unsigned char*>(pkt.constData()),
                                         pkt.size(), reinterpret_cast<unsigned char*>(out.data()),
                                         &outSize)) {
                ++failures;
            }
        });
        if (p.msPerFrame < plain.msPerFrame) {
            plain = p;
        }
        if (o.msPerFrame < ours.msPerFrame) {
            ours = o;
        }
    }
    qelconvert_release_video_decoder(key);
    if (jpeg) {
        std::printf("%-6s %-5s %10.2f %10.2f %10.2f %9.2fx %9.2fx %7.1f %7.1f %7.1f%s\n", label, "MJPEG",
                    plain.msPerFrame, turbo.msPerFrame, ours.msPerFrame, ours.msPerFrame / turbo.msPerFrame,
                    ours.msPerFrame / plain.msPerFrame, plain.allocationsPerFrame, turbo.allocationsPerFrame,
                    ours.allocationsPerFrame, failures ? "  (decode failures!)" : "");
    } else {
        std::printf("%-6s %-5s %10.2f %10s %10.2f %10s %9.2fx %7.1f %7s %7.1f%s\n", label, "H.264",
                    plain.msPerFrame, "-", ours.msPerFrame, "-", ours.msPerFrame / plain.msPerFrame,
                    plain.allocationsPerFrame, "-", ours.allocationsPerFrame,
                    failures ? "  (decode failures!)" : "");
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    // "mjpeg" or "h264" runs that type only.
    const char* only = argc > 1 ? argv[1] : "";
    const bool mjpeg = std::strcmp(only, "h264") != 0;
    const bool h264 = std::strcmp(only, "mjpeg") != 0;
    av_log_set_level(AV_LOG_ERROR);
    qelconvert_init();
    struct Resolution {
        const char* label;
        int w;
        int h;
        int rounds;
    } resolutions[] = {{"720p", 1280, 720, 6}, {"1080p", 1920, 1080, 4}, {"2160p", 3840, 2160, 2}};
    std::printf("Decode to planar YUV, CPU ms per frame (best of 3), heap allocations per frame\n");
    std::printf(
        "(libavcodec and TurboJPEG alone: their own planar output; qelconvert: 4:2:0 limited range)\n");
    std::printf("%-6s %-5s %10s %10s %10s %10s %10s %7s %7s %7s\n", "size", "type", "libavcodec", "turbojpeg",
                "qelconvert", "ours/tj", "ours/lavc", "a.lavc", "a.tj", "a.ours");
    for (const Resolution& r : resolutions) {
        if (mjpeg) {
            run(r.label, 1, AV_CODEC_ID_MJPEG, {"mjpeg", AV_PIX_FMT_YUVJ422P}, r.w, r.h, 10, r.rounds);
        }
        if (!h264) {
            continue;
        }
        run(r.label, 3, AV_CODEC_ID_H264,
            {"libx264", AV_PIX_FMT_YUV420P, 30, "preset=veryfast:tune=zerolatency:crf=23"}, r.w, r.h, 10,
            r.rounds);
    }
    std::printf("Targets: MJPEG 1080p ours/tj <= 1.2x; heap allocations of ours per frame: 0.\n");
    qelconvert_uninit();
    return 0;
}
