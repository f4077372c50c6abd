#include "PortAudioInput.h"

#include <dlfcn.h>
#include <portaudio.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Pacing.h"
#include "PortAudioStream.h"

namespace qelaudioinput {

namespace {

bool g_initialised = false;

int captureCallback(const void* input, void*, unsigned long frames, const PaStreamCallbackTimeInfo*,
                    PaStreamCallbackFlags, void* self) {
    if (input) {
        static_cast<PortAudioInput*>(self)->deliver(static_cast<const int16_t*>(input), frames);
    }
    return paContinue;
}

void quietAlsa(const char*, int, const char*, int, const char*, ...) {}
void quietJack(const char*) {}

// ALSA and JACK report every missing card and server on stderr while PortAudio probes them.
// Their handlers are looked up at run time: both libraries come with PortAudio.
void quietSoundLibraries() {
    const char* debug = std::getenv("QEL_AUDIO_DEBUG");
    if (debug && *debug && std::strcmp(debug, "0") != 0) {
        return;
    }
    using AlsaHandler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetAlsaHandler = int (*)(AlsaHandler);
    using JackHandler = void (*)(const char*);
    using SetJackHandler = void (*)(JackHandler);
    if (auto set = reinterpret_cast<SetAlsaHandler>(dlsym(RTLD_DEFAULT, "snd_lib_error_set_handler"))) {
        set(&quietAlsa);
    }
    for (const char* name : {"jack_set_error_function", "jack_set_info_function"}) {
        if (auto set = reinterpret_cast<SetJackHandler>(dlsym(RTLD_DEFAULT, name))) {
            set(&quietJack);
        }
    }
}

}  // namespace

bool PortAudioInput::initialise() {
    if (g_initialised) {
        return true;
    }
    quietSoundLibraries();
    PaError err = Pa_Initialize();
    if (err != paNoError) {
        std::fprintf(stderr, "qelaudioinput: PortAudio cannot start: %s\n", Pa_GetErrorText(err));
        return false;
    }
    g_initialised = true;
    return true;
}

bool PortAudioInput::rescan() {
    terminate();
    return initialise();
}

void PortAudioInput::terminate() {
    if (g_initialised) {
        Pa_Terminate();
        g_initialised = false;
    }
}

PortAudioInput::~PortAudioInput() {
    stop();
}

bool PortAudioInput::start(const CaptureFormat& format, BlockSink sink) {
    stop();
    const PaDeviceInfo* info = g_initialised ? Pa_GetDeviceInfo(m_device) : nullptr;
    if (!info || info->maxInputChannels < 1) {
        std::fprintf(stderr, "qelaudioinput: input device %d is gone\n", m_device);
        return false;
    }
    m_sink = sink;
    m_channels = format.channels;
    m_deviceChannels = std::min(format.channels, info->maxInputChannels);
    const unsigned long frames = unsigned(format.sampleRate * kBlockMs / 1000);
    m_block.assign(frames * unsigned(m_channels), 0);

    const PaStreamParameters in = int16Parameters(m_device, m_deviceChannels, info->defaultLowInputLatency);
    const PaError err =
        openStartedStream(&m_stream, &in, nullptr, format.sampleRate, frames, &captureCallback, this);
    if (err != paNoError) {
        std::fprintf(stderr, "qelaudioinput: cannot capture from \"%s\" (%d ch, %d Hz): %s\n", info->name,
                     format.channels, format.sampleRate, Pa_GetErrorText(err));
        return false;
    }
    return true;
}

void PortAudioInput::stop() {
    closeStream(m_stream);
}

void PortAudioInput::deliver(const int16_t* input, unsigned long frames) {
    const int64_t now = monotonicUs();
    const unsigned long capacity = m_block.size() / unsigned(m_channels);
    while (frames > 0) {
        unsigned long n = std::min(frames, capacity);
        for (unsigned long i = 0; i < n; ++i) {
            for (int c = 0; c < m_channels; ++c) {
                m_block[i * unsigned(m_channels) + unsigned(c)] =
                    input[i * unsigned(m_deviceChannels) + unsigned(std::min(c, m_deviceChannels - 1))];
            }
        }
        m_sink(reinterpret_cast<uint8_t*>(m_block.data()), int(n * unsigned(m_channels) * 2), now);
        input += n * unsigned(m_deviceChannels);
        frames -= n;
    }
}

}  // namespace qelaudioinput
