#include <sys/mman.h>
#include <unistd.h>
#include <QtTest>
#include <atomic>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "DecoderUnderTest.h"
#include "qelconvert.h"

using namespace TestFrames;

namespace {

// Bytes that end exactly where an unmapped page begins: touching one byte past them crashes.
class GuardedBuffer {
public:
    explicit GuardedBuffer(size_t size) : m_size(size) {
        const size_t page = size_t(sysconf(_SC_PAGESIZE));
        m_mapped = ((size + page - 1) / page + 1) * page;
        m_base = static_cast<uint8_t*>(
            mmap(nullptr, m_mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        mprotect(m_base + m_mapped - page, page, PROT_NONE);
        m_data = m_base + m_mapped - page - size;
    }
    ~GuardedBuffer() { munmap(m_base, m_mapped); }
    uint8_t* data() { return m_data; }
    int size() const { return int(m_size); }

private:
    size_t m_size;
    size_t m_mapped;
    uint8_t* m_base;
    uint8_t* m_data;
};

// A damaged H.265 access unit that crashed libavcodec's slice-threaded wavefront decoding.
const char kDamagedHevc[] =
    "\x0e\x00\x00\x00\x01\x40\x01\x0c\x01\xff\xff\x04\x08\x00\x00\x03\x00\x9e\x08\x00\x00\x03\x00\x00"
    "\x1e\x92\x80\x90\x00\x00\x00\x01\x42\x01\x01\x04\x08\x00\x00\x03\x00\x9e\x08\x00\x00\x03\x00\x00"
    "\x1e\x90\x04\x10\x62\xcb\x25\x5c\x99\x5e\x02\xdc\x08\x08\x00\x10\x00\x00\x03\x00\x10\x00\x00\x03"
    "\x01\x03\x08\x8e\x0e\x00\x00\x00\x73\x6c\x65\x70\x70\x70\x70\x70\x70\x70\x70\x70\x70\x70\x70\x70"
    "\x70\x70\x70\x70\x70\x70\x70\x70\x70\x70\x70\x70\x70\x70\x70\x70\x70\x70\x70\x70\x70\x70\x70\x70"
    "\x70\x70\x70\x70\x70\x70\x70\x70\x70\x70\x73\x73\x20\x63\x62\x71\x70\x6f\x66\x66\x73\x3d\x61\x73"
    "\x73\x80\x18\x00\x00\x02\xdc\x08\x08\x00\x10\x00\x00\x03\x00\x10\x00\x00\x03\x01\xe0\x80\x00\x00"
    "\x00\x01\x44\x01\xc1\x73\x18\x30\x18\x90\x00\x00\x01\x2d\x73\x70\x6c\x69\x74\x72\x64\x2d\x73\x64"
    "\x3d\x32\x2e\x30\x30\x20\x70\x73\x79\x2d\x72\x64\x6f\x71\x3d\x29\x2e\x30\x30\x20\x6e\x49\x6f\x2d"
    "\x72\x64\x2d\x72\x65\x66\x69\x6e\x65\x20\x6e\x6f\x2d\x6c\x6f\x73\x73\x6c\x65\x73\x73\x20\x63\x62"
    "\x71\x70\x6f\x66\x66\x73\x3d\x61\x73\x73\x80\x00\x00\x01\x28\x01\xaf\x78\x0a\xb3\xd0\x48\xaa\x6f"
    "\xf0\x5f\xbf\x9a\x7f\xf5\x35\x56\x41\x43\x13\x7b\x89\x4e\x34\x97\x44\x2f\x8d\xeb\x25\x37\xff\xe7"
    "\x63\x0e\x58\x3c\xed\xa2\x9f\xf9\x2f\xc7\x59\x4a\xf3\x90\xa9\x64\x1a\x57\x74\x22\x68\xf8\x9c\xca"
    "\x6a\x89\x70\x64\x5e\x69\x6e\x65\xfd\x32\x08\x00\x73\x2e\xa2\x3e\x5b\x7c\xc9\x73\xc4\xf1\xb8\xa2"
    "\x95\xfb\x35\xca\xc2\x67\x3d\x30\x59\x20\x62\x66\x72\x61\x6d\x65\x73\x3d\x30\x20\x62\x2d\x61\x64"
    "\x61\x70\x74\x3d\x30\x20\x6e\x6f\x8f\x2d\x62\x2d\x8b\x8b\x8b\x8b\x8b\x8b\x8b\x8b\x8b\x8b\x8b\x8b"
    "\x8b\x8b\x8b\x8b\x8b\x8b\x8b\x8b\x8b\x8b\x8b\x8b\x8b\x8b\x8b\x8b\x8b\x8b\x8b\x8b\x8b\x8b\x8b\x8b"
    "\x8b\x8b";

QByteArray randomBytes(int size, unsigned seed) {
    std::mt19937 rng(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& c : bytes) {
        c = char(rng());
    }
    return bytes;
}

// Mean of one plane of a planar YUV 4:2:0 frame over the picture's rows [top, top + rows).
double planeMean(const QByteArray& frame, int width, int height, int plane, int top, int rows) {
    const int cw = (width + 1) / 2;
    const int offset = plane == 0 ? 0 : width * height + (plane - 1) * cw * ((height + 1) / 2);
    const int stride = plane == 0 ? width : cw;
    const int scale = plane == 0 ? 1 : 2;
    double sum = 0;
    for (int y = top / scale; y < (top + rows) / scale; ++y) {
        for (int x = 0; x < stride; ++x) {
            sum += uint8_t(frame[offset + y * stride + x]);
        }
    }
    return sum * scale / (stride * rows);
}

}  // namespace

class TestQelConvert : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(qelconvert_init(), 1); }
    void cleanupTestCase() { QCOMPARE(qelconvert_uninit(), 1); }

    void sizesAndBadArguments() {
        int bytes = 0;
        QCOMPARE(qelconvert_count_colorspace_buffer_size(QEL_COLORSPACE_YUV420P, 1920, 1080, &bytes), 1);
        QCOMPARE(bytes, 1920 * 1080 * 3 / 2);
        QCOMPARE(qelconvert_count_colorspace_buffer_size(QEL_COLORSPACE_YUV420P, 5, 3, &bytes), 1);
        QCOMPARE(bytes, 15 + 2 * 3 * 2);
        QCOMPARE(qelconvert_count_colorspace_buffer_size(QEL_COLORSPACE_YUV420P, 0, 3, &bytes), 0);
        QCOMPARE(qelconvert_count_colorspace_buffer_size(QEL_COLORSPACE_YUV420P, -4, 3, &bytes), 0);
        QCOMPARE(qelconvert_count_colorspace_buffer_size(QEL_COLORSPACE_YUV420P, 1 << 20, 1 << 20, &bytes),
                 0);
        QCOMPARE(qelconvert_count_colorspace_buffer_size(QEL_COLORSPACE_UNKNOWN, 4, 4, &bytes), 0);
        QCOMPARE(qelconvert_count_colorspace_buffer_size(QEL_COLORSPACE_YUV420P, 4, 4, nullptr), 0);

        char key[QEL_TEXT_BUFFER_SIZE] = "untouched";
        QCOMPARE(qelconver_create_video_decoder(nullptr, 0, QEL_MEDIA_MJPEG, 64, 64, 4), 0);
        QCOMPARE(qelconver_create_video_decoder(key, 1, QEL_MEDIA_MJPEG, 64, 64, 4), 0);
        QCOMPARE(qelconver_create_video_decoder(key, 0, QEL_MEDIA_MJPEG, 64, 64, QEL_COLORSPACE_RGB24), 0);
        QCOMPARE(qelconver_create_video_decoder(key, 0, QEL_MEDIA_MJPEG, 0, 64, 4), 0);
        QCOMPARE(qelconver_create_video_decoder(key, 0, QEL_MEDIA_UNKNOWN, 64, 64, 4), 0);
        QCOMPARE(qelconver_create_video_decoder(key, 0, QEL_MEDIA_LAST + 1, 64, 64, 4), 0);
        QCOMPARE(QByteArray(key), QByteArray("untouched"));

        DecoderUnderTest d(QEL_MEDIA_YUY2, 4, 2);
        QVERIFY(d.ok());
        unsigned char frame[16] = {};
        unsigned char out[12];
        int outSize = 0;
        QCOMPARE(qelconvert_video_decode("no-such-key", frame, 16, out, &outSize), 0);
        QCOMPARE(qelconvert_video_decode(nullptr, frame, 16, out, &outSize), 0);
        QCOMPARE(qelconvert_video_decode(d.key(), nullptr, 16, out, &outSize), 0);
        QCOMPARE(qelconvert_video_decode(d.key(), frame, 0, out, &outSize), 0);
        QCOMPARE(qelconvert_video_decode(d.key(), frame, 16, nullptr, &outSize), 0);
        QCOMPARE(qelconvert_video_decode(d.key(), frame, 16, out, nullptr), 0);
        QCOMPARE(qelconvert_video_decode(d.key(), frame, 16, out, &outSize), 1);
        QCOMPARE(outSize, 12);
        char unterminated[QEL_TEXT_BUFFER_SIZE + 8];
        std::memset(unterminated, 'k', sizeof unterminated);
        QCOMPARE(qelconvert_video_decode(unterminated, frame, 16, out, &outSize), 0);
        QCOMPARE(qelconvert_release_video_decoder("no-such-key"), 0);
        QCOMPARE(qelconvert_release_video_decoder(nullptr), 0);
        QCOMPARE(qelconvert_get_version(nullptr), 0);
    }

    void compressedMatchesFFmpeg_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("encoder");
        QTest::addColumn<int>("format");
        QTest::addColumn<QByteArray>("options");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("mjpeg 4:2:2") << int(QEL_MEDIA_MJPEG) << QByteArray("mjpeg")
                                     << int(AV_PIX_FMT_YUVJ422P) << QByteArray() << 320 << 240;
        QTest::newRow("mjpeg 4:2:0 odd") << int(QEL_MEDIA_MJPEG) << QByteArray("mjpeg")
                                         << int(AV_PIX_FMT_YUVJ420P) << QByteArray() << 173 << 97;
        QTest::newRow("h264") << int(QEL_MEDIA_H264) << QByteArray("libx264") << int(AV_PIX_FMT_YUV420P)
                              << QByteArray("preset=veryfast:tune=zerolatency") << 320 << 240;
        QTest::newRow("h265") << int(QEL_MEDIA_H265) << QByteArray("libx265") << int(AV_PIX_FMT_YUV420P)
                              << QByteArray("preset=ultrafast:tune=zerolatency:x265-params=log-level=error")
                              << 320 << 240;
    }

    void compressedMatchesFFmpeg() {
        QFETCH(int, type);
        QFETCH(QByteArray, encoder);
        QFETCH(int, format);
        QFETCH(QByteArray, options);
        QFETCH(int, width);
        QFETCH(int, height);
        const QVector<QByteArray> packets =
            encode({encoder.constData(), AVPixelFormat(format), 30, options.constData()}, width, height, 8);
        QCOMPARE(packets.size(), 8);
        const AVCodecID codec = type == QEL_MEDIA_MJPEG  ? AV_CODEC_ID_MJPEG
                                : type == QEL_MEDIA_H264 ? AV_CODEC_ID_H264
                                                         : AV_CODEC_ID_HEVC;
        const QVector<QByteArray> reference = referenceDecode(codec, packets, width, height);
        DecoderUnderTest d(type, width, height);
        QVERIFY(d.ok());
        for (int i = 0; i < packets.size(); ++i) {
            const QByteArray frame = d.decode(packets[i]);
            QVERIFY2(!frame.isEmpty(), qPrintable(QString("packet %1 gave no picture").arg(i)));
            QVERIFY2(psnr(frame, reference[i]) >= 45, qPrintable(QString::number(psnr(frame, reference[i]))));
            // And it is the picture that was encoded, not just what FFmpeg made of it.
            const QByteArray original =
                convert(rgbPattern(width, height, i), width, height, AV_PIX_FMT_RGB24, AV_PIX_FMT_YUV420P);
            QVERIFY2(psnr(frame, original) >= 28, qPrintable(QString::number(psnr(frame, original))));
        }
        QVERIFY(d.guardIntact);
        QVERIFY(d.sizeRight);
    }

    void rawFormatsMatchFFmpeg_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("format");
        QTest::addColumn<QSize>("size");
        const QPair<int, AVPixelFormat> types[] = {{QEL_MEDIA_YUY2, AV_PIX_FMT_YUYV422},
                                                   {QEL_MEDIA_UYVY, AV_PIX_FMT_UYVY422},
                                                   {QEL_MEDIA_NV12, AV_PIX_FMT_NV12},
                                                   {QEL_MEDIA_I420, AV_PIX_FMT_YUV420P}};
        for (const auto& t : types) {
            for (const QSize size : {QSize(128, 64), QSize(33, 18)}) {
                QTest::addRow("type %d %dx%d", t.first, size.width(), size.height())
                    << t.first << int(t.second) << size;
            }
        }
        // Packed 4:2:2 frames with an odd number of rows are rescaled vertically, not paired.
        QTest::addRow("NV12 35x17") << int(QEL_MEDIA_NV12) << int(AV_PIX_FMT_NV12) << QSize(35, 17);
        QTest::addRow("I420 35x17") << int(QEL_MEDIA_I420) << int(AV_PIX_FMT_YUV420P) << QSize(35, 17);
    }

    void rawFormatsMatchFFmpeg() {
        QFETCH(int, type);
        QFETCH(int, format);
        QFETCH(QSize, size);
        const int w = size.width(), h = size.height();
        // 4:2:0 layouts hold FFmpeg's own 4:2:0 picture; 4:2:2 ones are reduced as FFmpeg does.
        const QByteArray rgb = rgbPattern(w, h, 3);
        const QByteArray raw = convert(rgb, w, h, AV_PIX_FMT_RGB24, AVPixelFormat(format));
        const QByteArray reference =
            convert(type == QEL_MEDIA_NV12 ? rgb : raw, w, h,
                    type == QEL_MEDIA_NV12 ? AV_PIX_FMT_RGB24 : AVPixelFormat(format), AV_PIX_FMT_YUV420P);
        DecoderUnderTest d(type, w, h);
        QVERIFY(d.ok());
        const QByteArray frame = d.decode(raw);
        QVERIFY2(psnr(frame, reference) >= 50, qPrintable(QString::number(psnr(frame, reference))));
        QVERIFY(d.decode(raw.left(raw.size() - 1)).isEmpty());
        QVERIFY(d.guardIntact && d.sizeRight);
    }

    void rgbAndGreyUseBt601LimitedRange_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("pixel");  // of the top half; the bottom half is black
        QTest::addColumn<QVector<double>>("yuv");
        QTest::newRow("RGB24 red") << int(QEL_MEDIA_RGB24) << QByteArray("\xff\0\0", 3)
                                   << QVector<double>{81.5, 90, 240};
        QTest::newRow("BGR24 blue") << int(QEL_MEDIA_BGR24) << QByteArray("\xff\0\0", 3)
                                    << QVector<double>{41, 240, 110};
        QTest::newRow("GREY white") << int(QEL_MEDIA_GREY) << QByteArray("\xff")
                                    << QVector<double>{235, 128, 128};
    }

    void rgbAndGreyUseBt601LimitedRange() {
        QFETCH(int, type);
        QFETCH(QByteArray, pixel);
        QFETCH(QVector<double>, yuv);
        const int w = 6, h = 4;
        const QByteArray picture = pixel.repeated(w * h / 2) + QByteArray(pixel.size() * w * h / 2, 0);
        DecoderUnderTest d(type, w, h);
        const QByteArray frame = d.decode(picture);
        QVERIFY(!frame.isEmpty() && d.guardIntact);
        const double tolerance = type == QEL_MEDIA_GREY ? 1 : 1.5;
        for (int plane = 0; plane < 3; ++plane) {
            const double top = planeMean(frame, w, h, plane, 0, 2);
            const double bottom = planeMean(frame, w, h, plane, 2, 2);
            QVERIFY2(qAbs(top - yuv[plane]) <= tolerance,
                     qPrintable(QString("plane %1: %2").arg(plane).arg(top)));
            QVERIFY2(qAbs(bottom - (plane ? 128 : 16)) <= tolerance, qPrintable(QString::number(bottom)));
        }
    }

    void decodedSizeDifferentFromDeclared() {
        const QVector<QByteArray> packets = encode(kMjpeg, 320, 240, 1);
        const QVector<QByteArray> h264 = encode(kH264, 320, 240, 1);
        for (const QSize size : {QSize(160, 120), QSize(641, 479), QSize(320, 180)}) {
            DecoderUnderTest d(QEL_MEDIA_MJPEG, size.width(), size.height());
            const QByteArray frame = d.decode(packets[0]);
            QVERIFY(!frame.isEmpty());
            const QByteArray reference =
                referenceDecode(AV_CODEC_ID_MJPEG, packets, size.width(), size.height()).value(0);
            // Exactly half the size is decoded by libjpeg's scaled IDCT, which filters otherwise
            // than FFmpeg's bilinear scaler.
            const double floor = size == QSize(160, 120) ? 35 : 45;
            QVERIFY2(psnr(frame, reference) >= floor, qPrintable(QString::number(psnr(frame, reference))));
            QVERIFY(d.guardIntact && d.sizeRight);
            DecoderUnderTest e(QEL_MEDIA_H264, size.width(), size.height());
            QVERIFY(!e.decode(h264[0]).isEmpty());
            QVERIFY(e.guardIntact && e.sizeRight);
        }
    }

    void encodedStreamWaitsForKeyframe() {
        for (const auto& [type, settings] :
             {std::pair(QEL_MEDIA_H264, kH264), std::pair(QEL_MEDIA_H265, kH265)}) {
            // Two groups of pictures; joining the stream in the middle of the first.
            const QVector<QByteArray> packets = encode(settings.withGop(6), 160, 96, 12);
            QCOMPARE(packets.size(), 12);
            DecoderUnderTest d(type, 160, 96);
            for (int i = 2; i < 6; ++i) {
                QVERIFY2(d.decode(packets[i]).isEmpty(),
                         qPrintable(QString("%1: picture %2 before the keyframe").arg(type).arg(i)));
            }
            // From the keyframe on, every packet gives its picture at once.
            for (int i = 6; i < 12; ++i) {
                QVERIFY2(!d.decode(packets[i]).isEmpty(),
                         qPrintable(QString("%1: packet %2").arg(type).arg(i)));
            }
            QVERIFY(d.guardIntact);
        }
    }

    void garbageAndTruncatedInput() {
        const EncoderSettings settings[] = {kMjpeg, kH264, kH265};
        const int types[] = {QEL_MEDIA_MJPEG, QEL_MEDIA_H264, QEL_MEDIA_H265};
        const QByteArray mjpeg = encode(kMjpeg, 96, 64, 1).value(0);
        for (int s = 0; s < 3; ++s) {
            DecoderUnderTest d(types[s], 96, 64);
            for (unsigned seed = 1; seed < 20; ++seed) {
                QVERIFY(d.decode(randomBytes(int(seed * 97), seed)).isEmpty());
            }
            const QByteArray first = encode(settings[s], 96, 64, 1).value(0);
            // (A JPEG missing only its end marker is whole: the last cut reaches into its coded data.)
            const int last = first.size() - (types[s] == QEL_MEDIA_MJPEG ? 5 : 2);
            for (int cut : {1, 4, first.size() / 3, first.size() / 2, last}) {
                // A cut JPEG is refused rather than shown with stale blocks; encoded streams
                // conceal what they can. Never out of bounds.
                const QByteArray frame = d.decode(first.left(cut));
                QVERIFY(types[s] != QEL_MEDIA_MJPEG || frame.isEmpty());
            }
            QVERIFY2(d.guardIntact, qPrintable(QString("type %1").arg(types[s])));
            // A whole keyframe after the damage decodes normally again.
            DecoderUnderTest fresh(types[s], 96, 64);
            const QByteArray expected = fresh.decode(first);
            QVERIFY(!expected.isEmpty());
            QCOMPARE(d.decode(first), expected);
        }
        // A camera whose JPEGs never end with the marker: every frame is whole, every one shown.
        QByteArray unterminated = mjpeg;
        unterminated.chop(2);
        DecoderUnderTest quirky(QEL_MEDIA_MJPEG, 96, 64);
        for (int i = 0; i < 3; ++i) {
            QVERIFY(!quirky.decode(unterminated).isEmpty());
        }
        DecoderUnderTest hevc(QEL_MEDIA_H265, 17, 9);
        hevc.decode(QByteArray(kDamagedHevc, sizeof kDamagedHevc - 1));
        QVERIFY(hevc.guardIntact);
        // Raw frames only need the right size; every raw decoder takes random bytes of it.
        for (int type : {QEL_MEDIA_YUY2, QEL_MEDIA_UYVY, QEL_MEDIA_NV12, QEL_MEDIA_I420, QEL_MEDIA_GREY,
                         QEL_MEDIA_RGB24, QEL_MEDIA_BGR24}) {
            DecoderUnderTest d(type, 33, 17);
            QVERIFY(d.decode(randomBytes(3, 7)).isEmpty());
            QVERIFY(!d.decode(randomBytes(33 * 17 * 3, 7)).isEmpty());
            QVERIFY(d.guardIntact);
        }
    }

    void buffersEndingAtUnmappedMemory() {
        // The scaler reads and writes a little past row ends; none of that may reach past the
        // caller's input or output. Each size below crashed a plain scaler call.
        const QSize sizes[] = {{1, 1}, {2, 2}, {3, 5}, {17, 9}, {34, 17}, {127, 3}, {130, 66}, {128, 64}};
        for (int type : {QEL_MEDIA_YUY2, QEL_MEDIA_UYVY, QEL_MEDIA_NV12, QEL_MEDIA_I420, QEL_MEDIA_GREY,
                         QEL_MEDIA_RGB24, QEL_MEDIA_BGR24}) {
            for (const QSize size : sizes) {
                char key[QEL_TEXT_BUFFER_SIZE];
                QCOMPARE(qelconver_create_video_decoder(key, 0, type, size.width(), size.height(), 4), 1);
                const int cw = (size.width() + 1) / 2;
                const int ch = (size.height() + 1) / 2;
                const int w = size.width();
                const int h = size.height();
                const int inputBytes = type == QEL_MEDIA_YUY2 || type == QEL_MEDIA_UYVY ? cw * 4 * h
                                       : type == QEL_MEDIA_GREY                         ? w * h
                                       : type == QEL_MEDIA_RGB24 || type == QEL_MEDIA_BGR24
                                           ? w * h * 3
                                           : w * h + 2 * cw * ch;
                GuardedBuffer input{size_t(inputBytes)};
                std::memset(input.data(), 0x80, size_t(inputBytes));
                GuardedBuffer output(size_t(yuv420Bytes(w, h)));
                int outSize = 0;
                QVERIFY2(
                    qelconvert_video_decode(key, input.data(), input.size(), output.data(), &outSize) == 1,
                    qPrintable(QString("type %1 %2x%3").arg(type).arg(w).arg(h)));
                QCOMPARE(outSize, output.size());
                qelconvert_release_video_decoder(key);
            }
        }
        const QByteArray jpeg = encode(kMjpeg, 96, 64, 1).value(0);
        for (const QSize size : {QSize(17, 9), QSize(130, 66)}) {
            GuardedBuffer input{size_t(jpeg.size())};
            std::memcpy(input.data(), jpeg.constData(), size_t(jpeg.size()));
            GuardedBuffer output(size_t(yuv420Bytes(size.width(), size.height())));
            char key[QEL_TEXT_BUFFER_SIZE];
            QCOMPARE(qelconver_create_video_decoder(key, 0, QEL_MEDIA_MJPEG, size.width(), size.height(), 4),
                     1);
            int outSize = 0;
            QCOMPARE(qelconvert_video_decode(key, input.data(), input.size(), output.data(), &outSize), 1);
            qelconvert_release_video_decoder(key);
        }
    }

    void decodersOnSeveralThreads() {
        const QVector<QByteArray> packets = encode(kMjpeg, 128, 96, 4);
        std::atomic<bool> stop{false};
        std::atomic<int> decoded{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 3; ++t) {
            threads.emplace_back([&] {
                char key[QEL_TEXT_BUFFER_SIZE];
                if (qelconver_create_video_decoder(key, 0, QEL_MEDIA_MJPEG, 128, 96, 4) != 1) {
                    return;
                }
                std::vector<unsigned char> out(size_t(yuv420Bytes(128, 96)));
                int outSize = 0;
                for (int i = 0; !stop; ++i) {
                    const QByteArray& p = packets[i % packets.size()];
                    if (qelconvert_video_decode(key, reinterpret_cast<const unsigned char*>(p.constData()),
                                                p.size(), out.data(), &outSize)) {
                        ++decoded;
                    } else if (i > 0) {
                        break;  // released under our feet
                    }
                }
            });
        }
        // Meanwhile other decoders come and go, then everything is released while in use.
        for (int i = 0; i < 20; ++i) {
            DecoderUnderTest extra(QEL_MEDIA_H264, 64, 64);
            QVERIFY(extra.ok());
        }
        QTRY_VERIFY(decoded > 30);
        QCOMPARE(qelconvert_release_all_decoder(), 1);
        QTest::qWait(50);
        stop = true;
        for (auto& t : threads) {
            t.join();
        }
    }
};

QTEST_GUILESS_MAIN(TestQelConvert)
#include "tst_qelconvert.moc"
