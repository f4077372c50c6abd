#include "JpegDecoder.h"

#include <QLoggingCategory>
#include <algorithm>
#include <cstdlib>
#include <new>

extern "C" {
#include <jerror.h>
}

#include "CodecDecoder.h"
#include "qeldefine.h"

Q_LOGGING_CATEGORY(lcJpeg, "corvix.qelconvert.jpeg", QtWarningMsg)

namespace {

constexpr int kAlign = 64;
// Past each row and after the last one: the scaler (grey, 4:4:4) reads a little past both.
constexpr int kRowSlack = 64;

int alignUp(int n, int a) {
    return (n + a - 1) / a * a;
}

// The scaled IDCT's block size per component (the field's name depends on the libjpeg API level).
#if JPEG_LIB_VERSION >= 70
int scaledBlock(const jpeg_component_info& comp) {
    return comp.DCT_v_scaled_size;
}
int minScaledBlock(const jpeg_decompress_struct& c) {
    return c.min_DCT_v_scaled_size;
}
#else
int scaledBlock(const jpeg_component_info& comp) {
    return comp.DCT_scaled_size;
}
int minScaledBlock(const jpeg_decompress_struct& c) {
    return c.min_DCT_scaled_size;
}
#endif

// 1 when the picture has the declared size; 2, 4 or 8 when libjpeg's scaled IDCT brings it there
// (a 2160p camera decoded for a 1080p preview costs a third); 0 otherwise.
unsigned scaleDenominator(unsigned imageWidth, unsigned imageHeight, int width, int height) {
    for (const unsigned k : {1u, 2u, 4u, 8u}) {
        if ((imageWidth + k - 1) / k == unsigned(width) && (imageHeight + k - 1) / k == unsigned(height)) {
            return k;
        }
    }
    return 0;
}

uint8_t* alignedAlloc(size_t bytes) {
    void* p = nullptr;
    return posix_memalign(&p, kAlign, bytes) == 0 ? static_cast<uint8_t*>(p) : nullptr;
}

}  // namespace

JpegDecoder::JpegDecoder(int width, int height)
    : VideoDecoder(QEL_MEDIA_MJPEG, width, height), m_writer(width, height) {}

JpegDecoder::~JpegDecoder() {
    if (m_created) {
        jpeg_destroy_decompress(&m_cinfo);
    }
}

std::unique_ptr<JpegDecoder> JpegDecoder::create(int width, int height) {
    std::unique_ptr<JpegDecoder> decoder(new JpegDecoder(width, height));
    if (!decoder->open()) {
        return nullptr;
    }
    return decoder;
}

bool JpegDecoder::open() {
    m_cinfo.err = jpeg_std_error(&m_error.pub);
    m_error.pub.error_exit = &JpegDecoder::errorExit;
    m_error.pub.emit_message = &JpegDecoder::emitMessage;
    m_error.pub.output_message = &JpegDecoder::outputMessage;
    if (setjmp(m_error.jump)) {
        qCWarning(lcJpeg, "JpegDecoder: cannot create a libjpeg decompressor");
        return false;
    }
    jpeg_create_decompress(&m_cinfo);
    m_created = true;
    m_arena.install(&m_cinfo);
    m_source.pub.init_source = &JpegDecoder::initSource;
    m_source.pub.fill_input_buffer = &JpegDecoder::fillInput;
    m_source.pub.skip_input_data = &JpegDecoder::skipInput;
    m_source.pub.resync_to_restart = jpeg_resync_to_restart;
    m_source.pub.term_source = &JpegDecoder::termSource;
    m_cinfo.src = &m_source.pub;
    return true;
}

void JpegDecoder::errorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void JpegDecoder::emitMessage(j_common_ptr cinfo, int level) {
    auto* error = reinterpret_cast<ErrorManager*>(cinfo->err);
    // A warning inside the coded data (bad Huffman code, a restart marker out of place, data
    // ending early) means blocks are missing: no point decoding the rest of the frame.
    if (level < 0 && error->inScan) {
        error->damaged = true;
        std::longjmp(error->jump, 1);
    }
}

void JpegDecoder::outputMessage(j_common_ptr) {}

void JpegDecoder::initSource(j_decompress_ptr) {}

boolean JpegDecoder::fillInput(j_decompress_ptr cinfo) {
    // Out of bytes: an end-of-image marker stands in. Coded data still needed past it makes the
    // entropy decoder warn; a frame that only lacks the marker itself is complete.
    static const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};
    auto* source = reinterpret_cast<Source*>(cinfo->src);
    source->ranOut = true;
    source->pub.next_input_byte = kEndOfImage;
    source->pub.bytes_in_buffer = sizeof kEndOfImage;
    return TRUE;
}

void JpegDecoder::skipInput(j_decompress_ptr cinfo, long count) {
    if (count <= 0) {
        return;
    }
    jpeg_source_mgr* source = cinfo->src;
    if (size_t(count) > source->bytes_in_buffer) {
        fillInput(cinfo);
        return;
    }
    source->next_input_byte += count;
    source->bytes_in_buffer -= size_t(count);
}

void JpegDecoder::termSource(j_decompress_ptr) {}

bool JpegDecoder::supported(AVPixelFormat* format) const {
    const jpeg_decompress_struct& c = m_cinfo;
    if (c.progressive_mode || c.arith_code || c.data_precision != 8) {
        return false;
    }
    if (c.num_components == 1 && c.jpeg_color_space == JCS_GRAYSCALE) {
        *format = AV_PIX_FMT_GRAY8;
        return true;
    }
    if (c.num_components != 3 || c.jpeg_color_space != JCS_YCbCr) {
        return false;
    }
    // Luma at full resolution, both chroma components alike; what matters is their ratio
    // (encoders write 4:2:2 as luma 2x1 and chroma 1x1, or as luma 2x2 and chroma 1x2), after
    // the scaled IDCT (which decodes 4:2:0 chroma at twice its scale where it can).
    const jpeg_component_info* comp = c.comp_info;
    if (comp[0].h_samp_factor != c.max_h_samp_factor || comp[0].v_samp_factor != c.max_v_samp_factor ||
        comp[1].h_samp_factor != comp[2].h_samp_factor || comp[1].v_samp_factor != comp[2].v_samp_factor ||
        scaledBlock(comp[1]) != scaledBlock(comp[2])) {
        return false;
    }
    const int lumaH = c.max_h_samp_factor * scaledBlock(comp[0]);
    const int lumaV = c.max_v_samp_factor * scaledBlock(comp[0]);
    const int chromaH = comp[1].h_samp_factor * scaledBlock(comp[1]);
    const int chromaV = comp[1].v_samp_factor * scaledBlock(comp[1]);
    if (lumaH % chromaH != 0 || lumaV % chromaV != 0) {
        return false;
    }
    const int h = lumaH / chromaH;
    const int v = lumaV / chromaV;
    if (h == 2 && v == 2) {
        *format = AV_PIX_FMT_YUV420P;
    } else if (h == 2 && v == 1) {
        *format = AV_PIX_FMT_YUV422P;
    } else if (h == 1 && v == 1) {
        *format = AV_PIX_FMT_YUV444P;
    } else if (h == 1 && v == 2) {
        *format = AV_PIX_FMT_YUV440P;
    } else {
        return false;
    }
    return true;
}

bool JpegDecoder::prepareStaging() {
    const jpeg_decompress_struct& c = m_cinfo;
    int key[8] = {c.num_components};
    key[7] = int(c.scale_denom);
    for (int ci = 0; ci < c.num_components; ++ci) {
        key[1 + 2 * ci] = c.comp_info[ci].h_samp_factor;
        key[2 + 2 * ci] = c.comp_info[ci].v_samp_factor;
    }
    if (m_rows && std::equal(key, key + 8, m_stagingKey)) {
        return true;
    }
    m_rows.reset();
    int totalRows = 0;
    for (int ci = 0; ci < c.num_components; ++ci) {
        const jpeg_component_info& comp = c.comp_info[ci];
        Plane& plane = m_planes[ci];
        plane.stride = alignUp(int(comp.width_in_blocks) * scaledBlock(comp) + kRowSlack, kAlign);
        plane.rows = int(c.total_iMCU_rows) * comp.v_samp_factor * scaledBlock(comp);
        plane.width = int(comp.downsampled_width);
        plane.height = int(comp.downsampled_height);
        plane.data = {alignedAlloc(size_t(plane.stride) * size_t(plane.rows + 1)), &std::free};
        if (!plane.data) {
            qCWarning(lcJpeg, "JpegDecoder: out of memory for a %dx%d picture", width(), height());
            return false;
        }
        totalRows += plane.rows;
    }
    m_rows.reset(new (std::nothrow) JSAMPROW[size_t(totalRows)]);
    if (!m_rows) {
        return false;
    }
    JSAMPROW* cursor = m_rows.get();
    for (int ci = 0; ci < c.num_components; ++ci) {
        const Plane& plane = m_planes[ci];
        for (int r = 0; r < plane.rows; ++r) {
            *cursor++ = plane.data.get() + size_t(r) * size_t(plane.stride);
        }
    }
    std::copy(key, key + 8, m_stagingKey);
    return true;
}

JpegDecoder::Outcome JpegDecoder::decodeRaw(const uint8_t* data, int size) {
    jpeg_decompress_struct* cinfo = &m_cinfo;
    m_error.inScan = false;
    m_error.damaged = false;
    m_source.ranOut = false;
    m_source.pub.next_input_byte = data;
    m_source.pub.bytes_in_buffer = size_t(size);
    if (setjmp(m_error.jump)) {
        // Headers libjpeg rejects may still be a picture libavcodec knows; damaged coded data is not.
        const Outcome outcome = m_error.inScan ? Outcome::Corrupt : Outcome::Unsupported;
        jpeg_abort_decompress(cinfo);
        return outcome;
    }
    jpeg_read_header(cinfo, TRUE);
    const unsigned scale = scaleDenominator(cinfo->image_width, cinfo->image_height, width(), height());
    if (scale == 0) {
        jpeg_abort_decompress(cinfo);
        return Outcome::Unsupported;
    }
    cinfo->raw_data_out = TRUE;
    cinfo->do_fancy_upsampling = FALSE;
    cinfo->dct_method = JDCT_ISLOW;
    cinfo->scale_num = 1;
    cinfo->scale_denom = scale;
    jpeg_calc_output_dimensions(cinfo);
    AVPixelFormat format = AV_PIX_FMT_NONE;
    if (!supported(&format) || int(cinfo->output_width) != width() || int(cinfo->output_height) != height() ||
        !prepareStaging()) {
        jpeg_abort_decompress(cinfo);
        return Outcome::Unsupported;
    }
    m_error.inScan = true;
    jpeg_start_decompress(cinfo);
    const int components = cinfo->num_components;
    const JDIMENSION rowsPerIMcu = JDIMENSION(cinfo->max_v_samp_factor * minScaledBlock(*cinfo));
    JSAMPROW* firstRow[3] = {m_rows.get(), nullptr, nullptr};
    for (int ci = 1; ci < components; ++ci) {
        firstRow[ci] = firstRow[ci - 1] + m_planes[ci - 1].rows;
    }
    for (JDIMENSION imcu = 0; cinfo->output_scanline < cinfo->output_height; ++imcu) {
        for (int ci = 0; ci < components; ++ci) {
            m_rowSets[ci] = firstRow[ci] + size_t(imcu) * size_t(cinfo->comp_info[ci].v_samp_factor *
                                                                 scaledBlock(cinfo->comp_info[ci]));
        }
        if (jpeg_read_raw_data(cinfo, m_rowSets, rowsPerIMcu) == 0) {
            jpeg_abort_decompress(cinfo);
            return Outcome::Corrupt;
        }
    }
    // Several scans are gathered before any row comes out; one missing is only seen as the end
    // of the bytes.
    const bool missingScan = jpeg_has_multiple_scans(cinfo) && m_source.ranOut;
    jpeg_abort_decompress(cinfo);  // the end marker need not be read
    if (missingScan) {
        return Outcome::Corrupt;
    }
    const Yuv420Writer::Slice slice = {
        {m_planes[0].data.get(), m_planes[1].data.get(), m_planes[2].data.get(), nullptr},
        {m_planes[0].stride, m_planes[1].stride, m_planes[2].stride, 0},
        0,
        height()};
    m_decodedFormat = format;
    m_decodedSlice = slice;
    return Outcome::Decoded;
}

bool JpegDecoder::fallback(const uint8_t* data, int size, uint8_t* out) {
    if (!m_fallback) {
        m_fallback = CodecDecoder::create(QEL_MEDIA_MJPEG, width(), height());
        if (!m_fallback) {
            return false;
        }
    }
    if (m_fallbackFrames++ == 0) {
        qCInfo(lcJpeg,
               "JpegDecoder: a %dx%d stream has frames libjpeg does not take; decoding those with libavcodec",
               width(), height());
    }
    return m_fallback->decode(data, size, out);
}

bool JpegDecoder::decodeFrame(const uint8_t* data, int size, uint8_t* out) {
    switch (decodeRaw(data, size)) {
        case Outcome::Decoded:
            if (!m_writer.write(&m_decodedSlice, 1, width(), height(), m_decodedFormat, true, out)) {
                if (shouldLogFailure()) {
                    qCWarning(lcJpeg, "JpegDecoder: cannot convert a %dx%d picture", width(), height());
                }
                return false;
            }
            return true;
        case Outcome::Unsupported:
            return fallback(data, size, out);
        case Outcome::Corrupt:
            break;
    }
    if (shouldLogFailure()) {
        qCWarning(lcJpeg, "JpegDecoder: damaged or incomplete JPEG frame of %d bytes dropped", size);
    }
    return false;
}

int JpegDecoder::decodeFramePlanes(const uint8_t* data, int size, QELPlanarPicture* out) {
    switch (decodeRaw(data, size)) {
        case Outcome::Decoded:
            break;
        case Outcome::Unsupported:
            return -1;
        case Outcome::Corrupt:
            if (shouldLogFailure()) {
                qCWarning(lcJpeg, "JpegDecoder: damaged or incomplete JPEG frame of %d bytes dropped", size);
            }
            return 0;
    }
    int shiftX = 0;
    int shiftY = 0;
    switch (m_decodedFormat) {
        case AV_PIX_FMT_GRAY8:
            break;
        case AV_PIX_FMT_YUV420P:
            shiftX = shiftY = 1;
            break;
        case AV_PIX_FMT_YUV422P:
            shiftX = 1;
            break;
        case AV_PIX_FMT_YUV444P:
            break;
        default:
            return -1;  // 4:4:0: no screen conversion takes it as it is
    }
    const bool grey = m_decodedFormat == AV_PIX_FMT_GRAY8;
    *out = QELPlanarPicture{};
    for (int p = 0; p < (grey ? 1 : 3); ++p) {
        out->planes[p] = m_planes[p].data.get();
        out->strides[p] = m_planes[p].stride;
    }
    out->width = width();
    out->height = height();
    out->chromaShiftX = shiftX;
    out->chromaShiftY = shiftY;
    out->fullRange = 1;
    return 1;
}
