#include "YuvConverter.h"

#include <cstring>

namespace {

inline unsigned char clampByte(int v) {
    return static_cast<unsigned char>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

inline QRgb yuvToRgb(int y, int u, int v) {
    const int c = y - 16;
    const int d = u - 128;
    const int e = v - 128;
    return qRgb(clampByte((298 * c + 409 * e + 128) >> 8),
                clampByte((298 * c - 100 * d - 208 * e + 128) >> 8),
                clampByte((298 * c + 516 * d + 128) >> 8));
}

}  // namespace

int yuv420pFrameSize(int width, int height) {
    if (width <= 0 || height <= 0) {
        return 0;
    }
    const int chromaWidth = (width + 1) / 2;
    const int chromaHeight = (height + 1) / 2;
    return width * height + 2 * chromaWidth * chromaHeight;
}

void yuv420pToRgb24(const unsigned char* yuv, int width, int height, unsigned char* rgb) {
    // Odd sizes round the chroma planes up, as the decoder lays them out.
    const int chromaWidth = (width + 1) / 2;
    const int chromaHeight = (height + 1) / 2;
    const unsigned char* planeY = yuv;
    const unsigned char* planeU = yuv + width * height;
    const unsigned char* planeV = planeU + chromaWidth * chromaHeight;
    for (int y = 0; y < height; ++y) {
        const unsigned char* rowY = planeY + y * width;
        const unsigned char* rowU = planeU + (y / 2) * chromaWidth;
        const unsigned char* rowV = planeV + (y / 2) * chromaWidth;
        unsigned char* out = rgb + static_cast<size_t>(y) * width * 3;
        for (int x = 0; x < width; ++x) {
            const int c = rowY[x] - 16;
            const int d = rowU[x / 2] - 128;
            const int e = rowV[x / 2] - 128;
            out[0] = clampByte((298 * c + 409 * e + 128) >> 8);
            out[1] = clampByte((298 * c - 100 * d - 208 * e + 128) >> 8);
            out[2] = clampByte((298 * c + 516 * d + 128) >> 8);
            out += 3;
        }
    }
}

QImage yuv420pToImage(const unsigned char* yuv, int size, int width, int height) {
    const int needed = yuv420pFrameSize(width, height);
    if (!yuv || needed == 0 || size < needed) {
        return QImage();
    }
    QImage image(width, height, QImage::Format_RGB888);
    if (image.isNull()) {
        return image;
    }
    if (image.bytesPerLine() == width * 3) {
        yuv420pToRgb24(yuv, width, height, image.bits());
    } else {
        // QImage pads rows to 4 bytes: convert into a tight buffer, then copy row by row.
        QByteArray tight(width * height * 3, Qt::Uninitialized);
        yuv420pToRgb24(yuv, width, height, reinterpret_cast<unsigned char*>(tight.data()));
        for (int y = 0; y < height; ++y) {
            memcpy(image.scanLine(y), tight.constData() + y * width * 3, static_cast<size_t>(width) * 3);
        }
    }
    return image;
}

int yuy2FrameSize(int width, int height) {
    if (width <= 0 || height <= 0) {
        return 0;
    }
    return ((width + 1) / 2) * 4 * height;
}

QImage yuy2ToImage(const unsigned char* yuy2, int size, int width, int height) {
    const int needed = yuy2FrameSize(width, height);
    if (!yuy2 || needed == 0 || size < needed) {
        return QImage();
    }
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) {
        return image;
    }
    const int stride = ((width + 1) / 2) * 4;
    for (int y = 0; y < height; ++y) {
        const unsigned char* in = yuy2 + static_cast<size_t>(y) * stride;
        QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; x += 2, in += 4) {
            out[x] = yuvToRgb(in[0], in[1], in[3]);
            if (x + 1 < width) {
                out[x + 1] = yuvToRgb(in[2], in[1], in[3]);
            }
        }
    }
    return image;
}
