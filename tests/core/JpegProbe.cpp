#include "JpegProbe.h"

#include <libexif/exif-data.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
// clang-format off
#include <jpeglib.h>
// clang-format on

namespace {

struct Errors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void onError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<Errors*>(cinfo->err)->jump, 1);
}

// The luminance table libjpeg writes at quality q.
bool luminanceTable(int q, JQUANT_TBL* table) {
    jpeg_compress_struct c;
    Errors err;
    c.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&c);
        return false;
    }
    jpeg_create_compress(&c);
    c.in_color_space = JCS_RGB;
    c.input_components = 3;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, q, TRUE);
    *table = *c.quant_tbl_ptrs[0];
    jpeg_destroy_compress(&c);
    return true;
}

// The quality whose luminance table is the file's.
int matchQuality(const JQUANT_TBL* table) {
    for (int q = 1; q <= 100; ++q) {
        JQUANT_TBL atQ;
        if (luminanceTable(q, &atQ) &&
            std::memcmp(atQ.quantval, table->quantval, sizeof(table->quantval)) == 0) {
            return q;
        }
    }
    return 0;
}

}  // namespace

ProbedJpeg probeJpeg(const QByteArray& jpeg) {
    ProbedJpeg result;
    jpeg_decompress_struct c;
    Errors err;
    c.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&c);
        result.ok = false;
        return result;
    }
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, reinterpret_cast<const unsigned char*>(jpeg.constData()), jpeg.size());
    jpeg_read_header(&c, TRUE);
    result.width = int(c.image_width);
    result.height = int(c.image_height);
    if (c.num_components == 3 && c.comp_info[1].h_samp_factor == c.comp_info[2].h_samp_factor &&
        c.comp_info[1].v_samp_factor == c.comp_info[2].v_samp_factor) {
        result.lumaH = c.comp_info[0].h_samp_factor;
        result.lumaV = c.comp_info[0].v_samp_factor;
        result.chromaH = c.comp_info[1].h_samp_factor;
        result.chromaV = c.comp_info[1].v_samp_factor;
    }
    if (c.quant_tbl_ptrs[0]) {
        result.quality = matchQuality(c.quant_tbl_ptrs[0]);
    }
    c.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&c);
    result.image = QImage(int(c.output_width), int(c.output_height), QImage::Format_RGB32);
    while (c.output_scanline < c.output_height) {
        JSAMPROW row = result.image.scanLine(int(c.output_scanline));
        jpeg_read_scanlines(&c, &row, 1);
    }
    jpeg_finish_decompress(&c);
    result.ok = c.err->num_warnings == 0;
    jpeg_destroy_decompress(&c);
    return result;
}

QList<JpegSegment> jpegSegments(const QByteArray& jpeg) {
    QList<JpegSegment> segments;
    const auto at = [&](int i) { return static_cast<unsigned char>(jpeg.at(i)); };
    if (jpeg.size() < 4 || at(0) != 0xFF || at(1) != 0xD8) {
        return segments;
    }
    segments.append({0xD8, 0, 2});
    int pos = 2;
    while (pos + 3 < jpeg.size() && at(pos) == 0xFF) {
        JpegSegment s;
        s.marker = at(pos + 1);
        s.offset = pos;
        s.size = 2 + ((at(pos + 2) << 8) | at(pos + 3));
        segments.append(s);
        if (s.marker == 0xDA) {
            break;
        }
        pos += s.size;
    }
    return segments;
}

QByteArray withoutSegments(const QByteArray& jpeg, const QList<int>& indices) {
    const QList<JpegSegment> segments = jpegSegments(jpeg);
    QByteArray out = jpeg;
    // From the back, so that earlier offsets stay valid.
    QList<int> sorted = indices;
    std::sort(sorted.begin(), sorted.end(), std::greater<int>());
    for (int i : sorted) {
        out.remove(segments.at(i).offset, segments.at(i).size);
    }
    return out;
}

QByteArray makeJpeg(const QImage& source, int quality, int lumaH, int lumaV, bool jfif) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    jpeg_compress_struct c;
    Errors err;
    unsigned char* out = nullptr;
    unsigned long size = 0;
    c.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&c);
        std::free(out);
        return QByteArray();
    }
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = JDIMENSION(image.width());
    c.image_height = JDIMENSION(image.height());
    c.input_components = 4;
    c.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    c.write_JFIF_header = jfif ? TRUE : FALSE;
    c.comp_info[0].h_samp_factor = lumaH;
    c.comp_info[0].v_samp_factor = lumaV;
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<unsigned char*>(image.constScanLine(int(c.next_scanline)));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray bytes(reinterpret_cast<const char*>(out), int(size));
    std::free(out);
    return bytes;
}

QString exifValue(const QByteArray& jpeg, int ifd, int tag) {
    ExifData* data = exif_data_new_from_data(reinterpret_cast<const unsigned char*>(jpeg.constData()),
                                             unsigned(jpeg.size()));
    if (!data) {
        return QString();
    }
    QString value;
    if (ExifEntry* entry = exif_content_get_entry(data->ifd[ifd], ExifTag(tag))) {
        char text[1024] = {};
        exif_entry_get_value(entry, text, sizeof(text));
        value = QString::fromUtf8(text);
    }
    exif_data_unref(data);
    return value;
}
