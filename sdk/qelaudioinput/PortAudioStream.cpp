#include "PortAudioStream.h"

#include <cstring>

namespace qelaudioinput {

PaStreamParameters int16Parameters(PaDeviceIndex device, int channels, PaTime suggestedLatency) {
    PaStreamParameters parameters;
    std::memset(&parameters, 0, sizeof parameters);
    parameters.device = device;
    parameters.channelCount = channels;
    parameters.sampleFormat = paInt16;
    parameters.suggestedLatency = suggestedLatency;
    return parameters;
}

PaError openStartedStream(void** stream, const PaStreamParameters* input, const PaStreamParameters* output,
                          double sampleRate, unsigned long framesPerBuffer, PaStreamCallback* callback,
                          void* userData) {
    PaStream* opened = nullptr;
    PaError err =
        Pa_OpenStream(&opened, input, output, sampleRate, framesPerBuffer, paClipOff, callback, userData);
    if (err == paNoError) {
        err = Pa_StartStream(opened);
        if (err != paNoError) {
            Pa_CloseStream(opened);
        }
    }
    if (err == paNoError) {
        *stream = opened;
    }
    return err;
}

void closeStream(void*& stream) {
    if (!stream) {
        return;
    }
    if (Pa_StopStream(stream) != paNoError) {
        Pa_AbortStream(stream);
    }
    Pa_CloseStream(stream);
    stream = nullptr;
}

}  // namespace qelaudioinput
