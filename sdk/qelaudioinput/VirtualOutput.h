// The virtual output: consumes the sound at the pace of a sound card on its own thread, so that
// playback can be exercised on machines without one.
#ifndef QELAUDIOINPUT_VIRTUAL_OUTPUT_H
#define QELAUDIOINPUT_VIRTUAL_OUTPUT_H

#include <thread>

#include "PlaybackSink.h"

namespace qelaudioinput {

class VirtualOutput : public PlaybackSink {
public:
    ~VirtualOutput() override;
    bool start(std::vector<int16_t> samples, int channels, int sampleRate) override;
    void stop() override;
    bool isPlaying() const override { return m_playing.load(); }

private:
    void run(int sampleRate);

    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_playing{false};
    std::thread m_thread;
};

}  // namespace qelaudioinput

#endif
