// A running microphone capture: the real devices through PortAudio, or the virtual microphone.
#ifndef QELAUDIOINPUT_CAPTURE_SOURCE_H
#define QELAUDIOINPUT_CAPTURE_SOURCE_H

#include <cstdint>

namespace qelaudioinput {

// Receives the PCM blocks on the capture thread (interleaved 16-bit, timestamp in microseconds
// of CLOCK_MONOTONIC).
using BlockSink = void (*)(uint8_t* data, int size, int64_t timestampUs);

struct CaptureFormat {
    int channels = 2;
    int sampleRate = 48000;
};

class CaptureSource {
public:
    virtual ~CaptureSource() = default;
    // Starts delivering blocks to `sink`. False when the device cannot capture in this format.
    virtual bool start(const CaptureFormat& format, BlockSink sink) = 0;
    // Stops and waits until no block is being delivered.
    virtual void stop() = 0;
};

int64_t monotonicUs();

}  // namespace qelaudioinput

#endif
