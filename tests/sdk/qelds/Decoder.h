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
    // True when the data decoded into a whole, undamaged picture; the picture's figures below.
    bool decode(const uint8_t* data, int size);
    bool decode(const std::vector<uint8_t>& data) { return decode(data.data(), int(data.size())); }
    int width() const;
    int height() const;
    int pixelFormat() const;
    const uint8_t* lumaRow(int y) const;

private:
    AVCodecContext* m_ctx = nullptr;
    AVFrame* m_frame = nullptr;
    AVPacket* m_packet = nullptr;
};

// True when an Annex B frame holds an IDR (H.264) / IRAP (H.265) access unit.
bool isKeyAccessUnit(const std::vector<uint8_t>& data, int mediaType);

#endif
