// Media type codes, colour spaces and their display names, shared by all camera libraries.
#ifndef QEL_DEFINE_H
#define QEL_DEFINE_H

#include "qelexport.h"

// Media type codes. 1-4 are the ones the camera model interprets; the others are
// further V4L2 pixel formats a camera may offer.
enum QELMediaType {
    QEL_MEDIA_UNKNOWN = 0,
    QEL_MEDIA_MJPEG = 1,   // "MJPG": every frame is a complete JPEG file
    QEL_MEDIA_YUY2 = 2,    // "YUY2": packed 4:2:2, Y0 U Y1 V
    QEL_MEDIA_H264 = 3,    // "H264": Annex B byte stream, one access unit per frame
    QEL_MEDIA_H265 = 4,    // "H265": Annex B byte stream, one access unit per frame
    QEL_MEDIA_NV12 = 5,    // "NV12": Y plane, interleaved UV plane
    QEL_MEDIA_I420 = 6,    // "I420": planar 4:2:0, Y then U then V
    QEL_MEDIA_UYVY = 7,    // "UYVY": packed 4:2:2, U Y0 V Y1
    QEL_MEDIA_GREY = 8,    // "GREY": 8-bit luminance only
    QEL_MEDIA_RGB24 = 9,   // "RGB3": packed R G B
    QEL_MEDIA_BGR24 = 10,  // "BGR3": packed B G R
    QEL_MEDIA_LAST = QEL_MEDIA_BGR24
};

// Raw colour spaces of decoded frames.
enum QELColorSpaceType {
    QEL_COLORSPACE_UNKNOWN = 0,
    QEL_COLORSPACE_RGB24 = 1,
    QEL_COLORSPACE_BGR24 = 2,
    QEL_COLORSPACE_YUY2 = 3,
    // Planar YUV 4:2:0: full-size Y plane, then the quarter-size U plane, then V (BT.601, limited range).
    QEL_COLORSPACE_YUV420P = 4
};

QEL_EXTERN_C_BEGIN

// Writes the display name of a media type ("MJPG", "YUY2", "H264", "H265", ...) into
// buf (QEL_TEXT_BUFFER_SIZE bytes). Returns 1 on success, 0 for an unknown type or a null buffer.
QEL_API int qeldefine_get_media_type_string(int mediaType, char* buf);

QEL_EXTERN_C_END

#endif
