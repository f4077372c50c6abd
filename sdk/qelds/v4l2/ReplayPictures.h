// Pictures in replayed frames, so that a replayed camera shows something: a grey ramp with a
// moving bar in packed 4:2:2 frames, a light grey JPEG in MJPEG frames. Both write into the
// frame buffer only; nothing is allocated per frame.
#ifndef QELDS_REPLAY_PICTURES_H
#define QELDS_REPLAY_PICTURES_H

#include <cstdint>

namespace qelds {

// YUYV or UYVY (`fourcc`) into the first `used` bytes of a frame `width` pixels wide.
void drawPackedPicture(uint8_t* m, uint32_t used, uint32_t fourcc, uint32_t width, uint32_t bytesPerLine,
                       uint32_t seq);

// Bytes of the JPEG writeReplayJpeg writes for this size.
uint32_t replayJpegBytes(uint32_t width, uint32_t height);
// A whole baseline JPEG (4:2:0, uniformly light grey) of this size; a comment segment right after
// the start marker carries the sequence number at bytes 8 to 11. Answers the bytes written, 0
// when `capacity` is too small.
uint32_t writeReplayJpeg(uint8_t* m, uint32_t capacity, uint32_t width, uint32_t height, uint32_t seq);

}  // namespace qelds

#endif
