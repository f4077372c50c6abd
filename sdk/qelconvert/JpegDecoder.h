// MJPEG frames decoded with libjpeg-turbo straight into planar YUV (its raw-data path, the one
// the TurboJPEG API uses for decompress-to-YUV), then brought to 4:2:0 limited range. Pictures
// this path does not take (progressive, arithmetic coded, 12-bit, RGB or CMYK JPEGs, unusual
// sampling, sizes other than the declared one or 2, 4 or 8 times it - those are decoded at the
// declared size by libjpeg's scaled IDCT - headers libjpeg rejects) go to libavcodec instead. A frame
// whose coded data is damaged or cut short is refused; nothing of it reaches the caller's buffer.
#ifndef QEL_JPEG_DECODER_H
#define QEL_JPEG_DECODER_H

#include <csetjmp>
#include <memory>

extern "C" {
#include <jpeglib.h>
}

#include "JpegArena.h"
#include "VideoDecoder.h"
#include "Yuv420Writer.h"

class CodecDecoder;

class JpegDecoder : public VideoDecoder {
public:
    static std::unique_ptr<JpegDecoder> create(int width, int height);
    ~JpegDecoder() override;

protected:
    bool decodeFrame(const uint8_t* data, int size, uint8_t* out) override;
    int decodeFramePlanes(const uint8_t* data, int size, QELPlanarPicture* out) override;

private:
    enum class Outcome { Decoded, Unsupported, Corrupt };

    struct ErrorManager {
        jpeg_error_mgr pub;
        std::jmp_buf jump;
        bool inScan;  // past the headers: any warning means damaged coded data
        bool damaged;
    };
    struct Source {
        jpeg_source_mgr pub;
        bool ranOut;  // the frame ended before an end-of-image marker
    };

    JpegDecoder(int width, int height);
    bool open();
    Outcome decodeRaw(const uint8_t* data, int size);
    // The header describes a picture this path takes; *format is its planar layout.
    bool supported(AVPixelFormat* format) const;
    bool prepareStaging();
    bool fallback(const uint8_t* data, int size, uint8_t* out);

    static void errorExit(j_common_ptr cinfo);
    static void emitMessage(j_common_ptr cinfo, int level);
    static void outputMessage(j_common_ptr cinfo);
    static void initSource(j_decompress_ptr cinfo);
    static boolean fillInput(j_decompress_ptr cinfo);
    static void skipInput(j_decompress_ptr cinfo, long count);
    static void termSource(j_decompress_ptr cinfo);

    // All below: the decoding thread only (VideoDecoder::decode serialises).
    jpeg_decompress_struct m_cinfo{};
    ErrorManager m_error{};
    Source m_source{};
    JpegArena m_arena;
    bool m_created = false;
    Yuv420Writer m_writer;
    // The decoded picture, component by component, in rows padded to whole blocks: the caller's
    // buffer is written only once the whole frame decoded cleanly.
    struct Plane {
        std::unique_ptr<uint8_t[], void (*)(void*)> data{nullptr, nullptr};
        int stride = 0;
        int rows = 0;
        int width = 0;   // samples of the picture in each row
        int height = 0;  // rows of the picture
    };
    Plane m_planes[3];
    int m_stagingKey[8] = {};  // components, sampling and scale the staging was made for
    // Row pointers of one iMCU row per component, sized with the staging.
    std::unique_ptr<JSAMPROW[]> m_rows;
    JSAMPARRAY m_rowSets[3] = {nullptr, nullptr, nullptr};
    AVPixelFormat m_decodedFormat = AV_PIX_FMT_NONE;  // of the picture in the staging planes
    Yuv420Writer::Slice m_decodedSlice{};
    std::unique_ptr<CodecDecoder> m_fallback;
    int m_fallbackFrames = 0;  // frames given to libavcodec, for the log
};

#endif
