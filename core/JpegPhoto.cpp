#include "JpegPhoto.h"

// jpeglib.h needs size_t and FILE declared first.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "CoreLog.h"

namespace {

// 32-bit pixels in QImage's RGB32 byte order.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr J_COLOR_SPACE kRgb32Space = JCS_EXT_BGRX;
#else
constexpr J_COLOR_SPACE kRgb32Space = JCS_EXT_XRGB;
#endif

// libjpeg's default error handler ends the process; ours jumps back to the caller instead.
// Warnings that mean the compressed data are cut short or corrupt mark the picture damaged.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    bool damaged;
};

[[noreturn]] void onError(j_common_ptr cinfo) {
    char text[JMSG_LENGTH_MAX] = {};
    (*cinfo->err->format_message)(cinfo, text);
    qCDebug(lcCamera) << "libjpeg refused the picture:" << text;
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void onMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) {
        return;  // trace output
    }
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_MUST_RESYNC) {
        reinterpret_cast<ErrorManager*>(cinfo->err)->damaged = true;
    }
    ++cinfo->err->num_warnings;
}

void installErrorManager(jpeg_common_struct* cinfo, ErrorManager* err) {
    cinfo->err = jpeg_std_error(&err->pub);
    err->pub.error_exit = onError;
    err->pub.emit_message = onMessage;
    err->damaged = false;
}

JpegPhoto::Chroma chromaOf(const jpeg_decompress_struct& cinfo) {
    if (cinfo.num_components != 3) {
        return JpegPhoto::Chroma::Quarter;
    }
    const jpeg_component_info* c = cinfo.comp_info;
    if (c[1].h_samp_factor != c[2].h_samp_factor || c[1].v_samp_factor != c[2].v_samp_factor) {
        return JpegPhoto::Chroma::Quarter;
    }
    if (c[0].h_samp_factor == c[1].h_samp_factor && c[0].v_samp_factor == c[1].v_samp_factor) {
        return JpegPhoto::Chroma::Full;
    }
    if (c[0].h_samp_factor == 2 * c[1].h_samp_factor && c[0].v_samp_factor == c[1].v_samp_factor) {
        return JpegPhoto::Chroma::HalfWidth;
    }
    return JpegPhoto::Chroma::Quarter;
}

// Decodes at full size or at 1/8 (every coefficient is still read, so damage is still found).
bool decodeJpeg(const QByteArray& jpeg, QImage* image, JpegPhoto::Header* header, bool fullSize) {
    if (jpeg.size() < 4) {
        return false;
    }
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    installErrorManager(reinterpret_cast<jpeg_common_struct*>(&cinfo), &err);
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(jpeg.constData()), jpeg.size());
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    header->width = int(cinfo.image_width);
    header->height = int(cinfo.image_height);
    header->chroma = chromaOf(cinfo);
    cinfo.out_color_space = kRgb32Space;
    if (!fullSize) {
        cinfo.scale_num = 1;
        cinfo.scale_denom = 8;
    }
    jpeg_start_decompress(&cinfo);
    *image = QImage(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB32);
    if (image->isNull()) {
        qCWarning(lcCamera) << "no memory for a photo of" << header->width << "x" << header->height;
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = image->scanLine(int(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    if (err.damaged) {
        qCDebug(lcCamera) << "the JPEG frame is cut short or corrupt";
    }
    return !err.damaged;
}

QByteArray makeStandardHuffmanSegment() {
    // jpeg_set_defaults loads the standard tables; they are copied from there rather than
    // written out a second time here.
    jpeg_compress_struct cinfo;
    ErrorManager err;
    installErrorManager(reinterpret_cast<jpeg_common_struct*>(&cinfo), &err);
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        return QByteArray();
    }
    jpeg_create_compress(&cinfo);
    cinfo.in_color_space = JCS_RGB;
    cinfo.input_components = 3;
    jpeg_set_defaults(&cinfo);
    QByteArray body;
    for (int slot = 0; slot < 2; ++slot) {
        for (int ac = 0; ac < 2; ++ac) {
            const JHUFF_TBL* table = ac ? cinfo.ac_huff_tbl_ptrs[slot] : cinfo.dc_huff_tbl_ptrs[slot];
            if (!table) {
                jpeg_destroy_compress(&cinfo);
                return QByteArray();
            }
            body.append(char((ac << 4) | slot));
            int count = 0;
            for (int length = 1; length <= 16; ++length) {
                body.append(char(table->bits[length]));
                count += table->bits[length];
            }
            body.append(reinterpret_cast<const char*>(table->huffval), count);
        }
    }
    jpeg_destroy_compress(&cinfo);
    const int length = body.size() + 2;
    QByteArray segment;
    segment.append(char(0xFF)).append(char(0xC4)).append(char(length >> 8)).append(char(length & 0xFF));
    return segment + body;
}

inline int byteAt(const QByteArray& data, int i) {
    return static_cast<unsigned char>(data.at(i));
}

}  // namespace

bool JpegPhoto::decode(const QByteArray& jpeg, QImage* image, Header* header) {
    return decodeJpeg(jpeg, image, header, true);
}

bool JpegPhoto::check(const QByteArray& jpeg, Header* header) {
    QImage small;
    return decodeJpeg(jpeg, &small, header, false);
}

QByteArray JpegPhoto::encode(const QImage& source, int quality, bool chroma422) {
    if (source.isNull()) {
        return QByteArray();
    }
    const QImage image = (source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32)
                             ? source
                             : source.convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) {
        return QByteArray();
    }
    jpeg_compress_struct cinfo;
    ErrorManager err;
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    installErrorManager(reinterpret_cast<jpeg_common_struct*>(&cinfo), &err);
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(out);
        return QByteArray();
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = JDIMENSION(image.width());
    cinfo.image_height = JDIMENSION(image.height());
    cinfo.input_components = 4;
    cinfo.in_color_space = kRgb32Space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.comp_info[0].h_samp_factor = 2;
    cinfo.comp_info[0].v_samp_factor = chroma422 ? 1 : 2;
    for (int c = 1; c < 3; ++c) {
        cinfo.comp_info[c].h_samp_factor = 1;
        cinfo.comp_info[c].v_samp_factor = 1;
    }
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.optimize_coding = TRUE;  // tables fitted to the picture: smaller at the same quality
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<unsigned char*>(image.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(out), int(outSize));
    std::free(out);
    return bytes;
}

QByteArray JpegPhoto::withSegments(const QByteArray& jpeg, const QByteArray& app1) {
    const int size = jpeg.size();
    if (size < 4 || byteAt(jpeg, 0) != 0xFF || byteAt(jpeg, 1) != 0xD8) {
        return QByteArray();
    }
    int insertAt = 2;
    bool hasHuffmanTables = false;
    int sos = -1;
    int pos = 2;
    bool first = true;
    while (pos + 1 < size) {
        if (byteAt(jpeg, pos) != 0xFF) {
            return QByteArray();
        }
        const int marker = byteAt(jpeg, pos + 1);
        if (marker == 0xFF) {
            ++pos;  // fill byte
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos += 2;  // no length field
            continue;
        }
        if (marker == 0xD8 || marker == 0xD9 || pos + 3 >= size) {
            return QByteArray();  // a second SOI, or the end before any scan
        }
        const int length = (byteAt(jpeg, pos + 2) << 8) | byteAt(jpeg, pos + 3);
        if (length < 2 || pos + 2 + length > size) {
            return QByteArray();
        }
        if (marker == 0xDA) {
            sos = pos;
            break;
        }
        if (marker == 0xC4) {
            hasHuffmanTables = true;
        }
        if (first && marker == 0xE0 && length >= 7 && jpeg.mid(pos + 4, 5) == QByteArray("JFIF\0", 5)) {
            insertAt = pos + 2 + length;
        }
        first = false;
        pos += 2 + length;
    }
    if (sos < 0) {
        return QByteArray();
    }
    QByteArray out;
    const QByteArray tables = hasHuffmanTables ? QByteArray() : standardHuffmanSegment();
    out.reserve(size + app1.size() + tables.size());
    out.append(jpeg.constData(), insertAt);
    out.append(app1);
    out.append(jpeg.constData() + insertAt, sos - insertAt);
    out.append(tables);
    out.append(jpeg.constData() + sos, size - sos);
    return out;
}

QByteArray JpegPhoto::standardHuffmanSegment() {
    static const QByteArray segment = makeStandardHuffmanSegment();
    return segment;
}
