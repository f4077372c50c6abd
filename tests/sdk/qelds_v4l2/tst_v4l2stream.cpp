// Streaming V4L2 cameras on replayed devices: frames through the sink while the buffer is held,
// several streams, damaged frames, a camera pulled out mid-stream, a bandwidth refusal, live
// frame-rate changes and stopping from every state.
#include <linux/videodev2.h>

#include <cerrno>
#include <cstring>

#include "ReplayFixture.h"
#include "V4l2Source.h"

using namespace qelds;

namespace {

const char* kWebcamNode = "/dev/video0";
const char* kUvcSysfs = "/sys/devices/pci0000:00/0000:00:14.0/usb2/2-1";
const char* kUvcNode = "/dev/video2";
const char* kEncoderNode = "/dev/video4";

}  // namespace

class TestV4l2Stream : public QObject {
    Q_OBJECT
private slots:
    void mjpegFramesReachTheSink() {
        auto io = loadReplay({"webcam_1080p.json"});
        io->setFrameIntervalMs(3);
        auto camera = firstCamera(io);
        RecordingSink sink;
        QVERIFY(!camera->start(&sink));  // not open
        QVERIFY(camera->open());
        QVERIFY(!camera->start(&sink));  // nothing enabled
        QVERIFY(camera->setPreviewParams(0, true, 1, 1280, 720, 30));
        QVERIFY(camera->start(&sink));
        QVERIFY(!camera->start(&sink));  // already running
        QVERIFY(waitFor([&] { return sink.count() >= 20; }));
        camera->stop();
        QVERIFY(!io->isStreaming(kWebcamNode));
        QCOMPARE(io->mappedBuffers(), 0);
        QCOMPARE(io->allocatedBuffers(kWebcamNode), 0);

        const auto frames = sink.snapshot();
        QCOMPARE(int(frames.size()), io->framesDelivered(kWebcamNode));
        uint32_t lastSeq = 0;
        for (size_t i = 0; i < frames.size(); ++i) {
            const RecordedFrame& f = frames[i];
            QCOMPARE((std::vector<int>{f.pin, f.stream, f.mediaType, f.width, f.height}),
                     (std::vector<int>{0, 0, 1, 1280, 720}));
            // A whole JPEG, SOI ... EOI: the bytes used only.
            QCOMPARE((std::vector<int>{f.head[0], f.head[1], f.last0, f.last1}),
                     (std::vector<int>{0xff, 0xd8, 0xff, 0xd9}));
            uint32_t seq;
            std::memcpy(&seq, f.head.data() + 8, sizeof seq);
            QVERIFY(i == 0 || (seq > lastSeq && f.timestampUs >= frames[i - 1].timestampUs));
            lastSeq = seq;
        }
        // Restartable after a stop; stop without start and a second stop are harmless.
        QVERIFY(camera->start(&sink));
        camera->stop();
        camera->stop();
        camera->close();
        QCOMPARE(io->openDescriptors(), 0);
    }

    void damagedRawFramesAreDropped() {
        Replayed r("webcam_1080p.json");
        QVERIFY(r.camera->setPreviewParams(0, true, 2, 640, 480, 30));
        r.io->damageFrames(kWebcamNode, 3);  // one flagged as an error, two cut short
        RecordingSink sink;
        QVERIFY(r.camera->start(&sink));
        QVERIFY(waitFor([&] { return sink.count() >= 10; }));
        r.camera->stop();
        const auto frames = sink.snapshot();
        QCOMPARE(int(frames.size()), r.io->framesDelivered(kWebcamNode) - 3);
        for (const auto& f : frames)
            QCOMPARE(f.size, 640 * 480 * 2);
        QCOMPARE(sink.vanished.load(), 0);
    }

    void twoStreamsOfOneCamera() {
        Replayed r("uvc15_h264.json");
        QVERIFY(r.camera->setPreviewParams(0, true, 1, 1280, 720, 60));
        QVERIFY(r.camera->setPreviewParams(1, true, 3, 1920, 1080, 30));
        RecordingSink sink;
        QVERIFY(r.camera->start(&sink));
        QVERIFY(waitFor([&] { return sink.count(0) >= 10 && sink.count(1) >= 10; }));
        r.camera->stop();
        QCOMPARE(r.io->timePerFrameFps(kUvcNode), 60);
        QCOMPARE(r.io->timePerFrameFps(kEncoderNode), 30);
        for (const auto& f : sink.snapshot()) {
            QCOMPARE(f.mediaType, f.stream == 0 ? 1 : 3);
            QCOMPARE(f.width, f.stream == 0 ? 1280 : 1920);
            if (f.stream == 1)
                QCOMPARE(int(f.head[3]), 1);  // Annex B start code
        }
        // Stream 0 left out: only the encoded stream runs.
        QVERIFY(r.camera->setPreviewParams(0, false, 0, 0, 0, 0));
        RecordingSink second;
        QVERIFY(r.camera->start(&second));
        QVERIFY(waitFor([&] { return second.count(1) >= 5; }));
        QVERIFY(!r.io->isStreaming(kUvcNode));
        r.camera->stop();
        QCOMPARE(second.count(0), 0);
    }

    void parametersOutsideTheListsAreRefused() {
        auto io = loadReplay({"uvc15_h264.json"});
        auto camera = firstCamera(io);
        QVERIFY(camera->setPreviewParams(0, true, 1, 1920, 1080, 15));
        QVERIFY(!camera->setPreviewParams(0, true, 3, 1920, 1080, 30));  // H.264 is on the other node
        QVERIFY(!camera->setPreviewParams(0, true, 1, 1920, 1080, 60));
        QVERIFY(!camera->setPreviewParams(0, true, 1, 1024, 768, 30));
        QVERIFY(!camera->setPreviewParams(0, true, 9, 1920, 1080, 30));
        QVERIFY(!camera->setPreviewParams(2, true, 1, 1920, 1080, 30));
        QVERIFY(!camera->setPreviewParams(-1, false, 1, 1920, 1080, 30));
        QVERIFY(!camera->setFps(0, 7));
        QVERIFY(camera->setFps(0, 30));  // not running: kept for the next start
        QVERIFY(camera->open());
        RecordingSink sink;
        QVERIFY(camera->start(&sink));
        camera->stop();
        QCOMPARE(io->timePerFrameFps(kUvcNode), 30);
    }

    void pulledOutMidStream() {
        auto io = loadReplay({"uvc15_h264.json", "webcam_1080p.json"});
        io->setFrameIntervalMs(3);
        V4l2Source source(io, nullptr, false);
        std::atomic<int> changes{0};
        QVERIFY(source.startMonitor([&] { ++changes; }));
        auto camera = std::dynamic_pointer_cast<V4l2Camera>(source.enumerate().at(1));
        QVERIFY(camera && camera->open());
        QVERIFY(camera->setPreviewParams(0, true, 1, 1920, 1080, 30));
        QVERIFY(camera->setPreviewParams(1, true, 3, 1280, 720, 30));
        RecordingSink sink;
        QVERIFY(camera->start(&sink));
        io->unplugAfterFrames(kUvcNode, 5);
        // Both capture threads see it; the sink hears of it once. Even where no udev event arrives
        // (here: none at all), the source announces one change of its list.
        QVERIFY(waitFor([&] { return sink.vanished.load() > 0; }));
        QVERIFY(camera->isLost());
        const int framesAtVanish = sink.count();
        QVERIFY(waitFor([&] { return changes.load() == 1; }));
        QCOMPARE(int(source.enumerate().size()), 1);
        QThread::msleep(400);
        QCOMPARE(changes.load(), 1);
        QCOMPARE(sink.vanished.load(), 1);
        QCOMPARE(sink.count(), framesAtVanish);
        camera->stop();
        camera->close();
        QCOMPARE(sink.vanished.load(), 1);
        QCOMPARE(io->openDescriptors(), 0);
        QCOMPARE(io->mappedBuffers(), 0);
        QVERIFY(!camera->open());

        // Plugged in again: a fresh start works.
        io->replug(kUvcSysfs);
        auto again = source.enumerate().at(1);
        QVERIFY(again->open());
        QVERIFY(again->setPreviewParams(0, true, 1, 1920, 1080, 30));
        RecordingSink sink2;
        QVERIFY(again->start(&sink2));
        QVERIFY(waitFor([&] { return sink2.count() >= 3; }));
        again->close();  // close stops first
        QVERIFY(!io->isStreaming(kUvcNode));
        source.stopMonitor();
    }

    void bandwidthRefusalLeavesEverythingStopped() {
        Replayed r("uvc15_h264.json");
        QVERIFY(r.camera->setPreviewParams(0, true, 2, 640, 360, 30));
        QVERIFY(r.camera->setPreviewParams(1, true, 4, 3840, 2160, 30));
        r.io->failStreamOn(kEncoderNode, ENOSPC);
        RecordingSink sink;
        QVERIFY(!r.camera->start(&sink));
        QVERIFY(!r.io->isStreaming(kUvcNode));
        QVERIFY(!r.io->isStreaming(kEncoderNode));
        QCOMPARE(r.io->mappedBuffers(), 0);
        QCOMPARE(r.io->allocatedBuffers(kUvcNode), 0);
        QCOMPARE(r.io->allocatedBuffers(kEncoderNode), 0);
        QCOMPARE(r.io->openDescriptors(), 2);  // still open
        QCOMPARE(sink.count(), 0);
        QCOMPARE(sink.vanished.load(), 0);
        r.camera->stop();

        r.io->failStreamOn(kEncoderNode, 0);
        QVERIFY(r.camera->start(&sink));
        QVERIFY(waitFor([&] { return sink.count(0) >= 3 && sink.count(1) >= 3; }));
        r.camera->stop();
    }

    void frameRateChangesWhileStreaming() {
        // The replayed driver, like UVC, refuses S_PARM while streaming: the stream is restarted.
        Replayed r("webcam_1080p.json");
        QVERIFY(r.camera->setPreviewParams(0, true, 1, 1280, 720, 30));
        RecordingSink sink;
        QVERIFY(r.camera->start(&sink));
        QVERIFY(waitFor([&] { return sink.count() >= 3; }));
        QVERIFY(r.camera->setFps(0, 15));
        QCOMPARE(r.io->timePerFrameFps(kWebcamNode), 15);
        QVERIFY(r.io->isStreaming(kWebcamNode));
        const int before = sink.count();
        QVERIFY(waitFor([&] { return sink.count() >= before + 5; }));
        QVERIFY(!r.camera->setFps(0, 12));  // not offered
        QCOMPARE(r.io->timePerFrameFps(kWebcamNode), 15);
        QVERIFY(!r.camera->setFps(1, 15));
        r.camera->stop();
        QCOMPARE(sink.vanished.load(), 0);
        QCOMPARE(r.io->mappedBuffers(), 0);
    }

    void stopWakesTheCaptureThreads() {
        // A frame every 10 s: stop must wake the waiting threads rather than wait for a timeout.
        Replayed r("uvc15_h264.json", 10000);
        QVERIFY(r.camera->setPreviewParams(0, true, 1, 1920, 1080, 30));
        QVERIFY(r.camera->setPreviewParams(1, true, 3, 1920, 1080, 30));
        RecordingSink sink;
        QVERIFY(r.camera->start(&sink));
        QThread::msleep(30);
        r.camera->stop();
        QCOMPARE(r.io->pollsWoken(), 2);
        QCOMPARE(r.io->pollsTimedOut(), 0);
        QCOMPARE(sink.count(), 0);
    }

    void stopFromTheSinkDoesNotHang() {
        Replayed r("webcam_1080p.json");
        QVERIFY(r.camera->setPreviewParams(0, true, 1, 640, 480, 30));
        RecordingSink sink;
        std::atomic<bool> called{false};
        sink.onEachFrame = [&] {
            if (!called.exchange(true)) {
                r.camera->stop();   // deferred: a capture thread cannot join itself
                r.camera->close();  // likewise
                PropertyRange range;
                r.camera->propertyRange(0, &range);  // controls stay usable from the capture thread
            }
        };
        QVERIFY(r.camera->start(&sink));
        QVERIFY(waitFor([&] { return called.load(); }));
        r.camera->stop();
        QVERIFY(!r.io->isStreaming(kWebcamNode));
        r.camera->close();
        QCOMPARE(r.io->openDescriptors(), 0);
    }

    void repeatedStartStopLeavesNothingBehind() {
        auto io = loadReplay({"uvc15_h264.json"});
        io->setFrameIntervalMs(1);
        auto camera = firstCamera(io);
        RecordingSink sink;
        for (int i = 0; i < 50; ++i) {
            QVERIFY(camera->open());
            QVERIFY(camera->setPreviewParams(0, true, 1, 1280, 720, 60));
            QVERIFY(camera->setPreviewParams(1, true, 3, 1280, 720, 30));
            QVERIFY(camera->start(&sink));
            if (i % 10 == 0)
                QVERIFY(waitFor([&] { return sink.count() > 0; }));
            camera->stop();
            if (i % 2)
                camera->close();
        }
        camera->close();
        QCOMPARE(io->openDescriptors(), 0);
        QCOMPARE(io->mappedBuffers(), 0);
        QCOMPARE(sink.vanished.load(), 0);
    }
};

QTEST_GUILESS_MAIN(TestV4l2Stream)
#include "tst_v4l2stream.moc"
