// Image properties, power-line frequency, flip/mirror, encoder controls and the support codes of
// V4L2 cameras on replayed devices.
#include <linux/videodev2.h>

#include "ReplayFixture.h"

using namespace qelds;

namespace {

const char* kWebcamNode = "/dev/video0";
const char* kUvcNode = "/dev/video2";
const char* kEncoderNode = "/dev/video4";
const char* k4kNode = "/dev/video10";

int control(ReplayV4l2Io& io, const char* node, uint32_t cid) {
    int value = -12345;
    io.controlValue(node, cid, &value);
    return value;
}

// A plain webcam, a UVC 1.5 camera with an H.264 encoding node and a 4K camera, replayed together.
struct ThreeCameras {
    std::shared_ptr<ReplayV4l2Io> io = loadReplay({"webcam_1080p.json", "uvc15_h264.json", "camera_4k.json"});
    std::vector<V4l2CameraInfo> cameras = probeCameras(*io);
    V4l2Camera webcam{io, cameras[0], nullptr};
    V4l2Camera uvc{io, cameras[1], nullptr};
    V4l2Camera camera4k{io, cameras[2], nullptr};
    bool open() { return webcam.open() && uvc.open() && camera4k.open(); }
};

}  // namespace

class TestV4l2Controls : public QObject {
    Q_OBJECT
private slots:
    void rangesAndUnsupportedIds() {
        Replayed r("webcam_1080p.json");
        PropertyRange range;
        QVERIFY(r.camera->propertyRange(7, &range));  // white balance with its auto switch
        QVERIFY(range.supported && range.autoSupported);
        QCOMPARE(range.step, 10);
        QVERIFY(r.camera->propertyRange(14, &range));  // exposure: the menu offers aperture priority
        QVERIFY(range.supported && range.autoSupported);
        for (int id : {6, 10, 11, 12, 13, 15, 16}) {
            QVERIFY(r.camera->propertyRange(id, &range));  // answered, but not supported
            QVERIFY2(!range.supported, qPrintable(QString::number(id)));
            int v;
            bool a;
            QVERIFY(!r.camera->propertyGet(id, &v, &a));
            QVERIFY(!r.camera->propertySet(id, 1, false));
        }
        QVERIFY(!r.camera->propertyRange(17, &range));
        QVERIFY(!r.camera->propertyRange(-1, &range));
        QVERIFY(!r.camera->propertyRange(0, nullptr));
    }

    // A property write on a fresh camera and the control it leaves behind. The replayed driver
    // refuses values off range or step, as some real ones do: they are fitted first.
    void propertyWritesReachTheirControls_data() {
        struct Row {
            const char* name;
            int on4k, id, value;
            bool isAuto, accepted;
            uint32_t cid;
            int expected;
        };
        // clang-format off
        static const Row rows[] = {
            // Manual exposure: the menu goes to manual first, then the value is written; auto
            // leaves the value to the camera.
            {"exposure manual", 0, 14, 300, false, true, V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL},
            {"exposure value", 0, 14, 300, false, true, V4L2_CID_EXPOSURE_ABSOLUTE, 300},
            {"exposure auto", 0, 14, 0, true, true, V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_APERTURE_PRIORITY},
            {"exposure auto keeps value", 0, 14, 0, true, true, V4L2_CID_EXPOSURE_ABSOLUTE, 157},
            {"white balance manual", 0, 7, 5000, false, true, V4L2_CID_AUTO_WHITE_BALANCE, 0},
            {"white balance step", 0, 7, 5005, false, true, V4L2_CID_WHITE_BALANCE_TEMPERATURE, 5010},
            {"white balance max", 0, 7, 99999, false, true, V4L2_CID_WHITE_BALANCE_TEMPERATURE, 6500},
            {"brightness below min", 0, 0, -1000, false, true, V4L2_CID_BRIGHTNESS, -64},
            // Auto where the camera has none is refused, not quietly set to manual.
            {"brightness auto", 0, 0, 10, true, false, V4L2_CID_BRIGHTNESS, 0},
            {"iris on step", 1, 15, 52, false, true, V4L2_CID_IRIS_ABSOLUTE, 50},
            // The 4K camera's exposure menu has full auto only.
            {"4k exposure manual", 1, 14, 100, false, true, V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL},
            {"4k exposure auto", 1, 14, 100, true, true, V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_AUTO},
            // Colour on/off through the colour effects.
            {"colour off", 1, 6, 0, false, true, V4L2_CID_COLORFX, V4L2_COLORFX_BW},
            {"colour on", 1, 6, 1, false, true, V4L2_CID_COLORFX, V4L2_COLORFX_NONE},
        };
        // clang-format on
        for (const char* column : {"on4k", "id", "value", "isAuto", "accepted", "cid", "expected"})
            QTest::addColumn<int>(column);
        for (const Row& r : rows)
            QTest::newRow(r.name) << int(r.on4k) << r.id << r.value << int(r.isAuto) << int(r.accepted)
                                  << int(r.cid) << r.expected;
    }

    void propertyWritesReachTheirControls() {
        QFETCH(int, on4k);
        QFETCH(int, id);
        QFETCH(int, value);
        QFETCH(int, isAuto);
        QFETCH(int, accepted);
        QFETCH(int, cid);
        QFETCH(int, expected);
        Replayed r(on4k ? "camera_4k.json" : "webcam_1080p.json");
        const char* node = on4k ? k4kNode : kWebcamNode;
        QCOMPARE(int(r.camera->propertySet(id, value, isAuto)), accepted);
        QCOMPARE(control(*r.io, node, uint32_t(cid)), expected);
        int read = 0;
        bool readAuto = !isAuto;
        QVERIFY(r.camera->propertyGet(id, &read, &readAuto));
        QCOMPARE(readAuto, accepted && isAuto);
    }

    void colourEnableRange() {
        Replayed r("camera_4k.json");
        PropertyRange range;
        QVERIFY(r.camera->propertyRange(6, &range));
        QCOMPARE((std::vector<int>{range.supported, range.min, range.max, range.def}),
                 (std::vector<int>{1, 0, 1, 1}));  // no effect: colour on
    }

    void powerLineFrequency() {
        ThreeCameras three;
        QVERIFY(three.open());
        int value = 0;
        QVERIFY(three.webcam.frequencyGet(&value));
        QCOMPARE(value, 1);
        QVERIFY(three.webcam.frequencySet(2));
        QCOMPARE(control(*three.io, kWebcamNode, V4L2_CID_POWER_LINE_FREQUENCY), 2);
        QVERIFY(!three.webcam.frequencySet(0));
        QVERIFY(!three.webcam.frequencySet(3));
        // A camera left on its automatic mode still answers one of the two frequencies.
        QVERIFY(three.uvc.frequencyGet(&value));
        QCOMPARE(value, 1);
        // 50 Hz only: 60 Hz is refused and nothing changes.
        QVERIFY(!three.camera4k.frequencySet(2));
        QCOMPARE(control(*three.io, k4kNode, V4L2_CID_POWER_LINE_FREQUENCY), 1);
        QVERIFY(!three.webcam.frequencyGet(nullptr));
    }

    void flipMirrorAndAutoFocus() {
        Replayed r("uvc15_h264.json");
        QVERIFY(r.camera->euSupport(5));
        QVERIFY(r.camera->featureSet(Feature::Flip, 1));
        QCOMPARE(control(*r.io, kUvcNode, V4L2_CID_VFLIP), 1);
        QCOMPARE(control(*r.io, kUvcNode, V4L2_CID_HFLIP), 0);
        QVERIFY(r.camera->featureSet(Feature::Mirror, 7));
        QCOMPARE(control(*r.io, kUvcNode, V4L2_CID_HFLIP), 1);
        int value = -1;
        QVERIFY(r.camera->featureGet(Feature::Mirror, &value));
        QCOMPARE(value, 1);

        QVERIFY(r.camera->euSupport(15));
        QVERIFY(r.camera->featureSet(Feature::AutoFocus, 0));
        bool isAuto = true;
        QVERIFY(r.camera->propertyGet(16, &value, &isAuto));
        QVERIFY(!isAuto);
        QVERIFY(r.camera->featureGet(Feature::AutoFocusMode, &value));
        QCOMPARE(value, 0);
        QVERIFY(!r.camera->featureSet(Feature::AutoFocusMode, 1));  // read only
    }

    void encoderControlsPerStream() {
        // The conference camera, given a keyframe button on its encoder node.
        QFile file(QString::fromStdString(replayPath("uvc15_h264.json")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString text = QString::fromUtf8(file.readAll());
        const QString period =
            QStringLiteral(R"({ "name": "h264_i_period", "min": 1, "max": 300, "default": 30 })");
        QVERIFY(text.contains(period));
        text.replace(period, period + QStringLiteral(R"(, { "name": "force_key_frame", "type": "button" })"));
        auto io = std::make_shared<ReplayV4l2Io>();
        std::string error;
        QVERIFY2(io->parse(text.toStdString(), &error), error.c_str());
        auto camera = firstCamera(io);
        QVERIFY(camera->open());
        QVERIFY(camera->euSupport(0));
        QVERIFY(camera->euSupport(1));  // through the H.264 I-frame period
        QVERIFY(camera->setBitrate(1, 8000000));
        QCOMPARE(control(*io, kEncoderNode, V4L2_CID_MPEG_VIDEO_BITRATE), 8000000);
        QVERIFY(camera->setBitrate(1, 4000 * 8192));  // above the camera's maximum
        QCOMPARE(control(*io, kEncoderNode, V4L2_CID_MPEG_VIDEO_BITRATE), 20000000);
        QVERIFY(!camera->setBitrate(0, 8000000));  // the MJPEG node has no encoder
        QVERIFY(!camera->setBitrate(2, 8000000));

        // Setting the GOP also asks for a keyframe at once; 0 asks for the keyframe only.
        QCOMPARE(control(*io, kEncoderNode, V4L2_CID_MPEG_VIDEO_FORCE_KEY_FRAME), 0);
        QVERIFY(camera->setGop(1, 45));
        QCOMPARE(control(*io, kEncoderNode, V4L2_CID_MPEG_VIDEO_H264_I_PERIOD), 45);
        QCOMPARE(control(*io, kEncoderNode, V4L2_CID_MPEG_VIDEO_FORCE_KEY_FRAME), 1);
        QVERIFY(camera->setGop(1, 0));
        QCOMPARE(control(*io, kEncoderNode, V4L2_CID_MPEG_VIDEO_H264_I_PERIOD), 45);
        QCOMPARE(control(*io, kEncoderNode, V4L2_CID_MPEG_VIDEO_FORCE_KEY_FRAME), 2);
        QVERIFY(!camera->setGop(0, 0));  // the MJPEG node has no encoder
        QVERIFY(!camera->setGop(1, -1));
        QCOMPARE(control(*io, kEncoderNode, V4L2_CID_MPEG_VIDEO_FORCE_KEY_FRAME), 2);
    }

    void supportCodes() {
        ThreeCameras three;
        QVERIFY(three.open());
        for (int code : {0, 1, 5, 15})
            QVERIFY(!three.webcam.euSupport(code));
        for (int code : {4, 7, 10})
            QVERIFY(three.webcam.euSupport(code));
        QVERIFY(!three.camera4k.euSupport(4));   // frame rate fixed by the camera
        QVERIFY(!three.camera4k.euSupport(10));  // no serial number
        // Vendor features: no mapping, no support, and every call refused.
        for (int code : {9, 12, 13, 16, 17, 18, 19, 20, 21, 22, 23, 25, 99, -1})
            QVERIFY2(!three.uvc.euSupport(code), qPrintable(QString::number(code)));
        int value;
        QVERIFY(!three.uvc.featureGet(Feature::FaceTracking, &value));
        QVERIFY(!three.uvc.featureSet(Feature::Canvas, 1));
        std::vector<int> list;
        QVERIFY(!three.uvc.featureMask(MaskFeature::HandGesture, &list));
        QVERIFY(!three.uvc.sensorTypes(&list));
        QVERIFY(!three.uvc.acousticBaffles(&list));
        int on, on1, id;
        QVERIFY(!three.uvc.audioModeGet(&on, &on1, &id));
        QVERIFY(!three.uvc.audioModeSet(1, 1, 1));
        const int test[] = {1, 2};
        QVERIFY(!three.uvc.factoryTestSet(test, 2));
        QVERIFY(!three.uvc.captureStill());
        QVERIFY(three.uvc.setStillParams(false, 1, 1920, 1080, 30));
        QVERIFY(!three.uvc.setStillParams(true, 1, 1920, 1080, 30));
    }

    void closedOrPlainCameraRefuses() {
        auto io = loadReplay({"uvc15_h264.json"});
        auto camera = firstCamera(io);
        PropertyRange r;
        int value;
        bool isAuto;
        QVERIFY(!camera->propertyRange(0, &r));
        QVERIFY(!camera->propertyGet(0, &value, &isAuto));
        QVERIFY(!camera->frequencyGet(&value));
        QVERIFY(!camera->featureGet(Feature::Flip, &value));
        QVERIFY(!camera->setBitrate(1, 1000000));
        QVERIFY(camera->open());
        QVERIFY(camera->open());  // twice is harmless
        QCOMPARE(io->openDescriptors(), 2);
        camera->close();
        QCOMPARE(io->openDescriptors(), 0);
        QVERIFY(!camera->propertyRange(0, &r));
        // Pulled out while open: calls fail instead of crashing, and close still cleans up.
        QVERIFY(camera->open());
        io->unplug("/sys/devices/pci0000:00/0000:00:14.0/usb2/2-1");
        QVERIFY(!camera->propertyGet(0, &value, &isAuto));
        QVERIFY(!camera->propertySet(0, 1, false));
        QVERIFY(camera->propertyRange(0, &r));
        QVERIFY(!r.supported);
        camera->close();
        QCOMPARE(io->openDescriptors(), 0);
        QVERIFY(!camera->open());
    }
};

QTEST_GUILESS_MAIN(TestV4l2Controls)
#include "tst_v4l2controls.moc"
