// What capture and playback through PortAudio share: opening a started stream and closing it.
#ifndef QELAUDIOINPUT_PORTAUDIO_STREAM_H
#define QELAUDIOINPUT_PORTAUDIO_STREAM_H

#include <portaudio.h>

namespace qelaudioinput {

// 16-bit interleaved samples of `channels` channels on `device`.
PaStreamParameters int16Parameters(PaDeviceIndex device, int channels, PaTime suggestedLatency);

// Opens a stream and starts it; `*stream` is set only when both succeed (a stream that opened
// but would not start is closed again). Returns PortAudio's error.
PaError openStartedStream(void** stream, const PaStreamParameters* input, const PaStreamParameters* output,
                          double sampleRate, unsigned long framesPerBuffer, PaStreamCallback* callback,
                          void* userData);

// Stops `stream` (aborting it when it will not stop), closes it and clears the handle; nothing
// when it is null. Returns once the callback has run for the last time.
void closeStream(void*& stream);

}  // namespace qelaudioinput

#endif
