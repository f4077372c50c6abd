// A replayed V4L2 camera seen only through the library's plain-C functions, as the application
// sees a real one.
#include <QtTest>
#include <atomic>
#include <cstring>

#include "qelds.h"

namespace {

std::atomic<int> g_frames{0};
std::atomic<int> g_badFrames{0};

void onPreview(int, int pin, int stream, int mediaType, int width, int height, long, unsigned char* data,
               int size) {
    const bool jpeg = size > 4 && data[0] == 0xff && data[1] == 0xd8 && data[size - 2] == 0xff;
    if (pin == 0 && stream == 0 && mediaType == 1 && width == 1280 && height == 720 && jpeg)
        ++g_frames;
    else
        ++g_badFrames;
}

int findCamera(const char* name) {
    int count = 0;
    if (!qelcamera_get_camera_count(&count))
        return -1;
    for (int i = 0; i < count; ++i) {
        char text[QEL_TEXT_BUFFER_SIZE] = {};
        if (qelcamera_get_camera_name(i, text) == 1 && std::strcmp(text, name) == 0)
            return i;
    }
    return -1;
}

}  // namespace

class TestV4l2Library : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(qelcamera_init()); }
    void cleanupTestCase() { QVERIFY(qelcamera_uninit()); }
    void replayedCameraThroughTheContract() {
        const int cam = findCamera("Conference Cam UVC1.5");
        QVERIFY(cam >= 0);
        int streams = 0, flag = -1, count = 0, type = 0;
        QCOMPARE(qelcamera_open(cam), 1);
        QVERIFY(qelcamera_get_stream_count(cam, &streams));
        QCOMPARE(streams, 2);
        QVERIFY(qelcamera_eu_support(cam, 5, &flag));
        QCOMPARE(flag, 1);
        QVERIFY(qelcamera_eu_support(cam, 12, &flag));
        QCOMPARE(flag, 0);
        QVERIFY(qelcamera_get_stream_media_type_count(cam, 1, &count));
        QCOMPARE(count, 2);
        QVERIFY(qelcamera_get_stream_media_type_value(cam, 1, 0, &type));
        QCOMPARE(type, 3);
        QVERIFY(qelcamera_is_support_still_capture(cam, &flag));
        QCOMPARE(flag, 0);

        QVERIFY(qelcamera_set_preview_params(cam, 0, 1, 1, 1280, 720, 60));
        QVERIFY(qelcamera_set_preview_callback(cam, onPreview));
        QVERIFY(qelcamera_start_preview(cam));
        QTRY_VERIFY_WITH_TIMEOUT(g_frames.load() >= 30, 5000);
        int fps = 0, rate = 0;
        QCOMPARE(qelcamera_get_fps_bps(cam, 0, &fps, &rate), 1);
        QVERIFY(fps > 0);
        QVERIFY(rate > 0);
        QVERIFY(qelcamera_stop_preview(cam));
        QCOMPARE(g_badFrames.load(), 0);
        QVERIFY(qelcamera_close(cam));
    }
};

QTEST_GUILESS_MAIN(TestV4l2Library)
#include "tst_v4l2library.moc"
