// The preview thread's work per frame, as the program does it for a JPEG camera: decode the
// camera's JPEG to planar YUV 4:2:0 (limited range) for the muxer with the program's decoder
// library, and convert it to 32-bit RGB for the screen. The camera's frames are 30 JPEGs of moving textured content made
// once at start.
#ifndef BENCH_MEDIA_RECORD_PREVIEW_SIMULATOR_H
#define BENCH_MEDIA_RECORD_PREVIEW_SIMULATOR_H

#include <cstdint>
#include <vector>

#include "qelexport.h"


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
    char m_decoderKey[QEL_TEXT_BUFFER_SIZE] = {};
};

#endif
