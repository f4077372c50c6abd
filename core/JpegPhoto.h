// JPEG work of the photo writer through libjpeg(-turbo): decode a camera frame once, encode a
// picture once, and add segments to a camera's JPEG without touching its compressed data.
#ifndef CORVIX_JPEG_PHOTO_H
#define CORVIX_JPEG_PHOTO_H

#include <QByteArray>
#include <QImage>

class JpegPhoto {
public:
    // Chroma resolution of a picture: full (4:4:4), half across (4:2:2), half both ways (4:2:0).
    enum class Chroma { Full, HalfWidth, Quarter };

    struct Header {
        int width = 0;
        int height = 0;
        Chroma chroma = Chroma::Quarter;  // anything that is not 4:4:4 or 4:2:2 counts as 4:2:0
    };

    // Decodes jpeg into a 32-bit RGB image (a frame without Huffman tables decodes with the
    // standard ones). False when libjpeg refuses it or its data are cut short or corrupt.
    static bool decode(const QByteArray& jpeg, QImage* image, Header* header);
    // The same checks without keeping the picture (decoded at 1/8 scale).
    static bool check(const QByteArray& jpeg, Header* header);

    // Encodes image at quality (1-100) with 4:2:2 or 4:2:0 chroma; empty on failure.
    static QByteArray encode(const QImage& image, int quality, bool chroma422);

    // jpeg with app1 inserted after SOI (after a leading JFIF APP0) and, when the frame carries
    // no Huffman tables, the standard ones as a DHT segment before the first SOS. Every byte of
    // jpeg is kept in order. Empty when jpeg's segments are malformed.
    static QByteArray withSegments(const QByteArray& jpeg, const QByteArray& app1);

    // The JPEG standard's example Huffman tables (luminance and chrominance, DC and AC) as one
    // DHT segment, in the slots 0 and 1 that motion-JPEG frames refer to.
    static QByteArray standardHuffmanSegment();
};

#endif
