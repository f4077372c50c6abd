// Finding V4L2 cameras: nodes grouped into cameras and streams, identity texts, format lists.
#include <linux/videodev2.h>

#include "ReplayFixture.h"
#include "V4l2Source.h"

using namespace qelds;

namespace {

template <typename Format>
std::vector<std::pair<int, int>> sizesOf(const Format& f) {
    std::vector<std::pair<int, int>> sizes;
    for (const auto& s : f.sizes)
        sizes.emplace_back(s.width, s.height);
    return sizes;
}

const FrameSize* findSize(const MediaFormat& f, int w, int h) {
    for (const auto& s : f.sizes)
        if (s.width == w && s.height == h)
            return &s;
    return nullptr;
}

}  // namespace

class TestV4l2Probe : public QObject {
    Q_OBJECT
private slots:
    void nodesGroupedIntoCamerasInNodeOrder() {
        // Loaded out of order; /dev/video10 sorts after /dev/video2 by number, not by text.
        auto io = loadReplay({"camera_4k.json", "uvc15_h264.json", "webcam_1080p.json"});
        const auto cameras = probeCameras(*io);
        QCOMPARE(int(cameras.size()), 3);
        QCOMPARE(cameras[0].nodes[0].path, std::string("/dev/video0"));
        QCOMPARE(cameras[1].nodes[0].path, std::string("/dev/video2"));
        QCOMPARE(cameras[2].nodes[0].path, std::string("/dev/video10"));
        QVERIFY(cameras[2].serial.empty());
        V4l2Camera webcam(io, cameras[0], nullptr);
        QCOMPARE(webcam.streamCount(), 1);  // the metadata node is no stream
        QVERIFY(webcam.stillFormats().empty());
        QVERIFY(webcam.formats(1).empty());
        QVERIFY(webcam.formats(-1).empty());
        // The conference camera's encoder node is its second stream.
        V4l2Camera uvc(io, cameras[1], nullptr);
        QCOMPARE(uvc.streamCount(), 2);
        const auto encoded = uvc.formats(1);
        QCOMPARE(int(encoded.size()), 2);
        QCOMPARE(encoded[0].mediaType, 3);
        QCOMPARE(encoded[1].mediaType, 4);
    }

    void ratesAreWholeDistinctAndHighestFirst() {
        auto io = loadReplay({"camera_4k.json"});
        auto camera = firstCamera(io);
        const auto formats = camera->formats(0);
        // MJPG, NV12, YUY2: the Bayer format is not offered.
        QCOMPARE(int(formats.size()), 3);
        QCOMPARE(formats[0].mediaType, 1);
        QCOMPARE(formats[1].mediaType, 5);
        QCOMPARE(formats[2].mediaType, 2);
        // 30000/1001 and 30/1 are both "30"; 15000/1001 is 15.
        QCOMPARE(findSize(formats[0], 3840, 2160)->fps, (std::vector<int>{30, 25, 15}));
        QCOMPARE(findSize(formats[0], 1920, 1080)->fps, (std::vector<int>{60, 50, 30}));
        // Intervals longer than a frame per second: 2/5 s is rounded to 3, not dropped.
        QCOMPARE(findSize(formats[1], 3840, 2160)->fps, (std::vector<int>{3, 1}));

        QCOMPARE(mediaTypeForPixelFormat(V4L2_PIX_FMT_JPEG), 1);
        QCOMPARE(mediaTypeForPixelFormat(V4L2_PIX_FMT_SRGGB8), 0);
        QCOMPARE(firmwareFromBcd("0a10"), std::string("a.10"));
        QCOMPARE(firmwareFromBcd("12"), std::string());
        QCOMPARE(firmwareFromBcd("zz00"), std::string());
    }

    void stepwiseSizesAndContinuousRates() {
        // A platform camera (no USB parent), an output-only node and a capture node that cannot stream.
        const char* description = R"({ "devices": [ {
            "sysfs": "/sys/devices/platform/camera0",
            "nodes": [
              { "path": "/dev/video7", "device_dir": "/sys/devices/platform/camera0", "card": "Platform Cam",
                "caps": ["video_capture", "streaming"],
                "formats": [ { "fourcc": "YUYV", "sizes": [
                  { "stepwise": { "min": [160, 120], "max": [1920, 1080], "step": [16, 8] },
                    "interval_range": { "min": [1, 60], "max": [1, 1] } } ] },
                  { "fourcc": "MJPG", "sizes": [
                    { "size": [1280, 720], "interval_range": { "min": [1, 30], "max": [1, 1], "step": [1, 30] } },
                    { "size": [640, 480], "interval_range": { "min": [1, 30], "max": [1, 30], "step": [0, 1] } } ] } ] },
              { "path": "/dev/video8", "device_dir": "/sys/devices/platform/camera0", "caps": ["video_output", "streaming"] },
              { "path": "/dev/video9", "device_dir": "/sys/devices/platform/camera0", "caps": ["video_capture"],
                "formats": [ { "fourcc": "YUYV", "sizes": [ { "size": [640, 480], "intervals": [[1, 30]] } ] } ] }
            ] } ] })";
        auto io = std::make_shared<ReplayV4l2Io>();
        std::string error;
        QVERIFY2(io->parse(description, &error), error.c_str());
        const auto cameras = probeCameras(*io);
        QCOMPARE(int(cameras.size()), 1);
        QCOMPARE(int(cameras[0].nodes.size()), 1);
        QCOMPARE(cameras[0].vendorId, 0);
        QVERIFY(cameras[0].firmware.empty());
        QCOMPARE(cameras[0].uniqueId, std::string("/sys/devices/platform/camera0"));
        const V4l2Format& f = cameras[0].nodes[0].formats[0];
        const std::vector<std::pair<int, int>> expected{{1920, 1080}, {1280, 960}, {1280, 720}, {1024, 768},
                                                        {800, 600},   {640, 480},  {640, 360},  {320, 240},
                                                        {160, 120}};  // 960x540 misses the height step
        QCOMPARE(sizesOf(f), expected);
        QCOMPARE(f.sizes[0].fps, (std::vector<int>{60, 50, 30, 25, 24, 20, 15, 10, 5, 1}));
        // Stepwise intervals: only the common rates on the steps (k/30 s); a zero step is one rate.
        const V4l2Format& stepped = cameras[0].nodes[0].formats[1];
        QCOMPARE(stepped.sizes[0].fps, (std::vector<int>{30, 15, 10, 5, 1}));
        QCOMPARE(stepped.sizes[1].fps, std::vector<int>{30});

        QVERIFY(!io->parse(R"({ "devices": [ { "sysfs": "/x", "nodes": [ { "path": "/dev/video1",
            "caps": ["video_capture"], "formats": [ { "fourcc": "TOOLONG", "sizes": [] } ] } ] } ] })",
                           &error));
        QVERIFY(!error.empty());
    }

    void sourceKeepsObjectsOfDevicesStillPresent() {
        auto io = loadReplay({"webcam_1080p.json", "uvc15_h264.json"});
        V4l2Source source(io, nullptr, false);
        const auto first = source.enumerate();
        QCOMPARE(int(first.size()), 2);
        const auto again = source.enumerate();
        QCOMPARE(again[0].get(), first[0].get());
        QCOMPARE(again[1].get(), first[1].get());

        const std::string webcam = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2";
        io->unplug(webcam);
        const auto unplugged = source.enumerate();
        QCOMPARE(int(unplugged.size()), 1);
        QCOMPARE(unplugged[0].get(), first[1].get());

        // Back at the same port with a new USB address: a new identity and a fresh object, since
        // it may as well be another camera.
        io->replug(webcam);
        const auto replugged = source.enumerate();
        QCOMPARE(int(replugged.size()), 2);
        QCOMPARE(first[0]->uniqueId(), webcam + "#3");
        QCOMPARE(replugged[0]->uniqueId(), webcam + "#4");
        QVERIFY(replugged[0].get() != first[0].get());
        QVERIFY(source.startMonitor([] {}));
        source.stopMonitor();
    }
};

QTEST_GUILESS_MAIN(TestV4l2Probe)
#include "tst_v4l2probe.moc"
