#include "JpegFrames.h"

#include <cstdio>
#include <cstdlib>

extern "C" {
#include <jpeglib.h>
}

namespace JpegFrames {

QByteArray encode(const QByteArray& rgb, int width, int height, const Options& options) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* bytes = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &bytes, &size);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, options.quality, TRUE);
    c.optimize_coding = FALSE;
    if (options.sampling == Sampling::Grey) {
        jpeg_set_colorspace(&c, JCS_GRAYSCALE);
    } else {
        const int h = options.sampling == Sampling::S444 ? 1 : 2;
        const int v = options.sampling == Sampling::S420 ? 2 : 1;
        c.comp_info[0].h_samp_factor = h;
        c.comp_info[0].v_samp_factor = v;
    }
    c.restart_in_rows = options.restartRows;
    if (options.progressive) {
        jpeg_simple_progression(&c);
    }
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<char*>(rgb.constData())) +
                       size_t(c.next_scanline) * size_t(width) * 3;
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray out(reinterpret_cast<const char*>(bytes), int(size));
    std::free(bytes);
    return out;
}

namespace {

// Calls visit(offset, marker, segmentLength) for every marker segment before the coded data.
template <typename Visit>
int walkHeaders(const QByteArray& jpeg, Visit&& visit) {
    int i = 2;
    while (i + 4 <= jpeg.size()) {
        const auto marker = uint8_t(jpeg[i + 1]);
        const int length = (uint8_t(jpeg[i + 2]) << 8) | uint8_t(jpeg[i + 3]);
        visit(i, marker, length);
        if (marker == 0xDA) {
            return i + 2 + length;
        }
        i += 2 + length;
    }
    return -1;
}

}  // namespace

QByteArray withoutHuffmanTables(const QByteArray& jpeg) {
    QByteArray out = jpeg.left(2);
    int scan = walkHeaders(jpeg, [&](int offset, uint8_t marker, int length) {
        if (marker != 0xC4) {
            out.append(jpeg.mid(offset, marker == 0xDA ? jpeg.size() - offset : 2 + length));
        }
    });
    return scan < 0 ? QByteArray() : out;
}

int scanDataOffset(const QByteArray& jpeg) {
    return walkHeaders(jpeg, [](int, uint8_t, int) {});
}

}  // namespace JpegFrames
