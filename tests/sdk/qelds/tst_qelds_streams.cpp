// The virtual camera through the public C functions: format lists, streaming in every media
// type at the right size and pace, encoder settings, still capture and visible features.
#include <QtTest>

#include <thread>

#include "Decoder.h"
#include "FrameCollector.h"
#include "qelds.h"
#include "qelvirtual.h"

namespace {

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Frames per second of a running stream, counted over `ms` after a short warm-up.
// Under ThreadSanitizer the encoders run several times slower: a rate is only checked to be running
// and never above its bound there.
#if defined(__SANITIZE_THREAD__)
constexpr bool kRatesTimed = false;
#else
constexpr bool kRatesTimed = true;
#endif
bool rateWithin(double rate, double low, double high) {
    return rate < high && (kRatesTimed ? rate > low : rate > 0);
}

double measureRate(int stream, int ms) {
    FrameCollector& fc = FrameCollector::instance();
    sleepMs(300);
    int n0 = fc.count(0, stream);
    long t0 = monotonicNowUs();
    sleepMs(ms);
    int n1 = fc.count(0, stream);
    long t1 = monotonicNowUs();
    return (n1 - n0) * 1e6 / (t1 - t0);
}

std::vector<CollectedFrame> framesOf(int pin, int stream) {
    std::vector<CollectedFrame> out;
    for (auto& f : FrameCollector::instance().frames()) {
        if (f.pin == pin && f.stream == stream)
            out.push_back(f);
    }
    return out;
}

// Mean luma of a YUY2 frame over columns [x0, x1).
double yuy2Luma(const CollectedFrame& f, int x0, int x1) {
    double sum = 0;
    long n = 0;
    for (int y = 0; y < f.height; ++y) {
        for (int x = x0; x < x1; ++x) {
            sum += f.data[(static_cast<size_t>(y) * f.width + x) * 2];
            ++n;
        }
    }
    return sum / n;
}

}  // namespace

class TestQeldsStreams : public QObject {
    Q_OBJECT

private:
    int m_cam = 0;

    void startSingle(int type, int w, int h, int fps) {
        FrameCollector::instance().clear();
        QCOMPARE(qelcamera_set_preview_params(m_cam, 0, 1, type, w, h, fps), 1);
        QCOMPARE(qelcamera_set_preview_params(m_cam, 1, 0, 0, 0, 0, 0), 1);
        QCOMPARE(qelcamera_set_preview_params(m_cam, 2, 0, 0, 0, 0, 0), 1);
        QCOMPARE(qelcamera_start_preview(m_cam), 1);
    }

    // Grabs one YUY2 frame of stream 0 after the picture settled.
    CollectedFrame grabYuy2() {
        sleepMs(120);
        FrameCollector& fc = FrameCollector::instance();
        fc.clear();
        fc.waitFor(1, 2000);
        auto f = framesOf(0, 0);
        return f.empty() ? CollectedFrame{} : f.front();
    }

private slots:
    void initTestCase() {
        qelvirtual_reset();
        qputenv("QEL_VIRTUAL_CAMERAS", "1");
        QCOMPARE(qelcamera_init(), 1);
        int count = 0;
        QCOMPARE(qelcamera_get_camera_count(&count), 1);
        QVERIFY(count >= 1);
        m_cam = count - 1;  // virtual cameras come after real ones
        QVERIFY(qelvirtual_handle_of(m_cam) > 0);
        QCOMPARE(qelcamera_open(m_cam), 1);
        QCOMPARE(qelcamera_set_preview_callback(m_cam, &FrameCollector::callback), 1);
    }

    void cleanup() {
        qelcamera_stop_preview(m_cam);
        FrameCollector::instance().setKeep(1000);
    }

    void cleanupTestCase() {
        qelcamera_close(m_cam);
        QCOMPARE(qelcamera_uninit(), 1);
        qelvirtual_reset();
    }

    void defaultProfileOffersEverything() {
        int streams = 0, n = 0;
        QCOMPARE(qelcamera_get_stream_count(m_cam, &streams), 1);
        QCOMPARE(streams, 3);
        for (int s = 0; s < 3; ++s) {
            int types = 0;
            QCOMPARE(qelcamera_get_stream_media_type_count(m_cam, s, &types), 1);
            QCOMPARE(types, 4);
            for (int i = 0; i < 4; ++i) {
                int type = 0, sizes = 0;
                QCOMPARE(qelcamera_get_stream_media_type_value(m_cam, s, i, &type), 1);
                QCOMPARE(qelcamera_get_stream_resolution_count(m_cam, s, type, &sizes), 1);
                QStringList listed;
                for (int k = 0; k < sizes; ++k) {
                    int w = 0, h = 0;
                    QCOMPARE(qelcamera_get_stream_resolution_value(m_cam, s, type, k, &w, &h), 1);
                    listed << QString("%1 x %2").arg(w).arg(h);
                }
                QCOMPARE(listed.first(), QString("1920 x 1080"));  // the single-stream default
                for (const char* want : {"3840 x 2160", "1280 x 720", "640 x 360"})
                    QVERIFY(listed.contains(want));
            }
        }
        // The rates the stream defaults look for, highest first.
        QCOMPARE(qelcamera_get_stream_fps_count(m_cam, 1, 3, 640, 360, &n), 1);
        QList<int> rates;
        for (int i = 0; i < n; ++i) {
            int fps = 0;
            QCOMPARE(qelcamera_get_stream_fps_value(m_cam, 1, 3, 640, 360, i, &fps), 1);
            rates << fps;
        }
        QCOMPARE(rates.first(), 60);
        for (int want : {30, 25, 15, 10, 5})
            QVERIFY(rates.contains(want));
        QVERIFY(std::is_sorted(rates.rbegin(), rates.rend()));
        for (int id = 0; id < 17; ++id) {
            int sup = 0, mn = 0, mx = 0, step = 0, def = 0, au = 0;
            QCOMPARE(qelcamera_pu_ct_get_range(m_cam, id, &sup, &mn, &mx, &step, &def, &au), 1);
            QCOMPARE(sup, 1);
            QVERIFY(mn <= def && def <= mx && step > 0);
        }
    }

    void badArgumentsAnswerZero() {
        int n = 0, v = 0, w = 0, h = 0;
        char buf[QEL_TEXT_BUFFER_SIZE];
        QCOMPARE(qelcamera_get_camera_name(-1, buf), 0);
        QCOMPARE(qelcamera_get_camera_name(99, buf), 0);
        QCOMPARE(qelcamera_get_camera_name(m_cam, nullptr), 0);
        QCOMPARE(qelcamera_get_camera_count(nullptr), 0);
        QCOMPARE(qelcamera_open(99), 0);
        QCOMPARE(qelcamera_get_stream_media_type_count(m_cam, 3, &n), 0);
        QCOMPARE(qelcamera_get_stream_media_type_count(m_cam, -1, &n), 0);
        QCOMPARE(qelcamera_get_media_type_value(m_cam, 4, &v), 0);
        QCOMPARE(qelcamera_get_resolution_count(m_cam, 9, &n), 0);
        QCOMPARE(qelcamera_get_resolution_value(m_cam, 1, 99, &w, &h), 0);
        QCOMPARE(qelcamera_get_fps_count(m_cam, 1, 1000, 1000, &n), 0);
        QCOMPARE(qelcamera_get_fps_value(m_cam, 1, 1920, 1080, 99, &v), 0);
        QCOMPARE(qelcamera_set_preview_params(m_cam, 0, 1, 1, 1000, 1000, 30), 0);
        QCOMPARE(qelcamera_set_preview_params(m_cam, 0, 1, 7, 1920, 1080, 30), 0);
        QCOMPARE(qelcamera_set_preview_params(m_cam, 0, 1, 1, 1920, 1080, 31), 0);
        QCOMPARE(qelcamera_set_preview_params(m_cam, 5, 1, 1, 1920, 1080, 30), 0);
        QCOMPARE(qelcamera_pu_ct_get_range(m_cam, 17, &v, &v, &v, &v, &v, &v), 0);
        QCOMPARE(qelcamera_pu_ct_get(m_cam, 0, nullptr, &v), 0);
        QCOMPARE(qelcamera_pu_ct_set(m_cam, 0, 1000, 0), 0);
        QCOMPARE(qelcamera_set_sensor(m_cam, 6), 0);
        QCOMPARE(qelcamera_get_sensor_type(m_cam, 6, &v), 0);
        QCOMPARE(qelcamera_set_canvas(m_cam, 4), 0);
        QCOMPARE(qelcamera_set_mosaic(m_cam, 2), 0);
        QCOMPARE(qelcamera_set_frequency(m_cam, 3), 0);
        QCOMPARE(qelcamera_set_factory_test(m_cam, nullptr, 1), 0);
        QCOMPARE(qelcamera_get_hand_gesture_mask(m_cam, nullptr, &n), 0);
        QCOMPARE(qelcamera_get_fps_bps(m_cam, 0, &v, &v), 0);  // not streaming
        QCOMPARE(qelcamera_capture_still_image(m_cam), 0);     // not streaming
        QCOMPARE(qelcamera_set_bps(m_cam, 0, 0), 0);
        QCOMPARE(qelcamera_set_gop(m_cam, 0, -1), 0);
        QCOMPARE(qelcamera_domodal_device_settings_pages(m_cam), 0);
        // Nothing enabled: the start is refused.
        qelcamera_set_preview_params(m_cam, 0, 0, 0, 0, 0, 0);
        QCOMPARE(qelcamera_start_preview(m_cam), 0);
    }

    void framesArePacedAndDecode_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("fps");
        QTest::addColumn<double>("low");
        QTest::newRow("MJPEG") << 1 << 640 << 360 << 30 << 27.0;
        QTest::newRow("YUY2") << 2 << 1280 << 720 << 15 << 13.5;
        QTest::newRow("H264") << 3 << 640 << 360 << 30 << 27.0;
        // H.265 is costly to encode: paced at 15 fps and only loosely timed on a busy machine.
        QTest::newRow("H265") << 4 << 640 << 360 << 15 << 9.0;
    }

    void framesArePacedAndDecode() {
        QFETCH(int, type);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, fps);
        QFETCH(double, low);
        FrameCollector& fc = FrameCollector::instance();
        fc.setKeep(type == 2 ? 5 : 200);
        startSingle(type, width, height, fps);
        const double high = 1.1 * fps;
        double rate = measureRate(0, 2000);
        QVERIFY2(rateWithin(rate, low, high), qPrintable(QString::number(rate)));
        int measured = 0, bps = 0;
        QCOMPARE(qelcamera_get_fps_bps(m_cam, 0, &measured, &bps), 1);
        QVERIFY2(rateWithin(measured, low - 1, high + 1), qPrintable(QString::number(measured)));
        QVERIFY(bps > (type <= 2 ? 100000 : 0));
        QVERIFY(fc.waitFor(2 * fps + 1, 20000, 0, 0));  // two GOPs of an encoded stream
        QCOMPARE(qelcamera_stop_preview(m_cam), 1);
        auto frames = framesOf(0, 0);
        QVERIFY(int(frames.size()) >= (type == 2 ? 5 : 2 * fps + 1));
        Decoder dec(type);
        std::vector<int> keys;
        for (int i = 0; i < int(frames.size()); ++i) {
            const CollectedFrame& f = frames[size_t(i)];
            QCOMPARE(f.mediaType, type);
            QCOMPARE(f.width, width);
            QCOMPARE(f.height, height);
            // Capture time: monotonic, increasing, taken (unless encoded) just before delivery.
            QVERIFY(i == 0 || f.timestampUs > frames[size_t(i) - 1].timestampUs);
            QVERIFY(f.arrivalUs >= f.timestampUs);
            QVERIFY(type >= 3 || f.arrivalUs - f.timestampUs < 200000);
            if (type == 2) {
                QCOMPARE(int(f.data.size()), width * height * 2);
                continue;
            }
            QVERIFY(dec.decode(f.data));  // low latency: one picture per encoded frame
            QCOMPARE(dec.width(), width);
            QCOMPARE(dec.height(), height);
            if (type == 1)
                QCOMPARE(dec.pixelFormat(), 13);  // AV_PIX_FMT_YUVJ422P: 4:2:2 like webcams
            else if (isKeyAccessUnit(f.data, type))
                keys.push_back(i);
        }
        if (type >= 3) {  // parameter sets and a keyframe first, then one every second by default
            QVERIFY(keys.size() >= 3);
            QCOMPARE(keys[0], 0);
            QCOMPARE(keys[1], fps);
            QCOMPARE(keys[2], 2 * fps);
        }
    }

    void bitrateTakesEffect() {
        FrameCollector& fc = FrameCollector::instance();
        fc.setKeep(1000);
        QCOMPARE(qelcamera_set_preview_params(m_cam, 0, 1, 3, 640, 360, 30), 1);
        QCOMPARE(qelcamera_set_bps(m_cam, 0, 100000), 1);
        startSingle(3, 640, 360, 30);  // the same format again keeps the encoder settings
        auto bitsPerSecond = [] {
            sleepMs(2000);
            long total = 0;
            for (const auto& f : framesOf(0, 0))
                total += static_cast<long>(f.data.size());
            return total * 8.0 / 2.0;
        };
        const double lowRate = bitsPerSecond();
        QCOMPARE(qelcamera_set_bps(m_cam, 0, 4000000), 1);
        sleepMs(200);
        fc.clear();
        const double highRate = bitsPerSecond();
        QVERIFY2(lowRate < 250000, qPrintable(QString::number(lowRate)));
        QVERIFY2(highRate > 2 * lowRate, qPrintable(QString("%1 vs %2").arg(highRate).arg(lowRate)));
        // Encoder settings are refused on a JPEG stream.
        QCOMPARE(qelcamera_stop_preview(m_cam), 1);
        QCOMPARE(qelcamera_set_preview_params(m_cam, 0, 1, 1, 640, 360, 30), 1);
        QCOMPARE(qelcamera_set_bps(m_cam, 0, 1000000), 0);
    }

    // Indices of the keyframes among the stream's frames collected since the last clear().
    static std::vector<int> keyframeIndices(int type) {
        std::vector<int> keys;
        auto frames = framesOf(0, 0);
        for (int i = 0; i < static_cast<int>(frames.size()); ++i) {
            if (isKeyAccessUnit(frames[i].data, type))
                keys.push_back(i);
        }
        return keys;
    }

    void gopRequestMakesTheNextFrameAKeyframe_data() {
        QTest::addColumn<int>("type");
        QTest::newRow("H264") << 3;
        QTest::newRow("H265") << 4;
    }

    // A recording can only start at a keyframe: setting the GOP (or asking with 0) mid-GOP
    // brings one at once, and the GOP asked for goes on from there.
    void gopRequestMakesTheNextFrameAKeyframe() {
        QFETCH(int, type);
        const int fps = type == 3 ? 30 : 15;
        FrameCollector& fc = FrameCollector::instance();
        fc.setKeep(1000);
        QCOMPARE(qelcamera_set_preview_params(m_cam, 0, 1, type, 640, 360, fps), 1);
        QCOMPARE(qelcamera_set_gop(m_cam, 0, 2 * fps), 1);  // set before the start: no keyframe due
        startSingle(type, 640, 360, fps);
        QVERIFY(fc.waitFor(fps / 2, 10000, 0, 0));
        // Keyframe only: the two-second GOP stays.
        int asked = fc.count(0, 0);
        QCOMPARE(qelcamera_set_gop(m_cam, 0, 0), 1);
        QVERIFY(fc.waitFor(asked + fps + 4, 15000, 0, 0));
        std::vector<int> keys = keyframeIndices(type);
        QCOMPARE(keys.size(), size_t(2));
        QCOMPARE(keys[0], 0);
        QVERIFY2(keys[1] >= asked && keys[1] <= asked + 1,
                 qPrintable(QString("%1 %2").arg(keys[1]).arg(asked)));
        // A new GOP: a keyframe at once, then one every `gop` frames.
        asked = fc.count(0, 0);
        QCOMPARE(qelcamera_set_gop(m_cam, 0, 10), 1);
        QVERIFY(fc.waitFor(asked + 25, 15000, 0, 0));
        QCOMPARE(qelcamera_stop_preview(m_cam), 1);
        keys = keyframeIndices(type);
        QVERIFY(keys.size() >= 5);
        QVERIFY2(keys[2] >= asked && keys[2] <= asked + 1,
                 qPrintable(QString("%1 %2").arg(keys[2]).arg(asked)));
        QCOMPARE(keys[3], keys[2] + 10);
        QCOMPARE(keys[4], keys[2] + 20);
        // Nothing to ask of a stream that is not encoded.
        QCOMPARE(qelcamera_set_preview_params(m_cam, 0, 1, 1, 640, 360, 30), 1);
        QCOMPARE(qelcamera_set_gop(m_cam, 0, 0), 0);
    }

    void threeStreamsRunTogether() {
        FrameCollector& fc = FrameCollector::instance();
        fc.clear();
        fc.setKeep(3);
        QCOMPARE(qelcamera_set_preview_params(m_cam, 0, 1, 1, 1280, 720, 25), 1);
        QCOMPARE(qelcamera_set_preview_params(m_cam, 1, 1, 3, 640, 360, 15), 1);
        QCOMPARE(qelcamera_set_preview_params(m_cam, 2, 1, 2, 640, 360, 10), 1);
        QCOMPARE(qelcamera_start_preview(m_cam), 1);
        sleepMs(2200);
        int expected[3] = {25, 15, 10};
        for (int s = 0; s < 3; ++s) {
            int fps = 0, bps = 0;
            QCOMPARE(qelcamera_get_fps_bps(m_cam, s, &fps, &bps), 1);
            const int slack = expected[s] / 10 + 1;
            QVERIFY2(rateWithin(fps, expected[s] - slack - 0.5, expected[s] + slack + 0.5),
                     qPrintable(QString::number(fps)));
            auto frames = framesOf(0, s);
            QVERIFY(!frames.empty());
            QCOMPARE(frames[0].mediaType, s == 0 ? 1 : (s == 1 ? 3 : 2));
        }
        // Streams 1 and up last one run: going back to stream 0 alone starts stream 0 alone.
        QCOMPARE(qelcamera_stop_preview(m_cam), 1);
        QCOMPARE(qelcamera_set_preview_params(m_cam, 0, 1, 1, 1280, 720, 25), 1);
        fc.clear();
        QCOMPARE(qelcamera_start_preview(m_cam), 1);
        sleepMs(500);
        QVERIFY(fc.count(0, 0) > 0);
        QCOMPARE(fc.count(0, 1), 0);
        QCOMPARE(fc.count(0, 2), 0);
        // An explicitly enabled stream runs again.
        QCOMPARE(qelcamera_stop_preview(m_cam), 1);
        QCOMPARE(qelcamera_set_preview_params(m_cam, 1, 1, 3, 640, 360, 15), 1);
        fc.clear();
        QCOMPARE(qelcamera_start_preview(m_cam), 1);
        sleepMs(500);
        QVERIFY(fc.count(0, 1) > 0);
        QCOMPARE(fc.count(0, 2), 0);
    }

    void stillCaptureDeliversJpeg() {
        FrameCollector& fc = FrameCollector::instance();
        startSingle(1, 640, 360, 30);
        QCOMPARE(qelcamera_set_still_pin_params(m_cam, 1, 1, 1280, 720, 30), 1);
        QCOMPARE(qelcamera_capture_still_image(m_cam), 1);
        QVERIFY(fc.waitFor(1, 3000, 1));
        auto still = framesOf(1, 0);
        QCOMPARE(still.size(), size_t(1));
        QCOMPARE(still[0].mediaType, 1);
        Decoder dec(1);
        QVERIFY(dec.decode(still[0].data));
        QCOMPARE(dec.width(), 1280);
        QCOMPARE(dec.height(), 720);
    }

    void featuresAndPropertiesChangeThePicture() {
        startSingle(2, 640, 360, 30);
        CollectedFrame plain = grabYuy2();
        QVERIFY(!plain.data.empty());
        double left = yuy2Luma(plain, 0, 200), right = yuy2Luma(plain, 440, 640);

        QCOMPARE(qelcamera_set_mirror(m_cam, 1), 1);
        int v = 0;
        QCOMPARE(qelcamera_get_mirror(m_cam, &v), 1);
        QCOMPARE(v, 1);
        CollectedFrame mirrored = grabYuy2();
        QVERIFY(qAbs(yuy2Luma(mirrored, 0, 200) - right) < 6);
        QVERIFY(qAbs(yuy2Luma(mirrored, 440, 640) - left) < 6);
        QCOMPARE(qelcamera_set_mirror(m_cam, 0), 1);

        QCOMPARE(qelcamera_set_hide_mode(m_cam, 1), 1);
        double privacy = yuy2Luma(grabYuy2(), 0, 640);
        QVERIFY(privacy < yuy2Luma(plain, 0, 640) - 30);
        QCOMPARE(qelcamera_set_hide_mode(m_cam, 0), 1);

        QCOMPARE(qelcamera_pu_ct_set(m_cam, 0, 64, 0), 1);
        double bright = yuy2Luma(grabYuy2(), 0, 640);
        QVERIFY(bright > yuy2Luma(plain, 0, 640) + 20);
        int value = 0, autoMode = 0;
        QCOMPARE(qelcamera_pu_ct_get(m_cam, 0, &value, &autoMode), 1);
        QCOMPARE(value, 64);
        QCOMPARE(qelcamera_pu_ct_set(m_cam, 0, 0, 0), 1);

        // Every feature that draws something: the picture differs from the plain one.
        using Setter = int (*)(int, int);
        for (auto [set, on] : {std::pair<Setter, int>{qelcamera_set_canvas, 2},
                               {qelcamera_set_sensor, 2},
                               {qelcamera_set_pip, 1}}) {
            QCOMPARE(set(m_cam, on), 1);
            const CollectedFrame f = grabYuy2();
            long diff = 0;
            for (size_t i = 0; i < f.data.size(); i += 2)
                diff += qAbs(int(f.data[i]) - int(plain.data[i]));
            QVERIFY(diff / (f.data.size() / 2.0) > 2.0);
            QCOMPARE(set(m_cam, 0), 1);
        }
    }
};

QTEST_GUILESS_MAIN(TestQeldsStreams)
#include "tst_qelds_streams.moc"
