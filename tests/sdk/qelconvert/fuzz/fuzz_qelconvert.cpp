// Feeds arbitrary bytes to every decoder type and size of the converter.
// Input: byte 0 picks the media type, byte 1 the declared size; the rest is a sequence of
// packets, each a 2-byte little-endian length followed by that many bytes (the last packet takes
// what is left). Every packet is copied into a buffer of exactly its size, and the output buffer
// is followed by guard bytes that must stay untouched.
#include <QtGlobal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "qelconvert.h"
#include "qelconvert_extra.h"

namespace {

struct Size {
    int width;
    int height;
};
constexpr Size kSizes[] = {{1, 1}, {2, 2}, {3, 5}, {17, 9}, {33, 18}, {64, 48}, {128, 16}, {320, 240}};
constexpr int kSizeCount = sizeof kSizes / sizeof kSizes[0];
constexpr size_t kGuard = 64;
constexpr uint8_t kGuardByte = 0xA5;

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    av_log_set_level(AV_LOG_QUIET);
    qInstallMessageHandler(quiet);
    qelconvert_init();
    return 0;
}

volatile unsigned g_sink = 0;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    const int type = 1 + data[0] % QEL_MEDIA_LAST;
    const Size declared = kSizes[data[1] % kSizeCount];
    char key[QEL_TEXT_BUFFER_SIZE];
    if (qelconver_create_video_decoder(key, 0, type, declared.width, declared.height,
                                       QEL_COLORSPACE_YUV420P) != 1) {
        abort();  // every type and size here is valid
    }
    int frameBytes = 0;
    qelconvert_count_colorspace_buffer_size(QEL_COLORSPACE_YUV420P, declared.width, declared.height,
                                            &frameBytes);
    std::vector<uint8_t> out(size_t(frameBytes) + kGuard, kGuardByte);
    size_t pos = 2;
    while (pos < size) {
        size_t length = size - pos;
        if (length >= 2) {
            const size_t prefixed = size_t(data[pos]) | size_t(data[pos + 1]) << 8;
            pos += 2;
            length = std::min(prefixed, size - pos);
        }
        std::vector<uint8_t> packet(data + pos, data + pos + length);
        pos += length;
        int outSize = 0;
        const int answer =
            qelconvert_video_decode(key, packet.data(), int(packet.size()), out.data(), &outSize);
        if (answer && outSize != frameBytes) {
            abort();
        }
        for (size_t i = size_t(frameBytes); i < out.size(); ++i) {
            if (out[i] != kGuardByte) {
                abort();  // written past the frame
            }
        }
        // The same packet into the decoder's own planes: every sample of a decoded picture is
        // read, so the sanitizer sees any plane shorter than it claims.
        QELPlanarPicture picture{};
        if (qelconvert_video_decode_planes(key, packet.data(), int(packet.size()), &picture) == 1) {
            if (picture.width != declared.width || picture.height != declared.height) {
                abort();
            }
            unsigned sum = 0;
            for (int p = 0; p < 3 && picture.planes[p]; ++p) {
                const int w =
                    p == 0 ? picture.width : (picture.width + picture.chromaShiftX) >> picture.chromaShiftX;
                const int h =
                    p == 0 ? picture.height : (picture.height + picture.chromaShiftY) >> picture.chromaShiftY;
                for (int y = 0; y < h; ++y) {
                    for (int x = 0; x < w; ++x) {
                        sum += picture.planes[p][ptrdiff_t(y) * picture.strides[p] + x];
                    }
                }
            }
            g_sink = g_sink + sum;
        }
    }
    qelconvert_release_video_decoder(key);
    return 0;
}
