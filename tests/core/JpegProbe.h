// Reads back what a JPEG file holds (through libjpeg and libexif, independently of the code under
// test), and makes camera-like JPEG frames to feed it.
#ifndef CORVIX_TESTS_JPEG_PROBE_H
#define CORVIX_TESTS_JPEG_PROBE_H

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

struct ProbedJpeg {
    bool ok = false;  // libjpeg decoded it without an error or a warning
    int width = 0;
    int height = 0;
    int lumaH = 0;  // sampling factors of Y and of Cb (Cr is checked equal to Cb)
    int lumaV = 0;
    int chromaH = 0;
    int chromaV = 0;
    int quality = 0;  // libjpeg quality whose luminance table matches; 0 when none does
    QImage image;     // the decoded picture (RGB32)
};

struct JpegSegment {
    int marker = 0;  // 0xC4, 0xDA, 0xE0, ...
    int offset = 0;  // of the 0xFF
    int size = 0;    // marker and length field included
};

ProbedJpeg probeJpeg(const QByteArray& jpeg);

// Segments from SOI up to and including the first SOS.
QList<JpegSegment> jpegSegments(const QByteArray& jpeg);

// bytes with the segments at the given indices of jpegSegments(bytes) removed.
QByteArray withoutSegments(const QByteArray& jpeg, const QList<int>& indices);

// A baseline JPEG of image at quality with the given luma sampling (chroma 1x1) and the standard
// Huffman tables; with jfif false no APP0 is written.
QByteArray makeJpeg(const QImage& image, int quality, int lumaH, int lumaV, bool jfif = true);

// The ASCII or number value of an EXIF tag in the file, as libexif shows it; empty when absent.
QString exifValue(const QByteArray& jpeg, int ifd, int tag);

#endif
