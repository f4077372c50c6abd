// Capture from a PortAudio input device in 10 ms blocks. A device with fewer channels than
// asked (a mono USB microphone asked for stereo) is opened with what it has and each sample is
// copied to the missing channels.
#ifndef QELAUDIOINPUT_PORTAUDIO_INPUT_H
#define QELAUDIOINPUT_PORTAUDIO_INPUT_H

#include <vector>

#include "CaptureSource.h"

namespace qelaudioinput {

class PortAudioInput : public CaptureSource {
public:
    explicit PortAudioInput(int paDevice) : m_device(paDevice) {}
    ~PortAudioInput() override;
    bool start(const CaptureFormat& format, BlockSink sink) override;
    void stop() override;

    // PortAudio set-up for the whole process: quiets the sound libraries' console chatter
    // (set QEL_AUDIO_DEBUG=1 to keep it) and initialises PortAudio. False when it cannot start.
    static bool initialise();
    // Terminates and initialises again so that devices plugged in since are listed.
    static bool rescan();
    static void terminate();

    // PortAudio's callback thread: one buffer of `frames` frames of the device's channels.
    void deliver(const int16_t* input, unsigned long frames);

private:
    int m_device;
    void* m_stream = nullptr;
    BlockSink m_sink = nullptr;
    int m_deviceChannels = 0;
    int m_channels = 0;
    std::vector<int16_t> m_block;
};

}  // namespace qelaudioinput

#endif
