// H.264 encoding of decoded planar YUV 4:2:0 frames with libx264, tuned for real time on a
// small machine. Frames are handed over by reference: the pixels stay in the caller's slot
// until the encoder lets go of them, then `release` is called with the slot.
#ifndef QELMUXER_VIDEO_ENCODER_H
#define QELMUXER_VIDEO_ENCODER_H

#include <cstdint>
#include <string>

#include "EncoderOutput.h"

struct AVCodecContext;
struct AVCodecParameters;
struct AVFrame;
struct AVPacket;

namespace qelmuxer {

class VideoEncoder {
public:
    using Release = void (*)(void* opaque, uint8_t* data);

    // Time base of the packets: 1/90000 s.
    static constexpr int kTimeBase = 90000;

    VideoEncoder() = default;
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // Size of one input frame: Y plane, then U and V planes of ceil(w/2) x ceil(h/2).
    static int frameBytes(int width, int height);
    bool open(int width, int height, int fps, int gop, std::string* error);
    bool fillParameters(AVCodecParameters* par) const;
    void setSink(PacketSink sink) { m_sink = std::move(sink); }

    // Encodes the frame in `data` (frameBytes long) at pts (1/90000 s). `release(opaque, data)`
    // runs once the encoder no longer needs the pixels, also when encoding fails.
    bool encode(uint8_t* data, int64_t pts, Release release, void* opaque);
    bool flush();

private:
    bool drain();

    AVCodecContext* m_ctx = nullptr;
    AVFrame* m_frame = nullptr;
    AVPacket* m_packet = nullptr;
    PacketSink m_sink;
    int m_width = 0;
    int m_height = 0;
};

}  // namespace qelmuxer

#endif
