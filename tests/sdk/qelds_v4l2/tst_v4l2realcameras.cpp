// Real cameras replayed from their published v4l2-ctl listings (replays/real), seen only through
// the library's plain-C functions: identity, formats, controls and three seconds of streaming.
#include <QImage>
#include <QtTest>
#include <atomic>
#include <cstring>
#include <vector>

#include "qelds.h"

namespace {

struct SizeEntry {
    int mediaType, width, height;
    std::vector<int> fps;
};

struct RangeEntry {
    int id, min, max, step, def, autoSupported;  // min == max: the camera has no such control
};

struct RealCamera {
    const char* file;
    const char* name;
    int vid, pid;
    const char* firmware;  // "" when the listing gives none
    const char* serial;
    std::vector<int> mediaTypes;
    std::vector<int> sizeCounts;
    std::vector<SizeEntry> sizes;  // a few exact entries
    int propertiesSupported;       // of 17
    std::vector<RangeEntry> ranges;
    int frequency;     // 0: no control
    SizeEntry stream;  // streamed for three seconds
};

const std::vector<RealCamera>& realCameras() {
    const std::vector<int> c920Rates{30, 24, 20, 15, 10, 8, 5};  // 7.5 fps shows as 8
    // One camera a paragraph reads better than one value a line.
    // clang-format off
    static const std::vector<RealCamera> cameras = {
        {"01-sunplus-fhd-camera-1080p.json", "FHD Camera Microphone: FHD Came", 0x1bcf, 0x28c4, "5.30", "01.00.00",
         {1, 2}, {10, 10},
         {{1, 1920, 1080, {30}}, {2, 1600, 896, {8}}, {2, 800, 480, {25}}, {2, 1920, 1080, {5}}},
         10, {{2, -2000, 2000, 1, 0, 0}, {7, 2800, 6500, 1, 4600, 1}, {14, 3, 2047, 1, 166, 1}, {16, 0, 1023, 1, 0, 1}},
         1, {1, 1920, 1080, {30}}},
        {"02-logitech-c920-h264.json", "HD Pro Webcam C920", 0, 0, "0.11", "B61DEDAF",
         {2, 3, 1}, {19, 17, 17},
         {{2, 640, 480, c920Rates}, {2, 2304, 1536, {2}}, {3, 1920, 1080, c920Rates}, {1, 160, 90, c920Rates}},
         12, {{5, 0, 0, 0, 0, 0}, {9, 0, 255, 1, 0, 0}, {10, -36000, 36000, 3600, 0, 0}, {14, 3, 2047, 1, 250, 1},
              {16, 0, 250, 5, 0, 1}},
         2, {1, 1920, 1080, {30}}},
        {"05-usb2-camera-yuyv-only.json", "USB2.0 Camera: USB2.0 Camera", 0, 0, "", "",
         {2}, {5}, {{2, 640, 480, {30}}, {2, 160, 120, {30}}},
         0, {}, 0, {2, 640, 480, {30}}},
        {"06-usb-pc-camera-stepwise-interval.json", "USB PC Camera", 0, 0, "", "",
         {1}, {3}, {{1, 1280, 720, {30}}, {1, 320, 240, {30}}},
         0, {}, 0, {1, 1280, 720, {30}}},
        {"08-ipevo-ziggi-hd-plus.json", "IPEVO Ziggi-HD Plus", 0, 0, "8.03", "",
         {1, 2}, {10, 6}, {{1, 3264, 2448, {15}}, {1, 1600, 1200, {30}}, {2, 1600, 1200, {7}}},
         9, {{7, 2200, 7500, 10, 4600, 1}, {14, 0, 0, 0, 0, 0}, {16, 35, 190, 1, 120, 1}},
         2, {1, 3264, 2448, {15}}},
    };
    // clang-format on
    return cameras;
}

std::atomic<int> g_frames{0};
std::atomic<bool> g_keepNext{false};
QByteArray g_kept;  // written on the capture thread only while g_keepNext is set
std::atomic<int> g_badFrames{0};
std::atomic<int> g_wantType{0}, g_wantWidth{0}, g_wantHeight{0};

void onPreview(int, int pin, int stream, int mediaType, int width, int height, long, unsigned char* data,
               int size) {
    bool whole = size > 16;
    if (whole && mediaType == 1)  // MJPEG: a whole JPEG, SOI to EOI
        whole = data[0] == 0xff && data[1] == 0xd8 && data[size - 2] == 0xff && data[size - 1] == 0xd9;
    else if (whole && mediaType == 2)
        whole = size == width * height * 2;
    if (whole && pin == 0 && stream == 0 && mediaType == g_wantType && width == g_wantWidth &&
        height == g_wantHeight) {
        if (g_keepNext) {
            g_kept = QByteArray(reinterpret_cast<const char*>(data), size);
            g_keepNext = false;
        }
        ++g_frames;
    } else
        ++g_badFrames;
}

std::vector<int> fpsList(int cam, int type, int w, int h) {
    int count = 0;
    std::vector<int> rates;
    if (!qelcamera_get_fps_count(cam, type, w, h, &count))
        return rates;
    for (int i = 0; i < count; ++i) {
        int fps = 0;
        if (qelcamera_get_fps_value(cam, type, w, h, i, &fps) != 1)
            return {};
        rates.push_back(fps);
    }
    return rates;
}

}  // namespace

class TestV4l2RealCameras : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { qelcamera_uninit(); }
    void identityFormatsAndControls_data() { rows(); }
    void identityFormatsAndControls() {
        QFETCH(int, index);
        const RealCamera& c = realCameras()[size_t(index)];
        const int cam = start(c);
        QVERIFY(cam == 0);

        int vid = -1, pid = -1, streams = 0;
        QCOMPARE(qelcamera_get_camera_vid_pid(cam, &vid, &pid), 1);
        QCOMPARE(vid, c.vid);
        QCOMPARE(pid, c.pid);
        char text[QEL_TEXT_BUFFER_SIZE] = {};
        QCOMPARE(qelcamera_get_fw_version(cam, text) == 1 ? QString(text) : QString(), QString(c.firmware));
        std::memset(text, 0, sizeof text);
        QCOMPARE(qelcamera_get_mid(cam, text) == 1 ? QString(text) : QString(), QString(c.serial));
        QVERIFY(qelcamera_get_stream_count(cam, &streams));
        QCOMPARE(streams, 1);  // metadata and formatless nodes are no streams

        int count = 0;
        QVERIFY(qelcamera_get_media_type_count(cam, &count));
        std::vector<int> types, sizeCounts;
        for (int i = 0; i < count; ++i) {
            int type = 0, sizes = 0;
            QVERIFY(qelcamera_get_media_type_value(cam, i, &type));
            QVERIFY(qelcamera_get_resolution_count(cam, type, &sizes));
            types.push_back(type);
            sizeCounts.push_back(sizes);
            for (int s = 0; s < sizes; ++s) {
                int w = 0, h = 0;
                QVERIFY(qelcamera_get_resolution_value(cam, type, s, &w, &h));
                const std::vector<int> rates = fpsList(cam, type, w, h);
                QVERIFY2(!rates.empty(), qPrintable(QString("%1 %2x%3 has no rate").arg(type).arg(w).arg(h)));
                QVERIFY(std::is_sorted(rates.rbegin(), rates.rend()));  // highest first
            }
        }
        QCOMPARE(types, c.mediaTypes);
        QCOMPARE(sizeCounts, c.sizeCounts);
        for (const SizeEntry& e : c.sizes)
            QCOMPARE(fpsList(cam, e.mediaType, e.width, e.height), e.fps);

        int supportedCount = 0;
        for (int id = 0; id < 17; ++id) {
            int supported = -1, mn = 0, mx = 0, step = 0, def = 0, autoSupported = 0;
            QVERIFY(qelcamera_pu_ct_get_range(cam, id, &supported, &mn, &mx, &step, &def, &autoSupported));
            if (!supported)
                continue;
            ++supportedCount;
            int value = 0, autoMode = 0;
            QVERIFY2(qelcamera_pu_ct_get(cam, id, &value, &autoMode), qPrintable(QString::number(id)));
            QVERIFY(value >= mn && value <= mx);
            if (autoSupported) {
                // The auto flag maps onto the camera's own switch or menu, both ways.
                QVERIFY(qelcamera_pu_ct_set(cam, id, def, 1));
                QVERIFY(qelcamera_pu_ct_get(cam, id, &value, &autoMode));
                QCOMPARE(autoMode, 1);
            }
            QVERIFY(qelcamera_pu_ct_set(cam, id, mx, 0));
            QVERIFY(qelcamera_pu_ct_get(cam, id, &value, &autoMode));
            QCOMPARE(autoMode, 0);
            QCOMPARE(value, mx);
        }
        QCOMPARE(supportedCount, c.propertiesSupported);
        for (const RangeEntry& r : c.ranges) {
            int supported = -1, mn = 0, mx = 0, step = 0, def = 0, autoSupported = -1;
            QVERIFY(qelcamera_pu_ct_get_range(cam, r.id, &supported, &mn, &mx, &step, &def, &autoSupported));
            const bool expected = r.min != r.max;
            QCOMPARE(supported, expected ? 1 : 0);
            if (!expected)
                continue;
            QCOMPARE((QVector<int>{mn, mx, step, def, autoSupported}),
                     (QVector<int>{r.min, r.max, r.step, r.def, r.autoSupported}));
        }

        int frequency = 0;
        if (!c.frequency) {
            QCOMPARE(qelcamera_get_frequency(cam, &frequency), 0);
            QCOMPARE(qelcamera_set_frequency(cam, 1), 0);
            return;
        }
        QVERIFY(qelcamera_get_frequency(cam, &frequency));
        QCOMPARE(frequency, c.frequency);
        const int other = 3 - c.frequency;
        QVERIFY(qelcamera_set_frequency(cam, other));
        QVERIFY(!qelcamera_set_frequency(cam, 0));  // "disabled" is not a choice the application offers
        QVERIFY(qelcamera_get_frequency(cam, &frequency));
        QCOMPARE(frequency, other);
    }

    void threeSecondsAtTheLargestSize_data() { rows(); }
    void threeSecondsAtTheLargestSize() {
        QFETCH(int, index);
        const RealCamera& c = realCameras()[size_t(index)];
        const int cam = start(c);
        QVERIFY(cam == 0);
        const SizeEntry& s = c.stream;
        g_frames = 0;
        g_badFrames = 0;
        g_keepNext = true;
        g_wantType = s.mediaType;
        g_wantWidth = s.width;
        g_wantHeight = s.height;
        QVERIFY(qelcamera_set_preview_params(cam, 0, 1, s.mediaType, s.width, s.height, s.fps.front()));
        QVERIFY(qelcamera_set_preview_callback(cam, onPreview));
        QVERIFY(qelcamera_start_preview(cam));
        // Three seconds' worth of frames; the deadline only guards against a stalled stream.
        const int wanted = 3 * s.fps.front();
        QTRY_VERIFY_WITH_TIMEOUT(g_frames.load() >= wanted, 20000);
        int fps = 0, rate = 0;
        QCOMPARE(qelcamera_get_fps_bps(cam, 0, &fps, &rate), 1);
        QVERIFY(fps > 0);
        QVERIFY(rate > 0);
        QVERIFY(qelcamera_stop_preview(cam));
        QCOMPARE(g_badFrames.load(), 0);
        QVERIFY(!g_keepNext);
        if (s.mediaType == 1) {
            // The frames are pictures an application can decode: a light grey of the stream's size.
            const QImage picture = QImage::fromData(g_kept, "JPEG");
            QCOMPARE(picture.size(), QSize(s.width, s.height));
            QCOMPARE(qGray(picture.pixel(s.width / 2, s.height / 2)), 200);
        }
        QVERIFY(qelcamera_close(cam));
    }

private:
    static void rows() {
        QTest::addColumn<int>("index");
        for (size_t i = 0; i < realCameras().size(); ++i)
            QTest::newRow(realCameras()[i].file) << int(i);
    }
    // The library started on the replay of one camera; its index (always 0) or -1.
    static int start(const RealCamera& c) {
        qputenv("QELDS_V4L2_REPLAY", QByteArray(REPLAY_DIR) + "/real/" + c.file);
        qunsetenv("QEL_VIRTUAL_CAMERAS");
        if (!qelcamera_init())
            return -1;
        int count = 0;
        if (!qelcamera_get_camera_count(&count) || count != 1)
            return -1;  // the camera listed once, no other camera of the listing
        char name[QEL_TEXT_BUFFER_SIZE] = {};
        if (qelcamera_get_camera_name(0, name) != 1 || std::strcmp(name, c.name) != 0)
            return -1;
        return qelcamera_open(0) == 1 ? 0 : -1;
    }
};

QTEST_GUILESS_MAIN(TestV4l2RealCameras)
#include "tst_v4l2realcameras.moc"
