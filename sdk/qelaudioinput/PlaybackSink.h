// A running playback of a sound held in memory: the default output device through PortAudio,
// or the virtual output. The samples are handed over whole before it starts, so the output's
// real-time side only copies and counts.
#ifndef QELAUDIOINPUT_PLAYBACK_SINK_H
#define QELAUDIOINPUT_PLAYBACK_SINK_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qelaudioinput {

class PlaybackSink {
public:
    virtual ~PlaybackSink() = default;
    // Starts playing `samples` (interleaved 16-bit). False when the output cannot play them.
    virtual bool start(std::vector<int16_t> samples, int channels, int sampleRate) = 0;
    // Stops and waits until the output no longer reads the samples.
    virtual void stop() = 0;
    virtual bool isPlaying() const = 0;

    long framesPlayed() const {
        return long(m_position.load(std::memory_order_relaxed) / unsigned(m_channels));
    }
    long framesTotal() const { return long(m_samples.size() / unsigned(m_channels)); }

protected:
    // Written before the output starts; afterwards read-only until it has stopped.
    std::vector<int16_t> m_samples;
    int m_channels = 1;
    // Samples handed to the output so far; written by the output's thread only.
    std::atomic<std::size_t> m_position{0};
};

// The library's one playback: whether it runs (PortAudio must not be restarted meanwhile), and
// stopping it before PortAudio ends.
bool playbackRunning();
void stopPlayback();

}  // namespace qelaudioinput

#endif
