#include "qelconvert.h"
#include "qelconvert_extra.h"

#include <QtGlobal>
#include <atomic>
#include <cstdio>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "DecoderTable.h"
#include "VideoDecoder.h"
#include "Yuv420Writer.h"

namespace {

std::atomic<bool> g_initialised{false};
std::atomic<unsigned> g_refusals{0};

// Per-frame refusals are logged the first few times and then every few hundredth.
bool shouldLogRefusal() {
    const unsigned n = g_refusals.fetch_add(1, std::memory_order_relaxed);
    return n < 5 || n % 300 == 0;
}

DecoderTable& decoders() {
    static DecoderTable table;
    return table;
}

int64_t colorSpaceBytes(int colorSpace, int width, int height) {
    const int64_t pixels = Yuv420Writer::frameBytes(width, height) ? int64_t(width) * height : 0;
    if (pixels == 0) {
        return 0;
    }
    switch (colorSpace) {
        case QEL_COLORSPACE_RGB24:
        case QEL_COLORSPACE_BGR24:
            return pixels * 3;
        case QEL_COLORSPACE_YUY2:
            return int64_t((width + 1) / 2) * 4 * height;
        case QEL_COLORSPACE_YUV420P:
            return Yuv420Writer::frameBytes(width, height);
        default:
            return 0;
    }
}

}  // namespace

int qelconvert_init(void) {
    g_initialised = true;
    return 1;
}

int qelconvert_uninit(void) {
    g_initialised = false;
    decoders().clear();
    return 1;
}

int qelconvert_get_version(char* buf) {
    if (!buf) {
        return 0;
    }
    const unsigned v = avcodec_version();
    std::snprintf(buf, QEL_TEXT_BUFFER_SIZE, "qelconvert 1.0.1 (libavcodec %u.%u.%u)", v >> 16,
                  (v >> 8) & 0xff, v & 0xff);
    return 1;
}

int qelconver_create_video_decoder(char* keyOut, long reserved, int mediaType, int width, int height,
                                   int colorSpace) {
    if (!keyOut || reserved != 0) {
        qWarning("qelconver_create_video_decoder: null key buffer or reserved %ld", reserved);
        return 0;
    }
    if (!g_initialised) {
        qWarning("qelconver_create_video_decoder: qelconvert_init was not called");
        return 0;
    }
    if (colorSpace != QEL_COLORSPACE_YUV420P) {
        qWarning("qelconver_create_video_decoder: unsupported colour space %d", colorSpace);
        return 0;
    }
    std::shared_ptr<VideoDecoder> decoder = VideoDecoder::create(mediaType, width, height);
    if (!decoder) {
        qWarning("qelconver_create_video_decoder: no decoder for type %d %dx%d", mediaType, width, height);
        return 0;
    }
    decoders().add(std::move(decoder), keyOut);
    return 1;
}

int qelconvert_count_colorspace_buffer_size(int colorSpace, int width, int height, int* bytes) {
    const int64_t n = colorSpaceBytes(colorSpace, width, height);
    if (!bytes || n <= 0 || n > INT32_MAX) {
        return 0;
    }
    *bytes = int(n);
    return 1;
}

int qelconvert_video_decode(const char* key, const unsigned char* data, int size, unsigned char* outBuffer,
                            int* outSize) {
    if (!data || size <= 0 || !outBuffer || !outSize) {
        if (shouldLogRefusal()) {
            qWarning("qelconvert_video_decode: null buffer or size %d", size);
        }
        return 0;
    }
    const std::shared_ptr<VideoDecoder> decoder = decoders().find(key);
    if (!decoder) {
        if (shouldLogRefusal()) {
            qWarning("qelconvert_video_decode: unknown key");
        }
        return 0;
    }
    if (!decoder->decode(data, size, outBuffer)) {
        return 0;
    }
    *outSize = decoder->frameBytes();
    return 1;
}

int qelconvert_video_decode_planes(const char* key, const unsigned char* data, int size,
                                   QELPlanarPicture* out) {
    if (!data || size <= 0 || !out) {
        if (shouldLogRefusal()) {
            qWarning("qelconvert_video_decode_planes: null buffer or size %d", size);
        }
        return 0;
    }
    const std::shared_ptr<VideoDecoder> decoder = decoders().find(key);
    if (!decoder) {
        if (shouldLogRefusal()) {
            qWarning("qelconvert_video_decode_planes: unknown key");
        }
        return 0;
    }
    return decoder->decodePlanes(data, size, out);
}

int qelconvert_release_video_decoder(const char* key) {
    if (!decoders().remove(key)) {
        qWarning("qelconvert_release_video_decoder: unknown key");
        return 0;
    }
    return 1;
}

int qelconvert_release_all_decoder(void) {
    decoders().clear();
    return 1;
}
