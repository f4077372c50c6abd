// Playback through PortAudio's default output device.
#ifndef QELAUDIOINPUT_PORTAUDIO_OUTPUT_H
#define QELAUDIOINPUT_PORTAUDIO_OUTPUT_H

#include "PlaybackSink.h"

namespace qelaudioinput {

class PortAudioOutput : public PlaybackSink {
public:
    ~PortAudioOutput() override;
    bool start(std::vector<int16_t> samples, int channels, int sampleRate) override;
    void stop() override;
    bool isPlaying() const override;

    // PortAudio's callback thread: fills one output buffer; false once the sound has ended.
    bool fill(int16_t* out, unsigned long frames);

private:
    void* m_stream = nullptr;
};

}  // namespace qelaudioinput

#endif
