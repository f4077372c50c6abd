// AAC encoding of interleaved 16-bit PCM (FFmpeg's native encoder, 128 kb/s). Samples are
// gathered into whole encoder frames; packets come out with timestamps in samples
// (time base 1/sampleRate), continuous from 0.
#ifndef QELMUXER_AUDIO_ENCODER_H
#define QELMUXER_AUDIO_ENCODER_H

#include <cstdint>
#include <string>

#include "EncoderOutput.h"

struct AVCodecContext;
struct AVCodecParameters;
struct AVFrame;
struct AVPacket;

namespace qelmuxer {

class AudioEncoder {
public:
    AudioEncoder() = default;
    ~AudioEncoder();
    AudioEncoder(const AudioEncoder&) = delete;
    AudioEncoder& operator=(const AudioEncoder&) = delete;

    static bool supportsRate(int sampleRate);
    bool open(int sampleRate, int channels, std::string* error);
    // Parameters for the container (valid after open).
    bool fillParameters(AVCodecParameters* par) const;
    void setSink(PacketSink sink) { m_sink = std::move(sink); }

    bool addSamples(const int16_t* interleaved, int frames);
    bool addSilence(int64_t frames);
    // Encodes what is gathered and drains the encoder.
    bool flush();

private:
    bool sendFrame(bool last);
    bool drain();

    AVCodecContext* m_ctx = nullptr;
    AVFrame* m_frame = nullptr;
    AVPacket* m_packet = nullptr;
    PacketSink m_sink;
    int m_channels = 0;
    int m_frameSize = 0;
    int m_filled = 0;
    int64_t m_nextPts = 0;
};

}  // namespace qelmuxer

#endif
