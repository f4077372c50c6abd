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
    void mjpegFramesReachTheSink();
    void damagedRawFramesAreDropped();
    void twoStreamsOfOneCamera();
    void parametersOutsideTheListsAreRefused();
    void pulledOutMidStream();
    void pulledOutMidStreamChangesTheCameraList();
    void bandwidthRefusalLeavesEverythingStopped();
    void frameRateChangesWhileStreaming();
    void stopWakesTheCaptureThreads();
    void stopFromTheSinkDoesNotHang();
    void repeatedStartStopLeavesNothingBehind();
};

void TestV4l2Stream::mjpegFramesReachTheSink() {
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
        QCOMPARE(f.pin, 0);
        QCOMPARE(f.stream, 0);
        QCOMPARE(f.mediaType, 1);
        QCOMPARE(f.width, 1280);
        QCOMPARE(f.height, 720);
        QCOMPARE(int(f.head[0]), 0xff);  // a whole JPEG: SOI ... EOI, bytes used only
        QCOMPARE(int(f.head[1]), 0xd8);
        QCOMPARE(int(f.last0), 0xff);
        QCOMPARE(int(f.last1), 0xd9);
        uint32_t seq;
        std::memcpy(&seq, f.head.data() + 8, sizeof seq);
        if (i > 0) {
            QVERIFY(seq > lastSeq);
            QVERIFY(f.timestampUs >= frames[i - 1].timestampUs);
        }
        lastSeq = seq;
    }
    // Restartable after a stop; stop without start and a second stop are harmless.
    QVERIFY(camera->start(&sink));
    camera->stop();
    camera->stop();
    camera->close();
    QCOMPARE(io->openDescriptors(), 0);
}

void TestV4l2Stream::damagedRawFramesAreDropped() {
    auto io = loadReplay({"webcam_1080p.json"});
    io->setFrameIntervalMs(3);
    auto camera = firstCamera(io);
    QVERIFY(camera->open());
    QVERIFY(camera->setPreviewParams(0, true, 2, 640, 480, 30));
    io->damageFrames(kWebcamNode, 3);  // one flagged as an error, two cut short
    RecordingSink sink;
    QVERIFY(camera->start(&sink));
    QVERIFY(waitFor([&] { return sink.count() >= 10; }));
    camera->stop();
    const auto frames = sink.snapshot();
    QCOMPARE(int(frames.size()), io->framesDelivered(kWebcamNode) - 3);
    for (const auto& f : frames) {
        QCOMPARE(f.mediaType, 2);
        QCOMPARE(f.size, 640 * 480 * 2);
    }
    QCOMPARE(sink.vanished.load(), 0);
}

void TestV4l2Stream::twoStreamsOfOneCamera() {
    auto io = loadReplay({"uvc15_h264.json"});
    io->setFrameIntervalMs(3);
    auto camera = firstCamera(io);
    QVERIFY(camera->open());
    QVERIFY(camera->setPreviewParams(0, true, 1, 1280, 720, 60));
    QVERIFY(camera->setPreviewParams(1, true, 3, 1920, 1080, 30));
    RecordingSink sink;
    QVERIFY(camera->start(&sink));
    QVERIFY(waitFor([&] { return sink.count(0) >= 10 && sink.count(1) >= 10; }));
    camera->stop();
    QCOMPARE(io->timePerFrameFps(kUvcNode), 60);
    QCOMPARE(io->timePerFrameFps(kEncoderNode), 30);
    for (const auto& f : sink.snapshot()) {
        if (f.stream == 0) {
            QCOMPARE(f.mediaType, 1);
            QCOMPARE(f.width, 1280);
        } else {
            QCOMPARE(f.stream, 1);
            QCOMPARE(f.mediaType, 3);
            QCOMPARE(f.width, 1920);
            QCOMPARE(int(f.head[3]), 1);  // Annex B start code
        }
    }
    // Stream 0 left out: only the encoded stream runs.
    QVERIFY(camera->setPreviewParams(0, false, 0, 0, 0, 0));
    RecordingSink second;
    QVERIFY(camera->start(&second));
    QVERIFY(waitFor([&] { return second.count(1) >= 5; }));
    QVERIFY(!io->isStreaming(kUvcNode));
    camera->stop();
    QCOMPARE(second.count(0), 0);
}

void TestV4l2Stream::parametersOutsideTheListsAreRefused() {
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

void TestV4l2Stream::pulledOutMidStream() {
    auto io = loadReplay({"uvc15_h264.json"});
    io->setFrameIntervalMs(3);
    auto camera = firstCamera(io);
    QVERIFY(camera->open());
    QVERIFY(camera->setPreviewParams(0, true, 1, 1920, 1080, 30));
    QVERIFY(camera->setPreviewParams(1, true, 3, 1280, 720, 30));
    RecordingSink sink;
    QVERIFY(camera->start(&sink));
    io->unplugAfterFrames(kUvcNode, 5);
    // Both capture threads see it; the sink hears of it once.
    QVERIFY(waitFor([&] { return sink.vanished.load() > 0; }));
    QVERIFY(camera->isLost());
    const int framesAtVanish = sink.count();
    QThread::msleep(100);
    QCOMPARE(sink.vanished.load(), 1);
    QCOMPARE(sink.count(), framesAtVanish);
    camera->stop();
    camera->close();
    QCOMPARE(sink.vanished.load(), 1);
    QCOMPARE(io->openDescriptors(), 0);
    QCOMPARE(io->mappedBuffers(), 0);
    QVERIFY(probeCameras(*io).empty());
    QVERIFY(!camera->open());

    // Plugged in again: a fresh start works.
    io->replug(kUvcSysfs);
    auto again = firstCamera(io);
    QVERIFY(again->open());
    QVERIFY(again->setPreviewParams(0, true, 1, 1920, 1080, 30));
    RecordingSink sink2;
    QVERIFY(again->start(&sink2));
    QVERIFY(waitFor([&] { return sink2.count() >= 3; }));
    again->close();  // close stops first
    QVERIFY(!io->isStreaming(kUvcNode));
}

void TestV4l2Stream::pulledOutMidStreamChangesTheCameraList() {
    // Even where no udev event arrives (here: none at all), a camera lost while streaming makes
    // the source announce one change of its list.
    auto io = loadReplay({"uvc15_h264.json", "webcam_1080p.json"});
    io->setFrameIntervalMs(3);
    V4l2Source source(io, nullptr, false);
    std::atomic<int> changes{0};
    QVERIFY(source.startMonitor([&] { ++changes; }));
    auto cameras = source.enumerate();
    QCOMPARE(int(cameras.size()), 2);
    auto uvc = cameras[1];
    QVERIFY(uvc->open());
    QVERIFY(uvc->setPreviewParams(0, true, 1, 1920, 1080, 30));
    QVERIFY(uvc->setPreviewParams(1, true, 3, 1920, 1080, 30));
    RecordingSink sink;
    QVERIFY(uvc->start(&sink));
    io->unplugAfterFrames(kEncoderNode, 3);
    QVERIFY(waitFor([&] { return changes.load() == 1; }));
    QCOMPARE(int(source.enumerate().size()), 1);
    QThread::msleep(400);
    QCOMPARE(changes.load(), 1);  // both streams saw it, one change
    QCOMPARE(sink.vanished.load(), 1);
    uvc->close();
    source.stopMonitor();
}

void TestV4l2Stream::bandwidthRefusalLeavesEverythingStopped() {
    auto io = loadReplay({"uvc15_h264.json"});
    io->setFrameIntervalMs(3);
    auto camera = firstCamera(io);
    QVERIFY(camera->open());
    QVERIFY(camera->setPreviewParams(0, true, 2, 640, 360, 30));
    QVERIFY(camera->setPreviewParams(1, true, 4, 3840, 2160, 30));
    io->failStreamOn(kEncoderNode, ENOSPC);
    RecordingSink sink;
    QVERIFY(!camera->start(&sink));
    QVERIFY(!io->isStreaming(kUvcNode));
    QVERIFY(!io->isStreaming(kEncoderNode));
    QCOMPARE(io->mappedBuffers(), 0);
    QCOMPARE(io->allocatedBuffers(kUvcNode), 0);
    QCOMPARE(io->allocatedBuffers(kEncoderNode), 0);
    QCOMPARE(io->openDescriptors(), 2);  // still open
    QCOMPARE(sink.count(), 0);
    QCOMPARE(sink.vanished.load(), 0);
    camera->stop();

    io->failStreamOn(kEncoderNode, 0);
    QVERIFY(camera->start(&sink));
    QVERIFY(waitFor([&] { return sink.count(0) >= 3 && sink.count(1) >= 3; }));
    camera->stop();
}

void TestV4l2Stream::frameRateChangesWhileStreaming() {
    // The replayed driver, like UVC, refuses S_PARM while streaming: the stream is restarted.
    auto io = loadReplay({"webcam_1080p.json"});
    io->setFrameIntervalMs(3);
    auto camera = firstCamera(io);
    QVERIFY(camera->open());
    QVERIFY(camera->setPreviewParams(0, true, 1, 1280, 720, 30));
    RecordingSink sink;
    QVERIFY(camera->start(&sink));
    QVERIFY(waitFor([&] { return sink.count() >= 3; }));
    QVERIFY(camera->setFps(0, 15));
    QCOMPARE(io->timePerFrameFps(kWebcamNode), 15);
    QVERIFY(io->isStreaming(kWebcamNode));
    const int before = sink.count();
    QVERIFY(waitFor([&] { return sink.count() >= before + 5; }));
    QVERIFY(!camera->setFps(0, 12));  // not offered
    QCOMPARE(io->timePerFrameFps(kWebcamNode), 15);
    QVERIFY(!camera->setFps(1, 15));
    camera->stop();
    QCOMPARE(sink.vanished.load(), 0);
    QCOMPARE(io->mappedBuffers(), 0);
}

void TestV4l2Stream::stopWakesTheCaptureThreads() {
    // A frame every 10 s: stop must wake the waiting threads rather than wait for a timeout.
    auto io = loadReplay({"uvc15_h264.json"});
    io->setFrameIntervalMs(10000);
    auto camera = firstCamera(io);
    QVERIFY(camera->open());
    QVERIFY(camera->setPreviewParams(0, true, 1, 1920, 1080, 30));
    QVERIFY(camera->setPreviewParams(1, true, 3, 1920, 1080, 30));
    RecordingSink sink;
    QVERIFY(camera->start(&sink));
    QThread::msleep(30);
    camera->stop();
    QCOMPARE(io->pollsWoken(), 2);
    QCOMPARE(io->pollsTimedOut(), 0);
    QCOMPARE(sink.count(), 0);
}

void TestV4l2Stream::stopFromTheSinkDoesNotHang() {
    auto io = loadReplay({"webcam_1080p.json"});
    io->setFrameIntervalMs(3);
    auto camera = firstCamera(io);
    QVERIFY(camera->open());
    QVERIFY(camera->setPreviewParams(0, true, 1, 640, 480, 30));
    RecordingSink sink;
    std::atomic<bool> called{false};
    sink.onEachFrame = [&] {
        if (!called.exchange(true)) {
            camera->stop();   // deferred: a capture thread cannot join itself
            camera->close();  // likewise
            PropertyRange r;
            camera->propertyRange(0, &r);  // controls stay usable from the capture thread
        }
    };
    QVERIFY(camera->start(&sink));
    QVERIFY(waitFor([&] { return called.load(); }));
    camera->stop();
    QVERIFY(!io->isStreaming(kWebcamNode));
    camera->close();
    QCOMPARE(io->openDescriptors(), 0);
}

void TestV4l2Stream::repeatedStartStopLeavesNothingBehind() {
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

QTEST_GUILESS_MAIN(TestV4l2Stream)
#include "tst_v4l2stream.moc"
