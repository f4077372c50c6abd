// libavcodec decoding of the frames a camera delivers, for checking them in tests.
#ifndef TESTS_QELDS_DECODER_H
#define TESTS_QELDS_DECODER_H

#include <cstdint>
#include <vector>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

class Decoder {
public:
    // mediaType 1 (JPEG), 3 (H.264) or 4 (H.265).
    explicit Decoder(int mediaType);
    ~Decoder();
    // True when the data decoded into a picture; width/height/format of the last picture below.
    bool decode(const std::vector<uint8_t>& data);
    int width() const;
    int height() const;
    int pixelFormat() const;
    bool keyFrame() const;
    // Mean of the luma plane of the last picture.
    double meanLuma() const;

private:
    AVCodecContext* m_ctx = nullptr;
    AVFrame* m_frame = nullptr;
    AVPacket* m_packet = nullptr;
};

// Counts the IDR (H.264) / IRAP (H.265) access units in an Annex B frame.
bool isKeyAccessUnit(const std::vector<uint8_t>& data, int mediaType);

#endif
