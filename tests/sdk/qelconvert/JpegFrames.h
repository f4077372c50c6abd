// JPEG frames in the shapes cameras send, written with libjpeg: any chroma sampling, grey,
// restart intervals, progressive, and frames without Huffman tables.
#ifndef JPEG_FRAMES_H
#define JPEG_FRAMES_H

#include <QByteArray>

namespace JpegFrames {

enum class Sampling { S420, S422, S444, Grey };

struct Options {
    Sampling sampling = Sampling::S422;
    int quality = 90;
    int restartRows = 0;  // a restart marker every n MCU rows; 0 none
    bool progressive = false;
};

// Encodes a tightly packed RGB24 picture; the tables are the standard ones.
QByteArray encode(const QByteArray& rgb, int width, int height, const Options& options);
// The same bytes without their Huffman table segments (valid: the tables were the standard ones).
QByteArray withoutHuffmanTables(const QByteArray& jpeg);
// Offset of the first byte of coded data (after the start-of-scan header); -1 when none.
int scanDataOffset(const QByteArray& jpeg);

}  // namespace JpegFrames

#endif
