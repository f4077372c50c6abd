// The plain-C face of playback: one sound at a time, read whole from a raw PCM file and played
// through the default output device, or through the virtual output when virtual microphones
// are listed.
#include <cstdio>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

#include "DeviceList.h"
#include "PortAudioOutput.h"
#include "VirtualOutput.h"
#include "qelaudioinput.h"

namespace qelaudioinput {

namespace {

struct Playback {
    std::mutex mutex;  // the sink below
    std::unique_ptr<PlaybackSink> sink;
    long lastTotal = 0;
};

// Never destroyed: the capture side stops it while the process ends, whichever of the two was
// created first.
Playback& playback() {
    static Playback* p = new Playback;
    return *p;
}

bool readSamples(const char* path, std::vector<int16_t>& samples) {
    FILE* f = std::fopen(path, "rb");
    if (!f) {
        std::fprintf(stderr, "qelaudioinput: cannot read %s\n", path);
        return false;
    }
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(f) : -1;
    ok = ok && size >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        samples.resize(size_t(size) / sizeof(int16_t));
        ok = std::fread(samples.data(), sizeof(int16_t), samples.size(), f) == samples.size();
    }
    std::fclose(f);
    if (!ok) {
        std::fprintf(stderr, "qelaudioinput: cannot read %s\n", path);
    }
    return ok;
}

}  // namespace

bool playbackRunning() {
    Playback& p = playback();
    std::lock_guard<std::mutex> lock(p.mutex);
    return p.sink && p.sink->isPlaying();
}

void stopPlayback() {
    Playback& p = playback();
    std::lock_guard<std::mutex> lock(p.mutex);
    if (p.sink) {
        p.sink->stop();
        p.sink.reset();
    }
}

}  // namespace qelaudioinput

using namespace qelaudioinput;

int qelaudioinput_play_file(const char* path, int channels, int sampleRate, int bits) {
    if (!path || bits != 16 || channels < 1 || channels > 8 || sampleRate < 8000 || sampleRate > 192000) {
        std::fprintf(stderr, "qelaudioinput: cannot play %d ch, %d Hz, %d bits\n", channels, sampleRate,
                     bits);
        return 0;
    }
    std::vector<int16_t> samples;
    if (!readSamples(path, samples)) {
        return 0;
    }
    // Whole frames only.
    samples.resize(samples.size() - samples.size() % size_t(channels));
    if (samples.empty()) {
        std::fprintf(stderr, "qelaudioinput: %s holds no sound\n", path);
        return 0;
    }
    const long total = long(samples.size() / size_t(channels));
    Playback& p = playback();
    std::lock_guard<std::mutex> lock(p.mutex);
    if (p.sink) {
        p.sink->stop();
        p.sink.reset();
    }
    std::unique_ptr<PlaybackSink> sink;
    try {
        if (virtualMicrophoneCount() > 0) {
            sink = std::make_unique<VirtualOutput>();
        } else {
            sink = std::make_unique<PortAudioOutput>();
        }
        if (!sink->start(std::move(samples), channels, sampleRate)) {
            return 0;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qelaudioinput: cannot start playing: %s\n", e.what());
        return 0;
    }
    p.sink = std::move(sink);
    p.lastTotal = total;
    return 1;
}

int qelaudioinput_stop_playing(void) {
    stopPlayback();
    return 1;
}

int qelaudioinput_get_playback(int* playing, long* framesPlayed, long* framesTotal) {
    if (!playing || !framesPlayed || !framesTotal) {
        return 0;
    }
    Playback& p = playback();
    std::lock_guard<std::mutex> lock(p.mutex);
    *playing = p.sink && p.sink->isPlaying() ? 1 : 0;
    *framesPlayed = p.sink ? p.sink->framesPlayed() : 0;
    *framesTotal = p.sink ? p.sink->framesTotal() : 0;
    return 1;
}
