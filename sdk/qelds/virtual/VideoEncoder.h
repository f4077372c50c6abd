// H.264 / H.265 encoding of generated pictures through libavcodec (libx264 / libx265) with
// low-latency settings: no B-frames, no lookahead, Annex B with the parameter sets repeated
// on every keyframe, keyframes exactly every `gop` frames and (as IDR pictures) on request.
#ifndef QELDS_VIRTUAL_VIDEO_ENCODER_H
#define QELDS_VIRTUAL_VIDEO_ENCODER_H

#include <cstdint>
#include <string>

#include "YuvImage.h"

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace qelds {

class VideoEncoder {
public:
    VideoEncoder() = default;
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // mediaType 3 (H.264) or 4 (H.265).
    bool open(int mediaType, int width, int height, int fps, int bitsPerSecond, int gop, std::string* error);
    void close();
    bool isOpen() const { return m_ctx != nullptr; }
    // Brings the encoder's picture up to date with the changed parts of image and encodes it,
    // as an IDR picture when keyframe is set (the GOP counts on from there).
    // False when no packet came out (or encoding failed: see error).
    bool encode(const YuvImage& image, const DirtyRegion& dirty, bool keyframe, const uint8_t** data,
                int* size, std::string* error);

    static int defaultBitrate(int width, int height, int fps);

private:
    void convert(const YuvImage& image, Rect r);

    AVCodecContext* m_ctx = nullptr;
    AVFrame* m_frame = nullptr;
    AVPacket* m_packet = nullptr;
    int64_t m_pts = 0;
    bool m_needFull = true;
};

// Limited-range (16-235 / 16-240) versions of the full-range samples the scene is drawn in.
struct RangeTables {
    uint8_t luma[256];
    uint8_t chroma[256];
    static const RangeTables& get();
};

}  // namespace qelds

#endif
