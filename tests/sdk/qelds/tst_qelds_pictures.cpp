// The picture pipeline inside the virtual camera: the JPEG encoder's per-interval cache must give
// the same file as encoding the whole picture afresh, the file must decode close to the picture,
// and the frame statistics must follow a sliding one-second window.
#include <QtTest>

#include "Decoder.h"
#include "JpegEncoder.h"
#include "SceneRenderer.h"
#include "StreamStats.h"

using namespace qelds;

namespace {

// Decodes a JPEG and returns the PSNR of its luma against the picture (-1: no such picture).
double lumaPsnr(const std::vector<uint8_t>& jpeg, int size, const YuvImage& image) {
    Decoder dec(1);
    if (!dec.decode(jpeg.data(), size) || dec.width() != image.width() || dec.height() != image.height())
        return -1;
    double se = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const double d = dec.lumaRow(y)[x] - image.yRow(y)[x];
            se += d * d;
        }
    }
    const double mse = se / (static_cast<double>(image.width()) * image.height());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace

class TestQeldsPictures : public QObject {
    Q_OBJECT

private slots:
    void incrementalJpegEqualsFullEncode_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("1280x720") << 1280 << 720;
        QTest::newRow("960x540 (6 blocks per interval)") << 960 << 540;
        QTest::newRow("330x250 (padded)") << 330 << 250;
    }

    void incrementalJpegEqualsFullEncode() {
        QFETCH(int, width);
        QFETCH(int, height);
        SceneRenderer scene;
        scene.setup(width, height, "S0 TEST");
        JpegEncoder incremental, fresh;
        incremental.setup(width, height, 80);
        DirtyRegion dirty;
        int size = 0, freshSize = 0;
        for (int frame = 0; frame < 40; ++frame) {
            if (frame == 20) {
                SceneSettings s;
                s.mirror = true;
                s.mosaic = 1;
                scene.setSettings(s);
            }
            dirty.clear();
            scene.render(frame, frame * 97000, &dirty);
            incremental.markDirty(dirty);
            incremental.encode(scene.image(), &size);
        }
        fresh.setup(width, height, 80);
        const std::vector<uint8_t>& a = incremental.encode(scene.image(), &size);
        const std::vector<uint8_t>& b = fresh.encode(scene.image(), &freshSize);
        QCOMPARE(size, freshSize);
        QVERIFY(std::equal(a.begin(), a.begin() + size, b.begin()));
        double psnr = lumaPsnr(a, size, scene.image());
        QVERIFY2(psnr > 32, qPrintable(QString::number(psnr)));
    }

    void statisticsUseASlidingWindow() {
        StreamStats stats;
        int fps = -1, bps = -1;
        stats.measure(5000000, &fps, &bps);
        QCOMPARE(fps, 0);
        // 30 frames of 1000 bytes a second for three seconds.
        for (int i = 0; i < 90; ++i)
            stats.record(1000000 + i * 33333, 1000);
        stats.measure(1000000 + 89 * 33333, &fps, &bps);
        QVERIFY(qAbs(fps - 30) <= 1);
        QVERIFY(qAbs(bps - 30000) <= 1000);
        // Half a second into the start the rate is not underestimated.
        StreamStats young;
        for (int i = 0; i < 15; ++i)
            young.record(i * 33333, 500);
        young.measure(15 * 33333, &fps, &bps);
        QVERIFY(qAbs(fps - 30) <= 2);
        // Frames stop: the rate falls to zero within the window.
        stats.measure(1000000 + 89 * 33333 + 1100000, &fps, &bps);
        QCOMPARE(fps, 0);
        QCOMPARE(bps, 0);
        // Faster than the ring holds: still measured over the frames kept.
        StreamStats fast;
        for (int i = 0; i < 2000; ++i)
            fast.record(i * 1000, 10);
        fast.measure(2000 * 1000, &fps, &bps);
        QVERIFY(qAbs(fps - 1000) <= 10);
    }
};

QTEST_GUILESS_MAIN(TestQeldsPictures)
#include "tst_qelds_pictures.moc"
