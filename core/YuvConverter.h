// Conversion of decoded planar YUV 4:2:0 frames into RGB pictures for photos.
#ifndef CORVIX_YUV_CONVERTER_H
#define CORVIX_YUV_CONVERTER_H

#include <QImage>

// Bytes of one planar YUV 4:2:0 frame: the full-size Y plane, then U and V planes of
// ceil(width / 2) x ceil(height / 2) each.
int yuv420pFrameSize(int width, int height);

// Converts one planar YUV 4:2:0 frame (BT.601, limited range) into rows of 3 * width bytes
// in R, G, B order. rgb must hold 3 * width * height bytes.
void yuv420pToRgb24(const unsigned char* yuv, int width, int height, unsigned char* rgb);

// The frame as an RGB888 image; a null image when the size is not positive or the buffer
// holds fewer than yuv420pFrameSize bytes.
QImage yuv420pToImage(const unsigned char* yuv, int size, int width, int height);

// Bytes of one packed YUY2 (Y0 U Y1 V) frame: two bytes a pixel, rows of whole pixel pairs.
int yuy2FrameSize(int width, int height);

// One packed YUY2 frame (BT.601, limited range) as a 32-bit RGB image; a null image when the size
// is not positive or the buffer holds fewer than yuy2FrameSize bytes.
QImage yuy2ToImage(const unsigned char* yuy2, int size, int width, int height);

#endif
