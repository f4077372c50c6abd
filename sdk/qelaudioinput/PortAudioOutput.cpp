#include "PortAudioOutput.h"

#include <portaudio.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "PortAudioInput.h"
#include "PortAudioStream.h"

namespace qelaudioinput {

namespace {

int playbackCallback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo*,
                     PaStreamCallbackFlags, void* self) {
    bool more = static_cast<PortAudioOutput*>(self)->fill(static_cast<int16_t*>(output), frames);
    return more ? paContinue : paComplete;
}

}  // namespace

PortAudioOutput::~PortAudioOutput() {
    stop();
}

bool PortAudioOutput::start(std::vector<int16_t> samples, int channels, int sampleRate) {
    stop();
    if (!PortAudioInput::initialise()) {
        return false;
    }
    const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
    const PaDeviceInfo* info = device == paNoDevice ? nullptr : Pa_GetDeviceInfo(device);
    if (!info || info->maxOutputChannels < 1) {
        std::fprintf(stderr, "qelaudioinput: no output device to play on\n");
        return false;
    }
    m_samples = std::move(samples);
    m_channels = channels;
    m_position.store(0, std::memory_order_relaxed);

    const PaStreamParameters out = int16Parameters(device, channels, info->defaultHighOutputLatency);
    const PaError err = openStartedStream(&m_stream, nullptr, &out, sampleRate, paFramesPerBufferUnspecified,
                                          &playbackCallback, this);
    if (err != paNoError) {
        std::fprintf(stderr, "qelaudioinput: cannot play on \"%s\" (%d ch, %d Hz): %s\n", info->name,
                     channels, sampleRate, Pa_GetErrorText(err));
        return false;
    }
    return true;
}

bool PortAudioOutput::fill(int16_t* out, unsigned long frames) {
    const size_t wanted = size_t(frames) * unsigned(m_channels);
    const size_t position = m_position.load(std::memory_order_relaxed);
    const size_t n = std::min(wanted, m_samples.size() - position);
    std::memcpy(out, m_samples.data() + position, n * sizeof(int16_t));
    std::memset(out + n, 0, (wanted - n) * sizeof(int16_t));
    m_position.store(position + n, std::memory_order_relaxed);
    return position + n < m_samples.size();
}

void PortAudioOutput::stop() {
    closeStream(m_stream);
}

bool PortAudioOutput::isPlaying() const {
    return m_stream && Pa_IsStreamActive(m_stream) == 1;
}

}  // namespace qelaudioinput
