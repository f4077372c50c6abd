// The preview thread's work per frame, as the program does it for a JPEG camera: decode the
// camera's JPEG, convert it to planar YUV 4:2:0 (limited range) for the muxer, and convert and
// scale it for the screen. The camera's frames are 30 JPEGs of moving textured content made
// once at start.
#ifndef BENCH_MEDIA_RECORD_PREVIEW_SIMULATOR_H
#define BENCH_MEDIA_RECORD_PREVIEW_SIMULATOR_H

#include <cstdint>
#include <vector>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

class PreviewSimulator {
public:
    PreviewSimulator(int width, int height);
    ~PreviewSimulator();
    bool ready() const { return m_ready; }

    // Decodes camera frame `index` into the 4:2:0 frame and draws it for the screen.
    // `flash`: a white frame instead (a marker for measuring sync).
    bool nextFrame(int index, bool flash);
    const std::vector<uint8_t>& yuv() const { return m_yuv; }

private:
    void makeJpegs();

    int m_width;
    int m_height;
    bool m_ready = false;
    std::vector<std::vector<uint8_t>> m_jpegs;
    std::vector<uint8_t> m_yuv;
    std::vector<uint8_t> m_screen;
    std::vector<uint8_t> m_white;
    AVCodecContext* m_decoder = nullptr;
    AVFrame* m_frame = nullptr;
    AVPacket* m_packet = nullptr;
    SwsContext* m_toYuv = nullptr;
    SwsContext* m_toScreen = nullptr;
};

#endif
