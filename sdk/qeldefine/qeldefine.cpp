#include "qeldefine.h"

#include <cstring>

namespace {

const char* mediaTypeName(int mediaType) {
    switch (mediaType) {
        case QEL_MEDIA_MJPEG: return "MJPG";
        case QEL_MEDIA_YUY2: return "YUY2";
        case QEL_MEDIA_H264: return "H264";
        case QEL_MEDIA_H265: return "H265";
        case QEL_MEDIA_NV12: return "NV12";
        case QEL_MEDIA_I420: return "I420";
        case QEL_MEDIA_UYVY: return "UYVY";
        case QEL_MEDIA_GREY: return "GREY";
        case QEL_MEDIA_RGB24: return "RGB3";
        case QEL_MEDIA_BGR24: return "BGR3";
        default: return nullptr;
    }
}

}  // namespace

int qeldefine_get_media_type_string(int mediaType, char* buf) {
    const char* name = mediaTypeName(mediaType);
    if (!name || !buf) {
        return 0;
    }
    std::strncpy(buf, name, QEL_TEXT_BUFFER_SIZE - 1);
    buf[QEL_TEXT_BUFFER_SIZE - 1] = '\0';
    return 1;
}
