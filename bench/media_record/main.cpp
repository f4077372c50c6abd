// Recording benchmark: 1080p30 from decoded frames with sound from the virtual microphone, while
// the preview thread does its usual work per frame (JPEG decode, conversion, screen scaling).
// Prints whether recording keeps up in real time, the dropped frames and the offset between
// picture and sound in the finished file. Frames and sound go in with their capture times, as the
// camera model hands them on; a jittery decoder hands each frame in up to `jitter` ms late.
//
//   bench_media_record [seconds (60)] [output.mp4] [jitter ms (0)]
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "PreviewSimulator.h"
#include "RecordingAnalysis.h"
#include "qelaudioinput.h"
#include "qelmuxer.h"
#include "qelmuxer_stats.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kFps = 30;
constexpr int kRate = 48000;
constexpr double kFirstMarker = 2.0;
constexpr double kMarkerEvery = 10.0;

char g_key[QEL_TEXT_BUFFER_SIZE];
std::atomic<long> g_pendingFlashUs{0};
std::atomic<long> g_worstMarkerLateUs{0};
std::atomic<long> g_audioBlocks{0};
std::atomic<long> g_audioRefused{0};

long nowUs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return long(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

void sleepUntilUs(long us) {
    timespec ts;
    ts.tv_sec = us / 1000000;
    ts.tv_nsec = (us % 1000000) * 1000;
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr);
}

// The microphone thread, as the camera model's: blocks go to the muxer. The tone is turned
// down and a click put where a marker frame was handed in.
void onMicrophone(unsigned char* data, int size, long timestampUs) {
    auto* s = reinterpret_cast<int16_t*>(data);
    int frames = size / 4;
    for (int i = 0; i < frames * 2; ++i) {
        s[i] = int16_t(s[i] / 4);
    }
    long flash = g_pendingFlashUs.load();
    long blockStart = timestampUs - long(frames) * 1000000 / kRate;
    if (flash > 0 && flash <= timestampUs) {
        long late = blockStart - flash;
        if (late > g_worstMarkerLateUs) {
            g_worstMarkerLateUs = late;
        }
        int from = int(std::clamp<long>((flash - blockStart) * kRate / 1000000, 0, frames - 1));
        for (int i = from; i < frames; ++i) {
            auto v = int16_t(29000 * std::sin(2 * M_PI * 1000 * (i - from) / kRate));
            s[2 * i] = s[2 * i + 1] = v;
        }
        g_pendingFlashUs = 0;
    }
    ++g_audioBlocks;
    if (qelmuxer_muxer_at(g_key, data, size, QEL_MUXER_AUDIO, timestampUs) != 0) {
        ++g_audioRefused;
    }
}

double threadCpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

double cpuSeconds() {
    rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

const char* verdict(bool ok) {
    return ok ? "ok" : "MISSED";
}

double loadAverage() {
    double load[1] = {0};
    return getloadavg(load, 1) == 1 ? load[0] : -1;
}

}  // namespace

// How fast the muxer encodes 1080p on this machine when nothing else is asked of it: the 30
// camera frames, decoded once, handed in back to back (waiting whenever the queue is full).
void measureEncoderThroughput(PreviewSimulator& preview, const std::string& path) {
    std::vector<std::vector<uint8_t>> frames;
    for (int k = 0; k < 30; ++k) {
        preview.nextFrame(k, false);
        frames.push_back(preview.yuv());
    }
    char key[QEL_TEXT_BUFFER_SIZE];
    if (qelmuxer_create_muxer(key, path.c_str(), kWidth, kHeight, 2, kFps, kFps, 0, 0, 0, 0) != 1) {
        return;
    }
    const int count = 150;
    const double cpuStart = cpuSeconds();
    const long start = nowUs();
    for (int k = 0; k < count;) {
        const auto& f = frames[size_t(k % 30)];
        if (qelmuxer_muxer(key, f.data(), int(f.size()), 0) == 0) {
            ++k;
        } else {
            sleepUntilUs(nowUs() + 2000);
        }
    }
    qelmuxer_release_muxer(key);
    double wall = (nowUs() - start) / 1e6;
    double cpu = cpuSeconds() - cpuStart;
    qelmuxer_wait_finalised(-1);
    std::printf("encoder alone: %d frames in %.2f s = %.1f fps, %.1f ms CPU per frame\n", count, wall,
                count / wall, cpu * 1000 / count);
}

int main(int argc, char** argv) {
    double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    std::string path = argc > 2 ? argv[2] : "/tmp/bench_media_record.mp4";
    const int jitterMs = argc > 3 ? std::atoi(argv[3]) : 0;
    if (seconds < 3 || jitterMs < 0) {
        std::fprintf(stderr, "usage: %s [seconds >= 3] [output.mp4] [jitter ms >= 0]\n", argv[0]);
        return 2;
    }
    setenv("QEL_VIRTUAL_MICROPHONES", "1", 0);

    std::printf("preparing 30 camera JPEG frames %dx%d...\n", kWidth, kHeight);
    PreviewSimulator preview(kWidth, kHeight);
    if (!preview.ready()) {
        std::fprintf(stderr, "cannot set up the JPEG decoder\n");
        return 1;
    }
    measureEncoderThroughput(preview, path);
    qelaudioinput_init();
    int devices = 0, mic = -1;
    qelaudioinput_get_device_count(&devices);
    char name[QEL_TEXT_BUFFER_SIZE];
    for (int i = 0; i < devices; ++i) {
        if (qelaudioinput_get_device_name(i, name) == 1 &&
            std::strcmp(name, "Corvix Virtual Microphone") == 0) {
            mic = i;
        }
    }
    if (mic < 0) {
        std::fprintf(stderr, "virtual microphone not listed\n");
        return 1;
    }
    if (qelmuxer_create_muxer(g_key, path.c_str(), kWidth, kHeight, 2, kFps, kFps, 1, 2, kRate, 16) != 1) {
        std::fprintf(stderr, "cannot create the muxer for %s\n", path.c_str());
        return 1;
    }
    qelaudioinput_set_callback(&onMicrophone);
    if (qelaudioinput_start_recording(mic, 2, kRate, 16) != 1) {
        std::fprintf(stderr, "cannot start the virtual microphone\n");
        return 1;
    }

    std::printf("recording %.0f s of %dx%d@%d with sound to %s\n", seconds, kWidth, kHeight, kFps,
                path.c_str());
    const double cpuStart = cpuSeconds();
    const double loadStart = loadAverage();
    const long t0 = nowUs() + 20000;
    const int frames = int(seconds * kFps);
    int refused = 0, lateFrames = 0, maxQueued = 0, markers = 0;
    double workSum = 0, workMax = 0, callMax = 0;
    const double previewCpuStart = threadCpuSeconds();
    double nextMarker = kFirstMarker;
    std::mt19937 rng(11);
    std::uniform_int_distribution<long> jitter(0, long(jitterMs) * 1000);
    for (int k = 0; k < frames; ++k) {
        // `due` is the frame's capture time; the decoder may deliver it later.
        long due = t0 + long(k) * 1000000 / kFps;
        sleepUntilUs(due + (jitterMs > 0 ? jitter(rng) : 0));
        long start = nowUs();
        if (start - due > 1000000 / kFps + long(jitterMs) * 1000) {
            ++lateFrames;
        }
        bool flash = double(k) / kFps >= nextMarker;
        if (flash) {
            nextMarker += kMarkerEvery;
            ++markers;
        }
        preview.nextFrame(k, flash);
        long handIn = nowUs();
        if (flash) {
            g_pendingFlashUs = due;
        }
        if (qelmuxer_muxer_at(g_key, preview.yuv().data(), int(preview.yuv().size()), QEL_MUXER_VIDEO, due) !=
            0) {
            ++refused;
        }
        long end = nowUs();
        callMax = std::max(callMax, (end - handIn) / 1000.0);
        double work = (end - start) / 1000.0;
        workSum += work;
        workMax = std::max(workMax, work);
        QELMuxerStats st;
        if (qelmuxer_get_stats(g_key, &st) == 1) {
            maxQueued = std::max(maxQueued, st.queued);
        }
        if ((k + 1) % (kFps * 10) == 0) {
            std::printf("  %3d s: %d frames handed in, %d refused, queue %d\n", (k + 1) / kFps, k + 1,
                        refused, st.queued);
            std::fflush(stdout);
        }
    }
    const double recordWall = (nowUs() - t0) / 1e6;
    const double previewCpu = threadCpuSeconds() - previewCpuStart;
    qelaudioinput_stop_recording();
    QELMuxerStats st;
    std::memset(&st, 0, sizeof st);
    qelmuxer_get_stats(g_key, &st);
    long releaseStart = nowUs();
    int released = qelmuxer_release_muxer(g_key);
    double releaseMs = (nowUs() - releaseStart) / 1000.0;
    const double cpu = cpuSeconds() - cpuStart;
    long finaliseStart = nowUs();
    qelmuxer_wait_finalised(-1);
    double finaliseMs = (nowUs() - finaliseStart) / 1000.0;

    RecordingAnalysis a = analyseRecording(path);
    double worstOffset = -1;
    int matched = 0;
    for (double f : a.flashes) {
        double best = 1e9;
        for (double c : a.clicks) {
            best = std::min(best, std::fabs(c - f));
        }
        if (best < 1.0) {
            ++matched;
            worstOffset = std::max(worstOffset, best);
        }
    }

    std::printf(
        "\n== recording 1080p30 from decoded frames with sound, %.1f s, decoder jitter up to %d ms ==\n",
        recordWall, jitterMs);
    std::printf(
        "preview work per frame (JPEG decode + 4:2:0 + screen scale + hand-in): avg %.2f ms, max %.2f ms\n",
        workSum / frames, workMax);
    std::printf("qelmuxer_muxer call (video): max %.2f ms; preview frames late: %d\n", callMax, lateFrames);
    std::printf("frames handed in %d, accepted %lld, dropped %lld (queue full), refused %d\n", frames,
                st.videoAccepted, st.videoDropped, refused);
    std::printf("sound blocks %ld, refused %ld; silence inserted %.1f ms, trimmed %.1f ms\n",
                g_audioBlocks.load(), g_audioRefused.load(), st.silenceSamples * 1000.0 / kRate,
                st.trimmedSamples * 1000.0 / kRate);
    std::printf("encoder queue: max %d frames waiting; release (flush + close) %.0f ms, answer %d\n",
                maxQueued, releaseMs, released);
    std::printf("CPU while recording: %.1f s for %.1f s (%.2f cores); finalising to a regular MP4: %.0f ms\n",
                cpu, recordWall, cpu / recordWall, finaliseMs);
    // What the work costs, whatever else the machine is doing: CPU time per frame.
    double recordingCpuPerFrame = (cpu - previewCpu) / double(std::max<long long>(1, st.videoAccepted));
    std::printf(
        "CPU per frame: preview %.1f ms, recording (encoding, sound, writing) %.1f ms -> %.2f cores "
        "needed for 1080p30\n",
        previewCpu * 1000 / frames, recordingCpuPerFrame * 1000,
        (previewCpu / frames + recordingCpuPerFrame) * kFps);
    std::printf("machine load average (2 cores shared): %.1f at start, %.1f at end\n", loadStart,
                loadAverage());
    std::printf(
        "file: %s %dx%d + %s, duration %.3f s, %d frames decoded, %.2f s of sound, decode errors %d, %s\n",
        a.videoCodec.c_str(), a.width, a.height, a.audioCodec.c_str(), a.duration, a.videoFrames,
        a.audioSeconds, a.decodeErrors, a.regularMp4 ? "regular MP4 (index in front)" : "fragmented");
    std::printf(
        "A/V markers: %d handed in, %zu flashes and %zu clicks found, %d matched, worst offset %.1f ms "
        "(marker placement error %.1f ms)\n",
        markers, a.flashes.size(), a.clicks.size(), matched, worstOffset * 1000,
        g_worstMarkerLateUs.load() / 1000.0);

    // Keeping up: nothing dropped, and no backlog left to encode at the end.
    bool realTime = st.videoDropped == 0 && releaseMs < 1500;
    bool noDrop = st.videoDropped == 0 && refused == 0 && a.videoFrames == frames;
    bool inSync = matched == markers && markers > 0 && worstOffset <= 0.040;
    std::printf("\ntarget real time for %.0f s ........ %s\n", seconds, verdict(realTime));
    std::printf("target no dropped frame ........... %s (%d of %d frames in the file)\n", verdict(noDrop),
                a.videoFrames, frames);
    std::printf("target A/V offset <= 40 ms ........ %s (%.1f ms)\n", verdict(inSync), worstOffset * 1000);
    return realTime && noDrop && inSync ? 0 : 1;
}
