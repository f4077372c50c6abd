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
        char name[QEL_TEXT_BUFFER_SIZE];
        QCOMPARE(qelcamera_get_camera_name(m_cam, name), 1);
        QCOMPARE(QString(name), QString("Corvix Virtual Camera"));
        int vid = 0, pid = 0;
        QCOMPARE(qelcamera_get_camera_vid_pid(m_cam, &vid, &pid), 1);
        QCOMPARE(vid, 0x1d6b);
        QCOMPARE(pid, 0x0102);
        int streams = 0;
        QCOMPARE(qelcamera_get_stream_count(m_cam, &streams), 1);
        QCOMPARE(streams, 3);
        for (int s = 0; s < 3; ++s) {
            int types = 0;
            QCOMPARE(qelcamera_get_stream_media_type_count(m_cam, s, &types), 1);
            QCOMPARE(types, 4);
            for (int i = 0; i < 4; ++i) {
                int type = 0;
                QCOMPARE(qelcamera_get_stream_media_type_value(m_cam, s, i, &type), 1);
                QCOMPARE(type, i + 1);
                int sizes = 0;
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
        int n = 0;
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
        int fps = 0;
        QCOMPARE(qelcamera_get_fps_value(m_cam, 1, 1920, 1080, 0, &fps), 1);
        QCOMPARE(fps, 30);

        int flag = 0, type = 0;
        QCOMPARE(qelcamera_is_support_still_capture(m_cam, &flag), 1);
        QCOMPARE(flag, 1);
        QCOMPARE(qelcamera_get_still_pin_media_type_value(m_cam, 0, &type), 1);
        QCOMPARE(type, 1);
        for (int code : {0, 1, 4, 5, 7, 9, 10, 12, 13, 15, 16, 17, 18, 19, 20, 21, 22, 23, 25}) {
            QCOMPARE(qelcamera_eu_support(m_cam, code, &flag), 1);
            QCOMPARE(flag, 1);
        }
        QCOMPARE(qelcamera_eu_support(m_cam, 24, &flag), 1);
        QCOMPARE(flag, 0);
        QCOMPARE(qelcamera_get_sensor_count(m_cam, &n), 1);
        QCOMPARE(n, 6);
        QCOMPARE(qelcamera_get_acoustic_baffle_count(m_cam, &n), 1);
        QCOMPARE(n, 3);
        for (int id = 0; id < 17; ++id) {
            int sup = 0, mn = 0, mx = 0, step = 0, def = 0, au = 0;
            QCOMPARE(qelcamera_pu_ct_get_range(m_cam, id, &sup, &mn, &mx, &step, &def, &au), 1);
            QCOMPARE(sup, 1);
            QVERIFY(mn <= def && def <= mx && step > 0);
        }
        int values[QEL_MASK_CAPACITY];
        QCOMPARE(qelcamera_get_canvas_mask(m_cam, values, &n), 1);
        QCOMPARE(n, 3);
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

    void mjpegFramesArePacedAndDecode() {
        FrameCollector::instance().setKeep(40);
        startSingle(1, 640, 360, 30);
        double rate = measureRate(0, 2000);
        QVERIFY2(rateWithin(rate, 27, 33), qPrintable(QString::number(rate)));
        int fps = 0, bps = 0;
        QCOMPARE(qelcamera_get_fps_bps(m_cam, 0, &fps, &bps), 1);
        QVERIFY2(fps >= 26 && fps <= 34, qPrintable(QString::number(fps)));
        QVERIFY(bps > 100000);
        QCOMPARE(qelcamera_stop_preview(m_cam), 1);
        Decoder dec(1);
        auto frames = framesOf(0, 0);
        QVERIFY(frames.size() >= 30);
        long previous = 0;
        for (const auto& f : frames) {
            QCOMPARE(f.mediaType, 1);
            QCOMPARE(f.width, 640);
            QCOMPARE(f.height, 360);
            QVERIFY(dec.decode(f.data));
            QCOMPARE(dec.width(), 640);
            QCOMPARE(dec.height(), 360);
            QCOMPARE(dec.pixelFormat(), 13);  // AV_PIX_FMT_YUVJ422P: 4:2:2 like webcams
            // Capture time: monotonic, increasing, taken just before delivery.
            QVERIFY(f.timestampUs > previous);
            QVERIFY(f.arrivalUs >= f.timestampUs && f.arrivalUs - f.timestampUs < 200000);
            previous = f.timestampUs;
        }
    }

    void yuy2FramesHaveTheirSizeAndRate() {
        FrameCollector::instance().setKeep(5);
        startSingle(2, 1280, 720, 15);
        double rate = measureRate(0, 2000);
        QVERIFY2(rateWithin(rate, 13.5, 16.5), qPrintable(QString::number(rate)));
        auto frames = framesOf(0, 0);
        QVERIFY(!frames.empty());
        QCOMPARE(frames[0].mediaType, 2);
        QCOMPARE(static_cast<int>(frames[0].data.size()), 1280 * 720 * 2);
    }

    void encodedFramesDecode_data() {
        QTest::addColumn<int>("type");
        QTest::newRow("H264") << 3;
        QTest::newRow("H265") << 4;
    }

    void encodedFramesDecode() {
        QFETCH(int, type);
        FrameCollector::instance().setKeep(1000);
        // H.265 is costly to encode: paced at 15 fps and only loosely timed on a busy machine.
        int fps = type == 3 ? 30 : 15;
        startSingle(type, 640, 360, fps);
        double rate = measureRate(0, 1500);
        double low = type == 3 ? 0.9 * fps : 0.6 * fps;
        QVERIFY2(rateWithin(rate, low, 1.1 * fps), qPrintable(QString::number(rate)));
        QCOMPARE(qelcamera_stop_preview(m_cam), 1);
        auto frames = framesOf(0, 0);
        QVERIFY(frames.size() > 20);
        QVERIFY(isKeyAccessUnit(frames[0].data, type));  // parameter sets and a keyframe first
        Decoder dec(type);
        int decoded = 0;
        for (const auto& f : frames) {
            QCOMPARE(f.mediaType, type);
            if (dec.decode(f.data))
                ++decoded;
        }
        QCOMPARE(decoded, static_cast<int>(frames.size()));  // low latency: one picture per frame
        QCOMPARE(dec.width(), 640);
        QCOMPARE(dec.height(), 360);
    }

    void bitrateAndGopTakeEffect() {
        FrameCollector& fc = FrameCollector::instance();
        fc.setKeep(1000);
        QCOMPARE(qelcamera_set_preview_params(m_cam, 0, 1, 3, 640, 360, 30), 1);
        QCOMPARE(qelcamera_set_gop(m_cam, 0, 10), 1);
        QCOMPARE(qelcamera_set_bps(m_cam, 0, 100000), 1);
        startSingle(3, 640, 360, 30);
        // set_preview_params with the same format keeps the encoder settings.
        sleepMs(2000);
        auto countKeys = [](const std::vector<CollectedFrame>& frames) {
            int keys = 0;
            for (const auto& f : frames)
                keys += isKeyAccessUnit(f.data, 3) ? 1 : 0;
            return keys;
        };
        auto bytes = [](const std::vector<CollectedFrame>& frames) {
            long total = 0;
            for (const auto& f : frames)
                total += static_cast<long>(f.data.size());
            return total;
        };
        auto low = framesOf(0, 0);
        int keys = countKeys(low);
        QVERIFY2(keys >= 5 && keys <= 8, qPrintable(QString::number(keys)));
        QCOMPARE(qelcamera_set_gop(m_cam, 0, 300), 1);
        QCOMPARE(qelcamera_set_bps(m_cam, 0, 4000000), 1);
        sleepMs(200);
        fc.clear();
        sleepMs(2000);
        auto high = framesOf(0, 0);
        QVERIFY(countKeys(high) <= 1);
        double lowRate = bytes(low) * 8.0 / 2.0, highRate = bytes(high) * 8.0 / 2.0;
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

    void defaultGopIsOneSecond() {
        FrameCollector& fc = FrameCollector::instance();
        fc.setKeep(1000);
        startSingle(3, 640, 360, 30);
        QVERIFY(fc.waitFor(75, 10000, 0, 0));
        QCOMPARE(qelcamera_stop_preview(m_cam), 1);
        const std::vector<int> keys = keyframeIndices(3);
        QVERIFY(keys.size() >= 3);
        QCOMPARE(keys[0], 0);
        QCOMPARE(keys[1], 30);
        QCOMPARE(keys[2], 60);
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
        auto differs = [&](const CollectedFrame& f) {
            long diff = 0;
            for (size_t i = 0; i < f.data.size(); i += 2)
                diff += qAbs(int(f.data[i]) - int(plain.data[i]));
            return diff / (f.data.size() / 2.0) > 2.0;
        };
        QCOMPARE(qelcamera_set_canvas(m_cam, 2), 1);
        QVERIFY(differs(grabYuy2()));
        QCOMPARE(qelcamera_set_canvas(m_cam, 0), 1);
        QCOMPARE(qelcamera_set_sensor(m_cam, 2), 1);  // distant view
        QVERIFY(differs(grabYuy2()));
        QCOMPARE(qelcamera_set_sensor(m_cam, 0), 1);
        QCOMPARE(qelcamera_set_pip(m_cam, 1), 1);
        QVERIFY(differs(grabYuy2()));
        QCOMPARE(qelcamera_set_pip(m_cam, 0), 1);
    }
};

QTEST_GUILESS_MAIN(TestQeldsStreams)
#include "tst_qelds_streams.moc"
