// The MJPEG decoder on the shapes of JPEG cameras send, against FFmpeg's decode of the same bytes.
#include <QtTest>
#include <cstring>

#include "DecoderUnderTest.h"
#include "JpegFrames.h"
#ifdef CORVIX_COUNT_ALLOCATIONS
#include "AllocationCounter.h"
#endif

using JpegFrames::Sampling;

namespace {

// Messages of the decoder's category, to tell which decoder took a frame.
QStringList g_messages;
QtMessageHandler g_previousHandler = nullptr;

void recordMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (context.category && QByteArray(context.category).startsWith("corvix.qelconvert")) {
        g_messages.append(text);
    }
    g_previousHandler(type, context, text);
}

bool fellBackToFFmpeg() {
    return std::any_of(g_messages.cbegin(), g_messages.cend(),
                       [](const QString& m) { return m.contains("libavcodec"); });
}

class JpegDecoder : public DecoderUnderTest {
public:
    JpegDecoder(int width, int height) : DecoderUnderTest(QEL_MEDIA_MJPEG, width, height) {}
};

QByteArray reference(const QByteArray& jpeg, int width, int height) {
    return TestFrames::referenceDecode(AV_CODEC_ID_MJPEG, {jpeg}, width, height).value(0);
}

}  // namespace

class TestQelConvertJpeg : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QCOMPARE(qelconvert_init(), 1);
        QLoggingCategory::setFilterRules("corvix.qelconvert.*.info=true");
        g_previousHandler = qInstallMessageHandler(recordMessage);
    }
    void cleanupTestCase() {
        qInstallMessageHandler(g_previousHandler);
        QCOMPARE(qelconvert_uninit(), 1);
    }
    void init() { g_messages.clear(); }

    void layoutsMatchFFmpeg_data() {
        QTest::addColumn<int>("sampling");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("restartRows");
        QTest::addColumn<bool>("huffmanTables");
        QTest::addColumn<int>("scale");  // the picture is this many times the declared size
        const int s420 = int(Sampling::S420), s422 = int(Sampling::S422), s444 = int(Sampling::S444),
                  grey = int(Sampling::Grey);
        QTest::newRow("4:2:0") << s420 << 320 << 240 << 0 << true << 1;
        QTest::newRow("4:2:2") << s422 << 320 << 240 << 0 << true << 1;
        QTest::newRow("4:4:4") << s444 << 320 << 240 << 0 << true << 1;
        QTest::newRow("grey") << grey << 320 << 240 << 0 << true << 1;
        QTest::newRow("4:2:0 odd") << s420 << 173 << 97 << 0 << true << 1;
        QTest::newRow("4:2:2 odd") << s422 << 171 << 99 << 0 << true << 1;
        QTest::newRow("4:4:4 odd") << s444 << 33 << 17 << 0 << true << 1;
        QTest::newRow("grey odd") << grey << 35 << 19 << 0 << true << 1;
        QTest::newRow("restart every row") << s422 << 320 << 240 << 1 << true << 1;
        QTest::newRow("restart 4:2:0 odd") << s420 << 175 << 93 << 2 << true << 1;
        QTest::newRow("no Huffman tables 4:2:2") << s422 << 320 << 240 << 0 << false << 1;
        QTest::newRow("no Huffman tables 4:2:0 restart") << s420 << 240 << 136 << 1 << false << 1;
        // A 2160p camera previewed through a 1080p decoder: libjpeg's scaled IDCT decodes it
        // straight at the smaller size.
        QTest::newRow("half 4:2:2") << s422 << 640 << 480 << 0 << true << 2;
        QTest::newRow("half 4:2:0 odd") << s420 << 641 << 359 << 0 << true << 2;
        QTest::newRow("quarter grey") << grey << 640 << 480 << 0 << true << 4;
        QTest::newRow("eighth 4:4:4") << s444 << 640 << 480 << 0 << true << 8;
    }

    void layoutsMatchFFmpeg() {
        QFETCH(int, sampling);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, restartRows);
        QFETCH(bool, huffmanTables);
        QFETCH(int, scale);
        const int w = (width + scale - 1) / scale, h = (height + scale - 1) / scale;
        JpegDecoder decoder(w, h);
        QVERIFY(decoder.ok());
        for (int i = 0; i < 3; ++i) {
            const QByteArray rgb = TestFrames::rgbPattern(width, height, i);
            QByteArray jpeg = JpegFrames::encode(rgb, width, height, {Sampling(sampling), 95, restartRows});
            // FFmpeg knows the standard tables too: it is the reference for both kinds.
            const QByteArray expected = reference(jpeg, w, h);
            if (!huffmanTables) {
                jpeg = JpegFrames::withoutHuffmanTables(jpeg);
                QVERIFY(!jpeg.contains("\xFF\xC4"));
            }
            QVERIFY2(decoder.take(jpeg), qPrintable(QString("frame %1").arg(i)));
            // Scaled, FFmpeg's picture is scaled bilinearly: the filters differ, the picture does not.
            const double toFFmpeg = TestFrames::psnr(decoder.out(), expected);
            QVERIFY2(toFFmpeg >= (scale == 1 ? 45 : 30),
                     qPrintable(QString("%1 dB to FFmpeg").arg(toFFmpeg)));
            if (scale > 1) {
                continue;
            }
            // And it is the picture that was encoded (for grey: its brightness); a wrong or
            // shifted picture scores near 10 dB.
            QByteArray original = TestFrames::convert(rgb, w, h, AV_PIX_FMT_RGB24, AV_PIX_FMT_YUV420P);
            QByteArray decoded = decoder.out();
            if (Sampling(sampling) == Sampling::Grey) {
                original.truncate(w * h);
                decoded.truncate(w * h);
            }
            const double toOriginal = TestFrames::psnr(decoded, original);
            QVERIFY2(toOriginal >= 26, qPrintable(QString("%1 dB to the original").arg(toOriginal)));
        }
        QVERIFY2(!fellBackToFFmpeg(), qPrintable(g_messages.join('\n')));
    }

    void otherJpegsGoToFFmpeg() {
        const QByteArray rgb = TestFrames::rgbPattern(160, 120, 1);
        const QByteArray progressive = JpegFrames::encode(rgb, 160, 120, {Sampling::S420, 90, 0, true});
        JpegDecoder decoder(160, 120);
        QVERIFY(decoder.take(progressive));
        QVERIFY(TestFrames::psnr(decoder.out(), reference(progressive, 160, 120)) >= 45);
        QVERIFY(fellBackToFFmpeg());
        // A picture of another size than declared (not 2, 4 or 8 times it) is scaled into it.
        g_messages.clear();
        const QByteArray larger = JpegFrames::encode(TestFrames::rgbPattern(300, 200), 300, 200, {});
        JpegDecoder other(160, 120);
        QVERIFY(other.take(larger));
        QVERIFY(TestFrames::psnr(other.out(), reference(larger, 160, 120)) >= 45);
        QVERIFY(fellBackToFFmpeg());
    }

    void planesAreTheFrameBeforeItsConversion_data() {
        QTest::addColumn<int>("sampling");
        QTest::addColumn<int>("shiftX");
        QTest::addColumn<int>("shiftY");
        QTest::newRow("4:2:2") << int(Sampling::S422) << 1 << 0;
        QTest::newRow("4:2:0") << int(Sampling::S420) << 1 << 1;
        QTest::newRow("4:4:4") << int(Sampling::S444) << 0 << 0;
        QTest::newRow("grey") << int(Sampling::Grey) << 0 << 0;
    }

    void planesAreTheFrameBeforeItsConversion() {
        // The planes hold the picture the ordinary decode converts to 4:2:0 limited range: same
        // luma (full range here), the JPEG's own chroma layout.
        QFETCH(int, sampling);
        QFETCH(int, shiftX);
        QFETCH(int, shiftY);
        const int w = 158;
        const int h = 118;
        const QByteArray jpeg =
            JpegFrames::encode(TestFrames::rgbPattern(w, h, 4), w, h, {Sampling(sampling), 90, 1, false});
        JpegDecoder decoder(w, h);
        QVERIFY(decoder.take(jpeg));
        QELPlanarPicture picture{};
        QCOMPARE(decoder.decodePlanes(jpeg, &picture), 1);
        QCOMPARE(picture.width, w);
        QCOMPARE(picture.height, h);
        QCOMPARE(picture.fullRange, 1);
        const bool grey = Sampling(sampling) == Sampling::Grey;
        QCOMPARE(picture.planes[1] == nullptr, grey);
        if (!grey) {
            QCOMPARE(picture.chromaShiftX, shiftX);
            QCOMPARE(picture.chromaShiftY, shiftY);
        }
        const QByteArray out = decoder.out();
        int worst = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const int full = picture.planes[0][y * picture.strides[0] + x];
                const int limited = uchar(out[y * w + x]);
                worst = std::max(worst, std::abs(16 + (full * 219 + 127) / 255 - limited));
            }
        }
        QVERIFY2(worst <= 1, qPrintable(QString::number(worst)));
    }

    void planesOnlyWhereTheyCanBeGiven() {
        const QByteArray rgb = TestFrames::rgbPattern(160, 120, 1);
        QELPlanarPicture picture{};
        // Progressive: libavcodec's decode, so no planes of ours.
        JpegDecoder decoder(160, 120);
        const QByteArray progressive = JpegFrames::encode(rgb, 160, 120, {Sampling::S420, 90, 0, true});
        QCOMPARE(decoder.decodePlanes(progressive, &picture), -1);
        // Damaged coded data: nothing to show.
        QByteArray damaged = JpegFrames::encode(rgb, 160, 120, {});
        const int scan = JpegFrames::scanDataOffset(damaged);
        QVERIFY(scan > 0);
        for (int i = scan + 100; i < scan + 400 && i < damaged.size() - 2; ++i) {
            damaged[i] = char(damaged[i] ^ 0x5A);
        }
        QCOMPARE(decoder.decodePlanes(damaged, &picture), 0);
        // Twice the declared size: the planes come at the declared size.
        JpegDecoder half(80, 60);
        QCOMPARE(half.decodePlanes(JpegFrames::encode(rgb, 160, 120, {}), &picture), 1);
        QCOMPARE(picture.width, 80);
        QCOMPARE(picture.height, 60);
        // A decoder of uncompressed frames has no planes to give.
        DecoderUnderTest yuy2(QEL_MEDIA_YUY2, 160, 120);
        QCOMPARE(yuy2.decodePlanes(QByteArray(160 * 120 * 2, char(128)), &picture), -1);
    }

    void damagedFramesAreRefusedAndLeaveTheBufferAlone() {
        const int w = 192, h = 128;
        const QByteArray rgb = TestFrames::rgbPattern(w, h, 2);
        for (const int restartRows : {0, 1}) {
            const QByteArray jpeg = JpegFrames::encode(rgb, w, h, {Sampling::S422, 90, restartRows});
            const int scan = JpegFrames::scanDataOffset(jpeg);
            QVERIFY(scan > 0);
            QVector<QByteArray> damaged;
            for (const int cut : {scan + 8, (scan + jpeg.size()) / 2, jpeg.size() - 12}) {
                damaged.append(jpeg.left(cut));
            }
            // A marker where coded data should be: a restart out of sequence, an early end.
            for (const char marker : {'\xD5', '\xD9'}) {
                QByteArray bad = jpeg;
                const int at = (scan + jpeg.size()) / 2;
                bad[at] = '\xFF';
                bad[at + 1] = marker;
                damaged.append(bad);
            }
            JpegDecoder decoder(w, h);
            for (int i = 0; i < damaged.size(); ++i) {
                QVERIFY2(!decoder.take(damaged[i]),
                         qPrintable(QString("damage %1, restart %2").arg(i).arg(restartRows)));
                QCOMPARE(decoder.out(),
                         QByteArray(TestFrames::yuv420Bytes(w, h), DecoderUnderTest::kUntouched));
            }
            // The next whole frame decodes as on a fresh decoder.
            QVERIFY(decoder.take(jpeg));
            JpegDecoder fresh(w, h);
            QVERIFY(fresh.take(jpeg));
            QCOMPARE(decoder.out(), fresh.out());
            // Everything there but the end-of-image marker (cameras that leave it out): whole.
            QVERIFY(decoder.take(jpeg.left(jpeg.size() - 2)));
            QCOMPARE(decoder.out(), fresh.out());
        }
        QVERIFY2(!fellBackToFFmpeg(), qPrintable(g_messages.join('\n')));
    }

    void noAllocationsPerFrame_data() {
        QTest::addColumn<QVector<QByteArray>>("frames");
        QTest::addColumn<QSize>("size");
        const auto frames = [](int w, int h, const JpegFrames::Options& options, bool huffman = true) {
            QVector<QByteArray> out;
            for (int i = 0; i < 3; ++i) {
                const QByteArray j = JpegFrames::encode(TestFrames::rgbPattern(w, h, i), w, h, options);
                out.append(huffman ? j : JpegFrames::withoutHuffmanTables(j));
            }
            return out;
        };
        QTest::newRow("FFmpeg 4:2:2 1080p")
            << TestFrames::encode(TestFrames::kMjpeg, 1920, 1080, 3) << QSize(1920, 1080);
        QTest::newRow("4:2:0 odd") << frames(641, 359, {Sampling::S420}) << QSize(641, 359);
        QTest::newRow("grey") << frames(320, 240, {Sampling::Grey}) << QSize(320, 240);
        QTest::newRow("4:2:0 at half size") << frames(1280, 720, {Sampling::S420}) << QSize(640, 360);
        QTest::newRow("4:4:4 restart, no tables")
            << frames(320, 240, {Sampling::S444, 90, 1}, false) << QSize(320, 240);
    }

    void noAllocationsPerFrame() {
#ifndef CORVIX_COUNT_ALLOCATIONS
        QSKIP("the allocation counter is not built in (sanitizer build)");
#else
        QFETCH(QVector<QByteArray>, frames);
        QFETCH(QSize, size);
        JpegDecoder decoder(size.width(), size.height());
        for (const QByteArray& f : frames) {  // warm-up: the first frames set up the decoder
            QVERIFY(decoder.take(f));
        }
        const long long before = AllocationCounter::count();
        bool all = true;
        for (int i = 0; i < 12; ++i) {
            all = decoder.take(frames[i % frames.size()]) && all;
        }
        const long long allocations = AllocationCounter::count() - before;
        QVERIFY(all);
        QCOMPARE(allocations, 0LL);
        // FFmpeg's encoder (like many cameras) writes 4:2:2 as luma 2x2 and chroma 1x2 blocks: ours too.
        QVERIFY2(!fellBackToFFmpeg(), qPrintable(g_messages.join('\n')));
#endif
    }
};

QTEST_GUILESS_MAIN(TestQelConvertJpeg)
#include "tst_qelconvert_jpeg.moc"
