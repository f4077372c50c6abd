// Compressed camera formats (MJPEG, H.264, H.265) decoded with libavcodec.
#ifndef QEL_CODEC_DECODER_H
#define QEL_CODEC_DECODER_H

#include <memory>

#include "VideoDecoder.h"
#include "Yuv420Writer.h"

struct AVBufferRef;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;

class CodecDecoder : public VideoDecoder {
public:
    static std::unique_ptr<CodecDecoder> create(int mediaType, int width, int height);
    ~CodecDecoder() override;

protected:
    bool decodeFrame(const uint8_t* data, int size, uint8_t* out) override;

private:
    CodecDecoder(int mediaType, int width, int height);
    bool open();
    bool fillPacket(const uint8_t* data, int size);
    // Pulls every picture the decoder has ready and keeps the latest acceptable one in m_latest.
    bool receiveLatest();

    Yuv420Writer m_writer;
    AVCodecContext* m_context = nullptr;
    AVPacket* m_packet = nullptr;
    AVBufferRef* m_packetBuffer = nullptr;  // padded copy of the caller's bytes, reused
    AVFrame* m_frame = nullptr;
    AVFrame* m_latest = nullptr;
    // Encoded streams show nothing until a keyframe: pictures predicted from missing references
    // are grey smears.
    bool m_needKeyframe;
    // JPEG frames without an end-of-image marker are cut short and dropped - unless the camera
    // never sent a complete one, then it is a camera that leaves the marker out.
    bool m_sawCompleteJpeg = false;
    bool m_jpegWithoutEnd = false;
    int m_incompleteJpegs = 0;
};

#endif
