// Cameras coming and going, injected faults, profiles, and many starts and stops.
#include <QtTest>

#include <atomic>
#include <fstream>
#include <thread>

#include "Decoder.h"
#include "FrameCollector.h"
#include "qelds.h"
#include "qelvirtual.h"

namespace {

std::atomic<int> g_changes{0};
std::atomic<int> g_lastCount{-1};

void onDeviceChanged(int event, int param) {
    if (event == 1)
        g_lastCount = param;
    ++g_changes;
}

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

int threadCount() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Threads:", 0) == 0)
            return std::stoi(line.substr(8));
    }
    return -1;
}

int cameraCount() {
    int n = -1;
    qelcamera_get_camera_count(&n);
    return n;
}

int indexOfHandle(int handle) {
    for (int i = 0; i < cameraCount(); ++i) {
        if (qelvirtual_handle_of(i) == handle)
            return i;
    }
    return -1;
}

}  // namespace

class TestQeldsHotplug : public QObject {
    Q_OBJECT

private:
    // Opens the camera of `handle` and streams 640x360 at 30 fps in `type`.
    int startCamera(int handle, int type = 1) {
        const int cam = indexOfHandle(handle);
        FrameCollector::instance().clear();
        const bool ok = cam >= 0 && qelcamera_open(cam) == 1 &&
                        qelcamera_set_preview_callback(cam, &FrameCollector::callback) == 1 &&
                        qelcamera_set_preview_params(cam, 0, 1, type, 640, 360, 30) == 1 &&
                        qelcamera_start_preview(cam) == 1;
        return ok ? cam : -1;
    }

private slots:
    void initTestCase() {
        qelvirtual_reset();
        qputenv("QEL_VIRTUAL_CAMERAS", "2");
        QCOMPARE(qelcamera_init(), 1);
        int virtualCount = 0;
        for (int i = 0; i < cameraCount(); ++i)
            virtualCount += qelvirtual_handle_of(i) > 0 ? 1 : 0;
        QCOMPARE(virtualCount, 2);
        QCOMPARE(qelcamera_set_device_changed_callback(&onDeviceChanged), 1);
    }

    void cleanup() {
        for (int i = 0; i < cameraCount(); ++i) {
            qelcamera_stop_preview(i);
            qelcamera_close(i);
        }
    }

    void cleanupTestCase() { QCOMPARE(qelcamera_uninit(), 1); }

    void hotplugKeepsTheOpenCamera() {
        int first = qelvirtual_handle_of(cameraCount() - 2);
        int cam = startCamera(first);
        QVERIFY(cam >= 0);
        FrameCollector& fc = FrameCollector::instance();
        QVERIFY(fc.waitFor(3, 2000));
        int before = cameraCount();
        int changes = g_changes;

        int added = qelvirtual_add_camera(nullptr);
        QVERIFY(added > 0);
        QCOMPARE(cameraCount(), before + 1);  // the list follows at once
        QVERIFY(QTest::qWaitFor([&] { return g_changes == changes + 1; }, 2000));
        QCOMPARE(g_lastCount.load(), before + 1);
        sleepMs(100);
        QCOMPARE(g_changes.load(), changes + 1);  // once per change
        // The open camera kept streaming through the re-enumeration.
        int n = fc.count();
        QVERIFY(fc.waitFor(n + 5, 2000));
        int fps = 0, bps = 0;
        QCOMPARE(qelcamera_get_fps_bps(cam, 0, &fps, &bps), 1);

        QCOMPARE(qelvirtual_remove_camera(added), 1);
        QCOMPARE(qelvirtual_remove_camera(added), 0);
        QVERIFY(QTest::qWaitFor([&] { return g_changes == changes + 2; }, 2000));
        QCOMPARE(g_lastCount.load(), before);
        QCOMPARE(indexOfHandle(first), cam);
        QCOMPARE(qelcamera_stop_preview(cam), 1);
    }

    void cameraVanishingMidStream() {
        int baseline = threadCount();
        int handle = qelvirtual_add_camera(nullptr);
        QVERIFY(QTest::qWaitFor([&] { return indexOfHandle(handle) >= 0; }, 1000));
        sleepMs(100);
        int cam = startCamera(handle, 3);
        QVERIFY(cam >= 0);
        FrameCollector& fc = FrameCollector::instance();
        QVERIFY(fc.waitFor(3, 2000));
        int count = cameraCount();
        int changes = g_changes;
        QCOMPARE(qelvirtual_inject_fault(handle, QELV_FAULT_VANISH, 0), 1);
        QVERIFY(QTest::qWaitFor([&] { return g_changes == changes + 1; }, 2000));
        QCOMPARE(g_lastCount.load(), count - 1);
        QCOMPARE(indexOfHandle(handle), -1);
        // Its threads ended: no more frames, nothing left running.
        int n = fc.count();
        sleepMs(300);
        QCOMPARE(fc.count(), n);
        QVERIFY(QTest::qWaitFor([&] { return threadCount() <= baseline; }, 2000));
        // Calls with the old index now address another camera or nothing; none hangs.
        QElapsedTimer timer;
        timer.start();
        qelcamera_stop_preview(cam);
        qelcamera_close(cam);
        QVERIFY(timer.elapsed() < 1000);
        QCOMPARE(qelvirtual_inject_fault(handle, QELV_FAULT_STALL, 10), 0);
    }

    void damagedJpegFramesAreSurvived() {
        int handle = qelvirtual_handle_of(cameraCount() - 1);
        int cam = startCamera(handle);
        QVERIFY(cam >= 0);
        FrameCollector& fc = FrameCollector::instance();
        QVERIFY(fc.waitFor(5, 2000));
        QCOMPARE(qelvirtual_inject_fault(handle, QELV_FAULT_CORRUPT_JPEG, 3), 1);
        sleepMs(300);
        QCOMPARE(qelvirtual_inject_fault(handle, QELV_FAULT_TRUNCATED_JPEG, 2), 1);
        sleepMs(400);
        QCOMPARE(qelcamera_stop_preview(cam), 1);
        Decoder dec(1);
        int bad = 0, goodAfterBad = 0;
        for (const auto& f : fc.frames()) {
            bool ok = dec.decode(f.data);
            if (!ok)
                ++bad;
            if (ok && bad > 0)
                ++goodAfterBad;
        }
        QCOMPARE(bad, 5);
        QVERIFY(goodAfterBad > 3);  // the stream recovers by itself
    }

    void stalledStreamResumes() {
        int handle = qelvirtual_handle_of(cameraCount() - 1);
        int cam = startCamera(handle);
        QVERIFY(cam >= 0);
        FrameCollector& fc = FrameCollector::instance();
        QVERIFY(fc.waitFor(5, 2000));
        QCOMPARE(qelvirtual_inject_fault(handle, QELV_FAULT_STALL, 1200), 1);
        sleepMs(100);
        int n = fc.count();
        sleepMs(900);
        QCOMPARE(fc.count(), n);
        int fps = -1, bps = -1;
        QCOMPARE(qelcamera_get_fps_bps(cam, 0, &fps, &bps), 1);
        QVERIFY(fps <= 3);  // the statistics show the stall
        QVERIFY(fc.waitFor(n + 10, 2000));

        // A stall until cleared does not keep stop_preview waiting.
        QCOMPARE(qelvirtual_inject_fault(handle, QELV_FAULT_STALL, 0), 1);
        sleepMs(200);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(qelcamera_stop_preview(cam), 1);
        QVERIFY(timer.elapsed() < 500);
        QCOMPARE(qelvirtual_inject_fault(handle, QELV_FAULT_NONE, 0), 1);
    }

    void openFailureAndStillFault() {
        int handle = qelvirtual_handle_of(cameraCount() - 1);
        int cam = indexOfHandle(handle);
        QCOMPARE(qelvirtual_inject_fault(handle, QELV_FAULT_OPEN_FAILS, 0), 1);
        QCOMPARE(qelcamera_open(cam), 0);
        QCOMPARE(qelcamera_start_preview(cam), 0);
        QCOMPARE(qelvirtual_inject_fault(handle, QELV_FAULT_NONE, 0), 1);

        QCOMPARE(startCamera(handle), cam);
        QCOMPARE(qelvirtual_inject_fault(handle, QELV_FAULT_STILL_NOT_JPEG, 0), 1);
        QCOMPARE(qelcamera_set_still_pin_params(cam, 1, 1, 640, 360, 30), 1);
        QCOMPARE(qelcamera_capture_still_image(cam), 1);
        FrameCollector& fc = FrameCollector::instance();
        QVERIFY(fc.waitFor(1, 3000, 1));
        for (const auto& f : fc.frames()) {
            if (f.pin != 1)
                continue;
            QCOMPARE(f.mediaType, 2);
            QCOMPARE(static_cast<int>(f.data.size()), 640 * 360 * 2);
        }
        QCOMPARE(qelvirtual_inject_fault(handle, 99, 0), 0);
        QCOMPARE(qelvirtual_inject_fault(handle, QELV_FAULT_NONE, 0), 1);
    }

    void startStopManyTimes() {
        int handle = qelvirtual_handle_of(cameraCount() - 1);
        int cam = startCamera(handle);
        QVERIFY(cam >= 0);
        QCOMPARE(qelcamera_stop_preview(cam), 1);
        int baseline = threadCount();
        FrameCollector& fc = FrameCollector::instance();
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 100; ++i) {
            fc.clear();
            QCOMPARE(qelcamera_start_preview(cam), 1);
            if (i % 10 == 0)
                QVERIFY(fc.waitFor(1, 2000));
            QCOMPARE(qelcamera_stop_preview(cam), 1);
            int n = fc.count();
            sleepMs(1);
            QCOMPARE(fc.count(), n);  // nothing arrives after stop returned
        }
        QVERIFY(timer.elapsed() < 30000);
        QCOMPARE(threadCount(), baseline);
    }

    void profilesFromJson() {
        const char* profile = R"({"name": "Desk Cam", "vid": 4660, "pid": 22136, "mid": "M-1",
            "streams": [{"formats": [{"type": 2, "sizes": [[320, 240]], "fps": [15, 30]}]}],
            "still": [], "features": [5], "sensors": [1, 0, 6], "baffles": [2, 9],
            "properties": {"Pu_Hue": null, "Ct_Zoom": {"min": 1, "max": 10, "default": 1}},
            "frequency": false})";
        int handle = qelvirtual_add_camera(profile);
        QVERIFY(handle > 0);
        int cam = indexOfHandle(handle);
        QCOMPARE(qelcamera_open(cam), 1);
        char buf[QEL_TEXT_BUFFER_SIZE];
        QCOMPARE(qelcamera_get_camera_name(cam, buf), 1);
        QCOMPARE(QString(buf), QString("Desk Cam"));
        int n = 0, v = 0, flag = 0;
        QCOMPARE(qelcamera_get_stream_count(cam, &n), 1);
        QCOMPARE(n, 1);
        QCOMPARE(qelcamera_get_fps_value(cam, 2, 320, 240, 0, &v), 1);
        QCOMPARE(v, 30);  // highest first
        QCOMPARE(qelcamera_is_support_still_capture(cam, &flag), 1);
        QCOMPARE(flag, 0);
        QCOMPARE(qelcamera_set_face_tracking(cam, 1), 0);
        QCOMPARE(qelcamera_set_flip(cam, 1), 1);
        QCOMPARE(qelcamera_get_sensor_type(cam, 1, &v), 1);
        QCOMPARE(v, 0);
        QCOMPARE(qelcamera_get_acoustic_baffle_name(cam, 1, &v), 1);
        QCOMPARE(v, 9);
        QCOMPARE(qelcamera_get_frequency(cam, &v), 0);
        int sup = 1, mn, mx, st, def, au;
        QCOMPARE(qelcamera_pu_ct_get_range(cam, 2, &sup, &mn, &mx, &st, &def, &au), 1);
        QCOMPARE(sup, 0);
        QCOMPARE(qelcamera_pu_ct_get_range(cam, 13, &sup, &mn, &mx, &st, &def, &au), 1);
        QCOMPARE(mx, 10);

        // A new profile takes effect at the next open.
        QCOMPARE(qelvirtual_set_profile(handle, R"({"name": "Renamed"})"), 1);
        QCOMPARE(qelcamera_get_camera_name(cam, buf), 1);
        QCOMPARE(QString(buf), QString("Desk Cam"));
        QCOMPARE(qelcamera_close(cam), 1);
        QCOMPARE(qelcamera_open(cam), 1);
        QCOMPARE(qelcamera_get_camera_name(cam, buf), 1);
        QCOMPARE(QString(buf), QString("Renamed"));
        QCOMPARE(qelcamera_close(cam), 1);

        QCOMPARE(qelvirtual_add_camera("{not json"), 0);
        QCOMPARE(qelvirtual_add_camera(R"({"streams": []})"), 0);
        QCOMPARE(qelvirtual_add_camera(R"({"streams": [{"formats": [{"type": 9, "sizes": [[64, 64]]}]}]})"),
                 0);
        QCOMPARE(qelvirtual_set_profile(handle, "[1, 2"), 0);
        QCOMPARE(qelvirtual_set_profile(9999, ""), 0);
        QCOMPARE(qelvirtual_remove_camera(handle), 1);
    }

    void environmentProfileFile() {
        QTemporaryFile file;
        QVERIFY(file.open());
        file.write(
            R"([{"name": "Left"}, {"name": "Right", "streams": [{"formats": [{"type": 1, "sizes": [[640, 360]]}]}]}])");
        file.close();
        QCOMPARE(qelcamera_uninit(), 1);
        QCOMPARE(qelcamera_get_camera_count(nullptr), 0);
        int n = 0;
        QCOMPARE(qelcamera_get_camera_count(&n), 0);  // not initialised
        qelvirtual_reset();
        qputenv("QEL_VIRTUAL_CAMERAS", file.fileName().toLocal8Bit());
        QCOMPARE(qelcamera_init(), 1);
        QStringList names;
        char buf[QEL_TEXT_BUFFER_SIZE];
        for (int i = 0; i < cameraCount(); ++i) {
            if (qelvirtual_handle_of(i) > 0 && qelcamera_get_camera_name(i, buf) == 1)
                names << buf;
        }
        QCOMPARE(names, QStringList({"Left", "Right"}));
        QCOMPARE(qelcamera_set_device_changed_callback(&onDeviceChanged), 1);
    }
};

QTEST_GUILESS_MAIN(TestQeldsHotplug)
#include "tst_qelds_hotplug.moc"
