// Image properties, power-line frequency, flip/mirror, encoder controls and the support codes of
// V4L2 cameras, on replayed devices.
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

}  // namespace

class TestV4l2Controls : public QObject {
    Q_OBJECT
private slots:
    void rangesAndUnsupportedIds();
    void autoModesFollowTheirControls();
    void valuesAreFittedToRangeAndStep();
    void colourEnableFromColourEffects();
    void powerLineFrequency();
    void flipMirrorAndAutoFocus();
    void encoderControlsPerStream();
    void gopAlsoForcesAKeyframe();
    void supportCodes();
    void closedOrPlainCameraRefuses();
};

void TestV4l2Controls::rangesAndUnsupportedIds() {
    auto io = loadReplay({"webcam_1080p.json"});
    auto camera = firstCamera(io);
    QVERIFY(camera->open());
    PropertyRange r;
    QVERIFY(camera->propertyRange(0, &r));
    QVERIFY(r.supported);
    QCOMPARE(r.min, -64);
    QCOMPARE(r.max, 64);
    QCOMPARE(r.def, 0);
    QVERIFY(!r.autoSupported);
    QVERIFY(camera->propertyRange(7, &r));  // white balance with its auto switch
    QVERIFY(r.supported && r.autoSupported);
    QCOMPARE(r.step, 10);
    QVERIFY(camera->propertyRange(14, &r));  // exposure: the menu offers aperture priority
    QVERIFY(r.supported && r.autoSupported);
    for (int id : {6, 10, 11, 12, 13, 15, 16}) {
        QVERIFY(camera->propertyRange(id, &r));  // answered, but not supported
        QVERIFY2(!r.supported, qPrintable(QString::number(id)));
        int v;
        bool a;
        QVERIFY(!camera->propertyGet(id, &v, &a));
        QVERIFY(!camera->propertySet(id, 1, false));
    }
    QVERIFY(!camera->propertyRange(17, &r));
    QVERIFY(!camera->propertyRange(-1, &r));
    QVERIFY(!camera->propertyRange(0, nullptr));
}

void TestV4l2Controls::autoModesFollowTheirControls() {
    auto io = loadReplay({"webcam_1080p.json"});
    auto camera = firstCamera(io);
    QVERIFY(camera->open());
    int value = 0;
    bool isAuto = false;
    QVERIFY(camera->propertyGet(14, &value, &isAuto));
    QCOMPARE(value, 157);
    QVERIFY(isAuto);
    // Manual exposure: the menu goes to manual first, then the value is written.
    QVERIFY(camera->propertySet(14, 300, false));
    QCOMPARE(control(*io, kWebcamNode, V4L2_CID_EXPOSURE_AUTO), int(V4L2_EXPOSURE_MANUAL));
    QCOMPARE(control(*io, kWebcamNode, V4L2_CID_EXPOSURE_ABSOLUTE), 300);
    QVERIFY(camera->propertyGet(14, &value, &isAuto));
    QVERIFY(!isAuto);
    QVERIFY(camera->propertySet(14, 0, true));
    QCOMPARE(control(*io, kWebcamNode, V4L2_CID_EXPOSURE_AUTO), int(V4L2_EXPOSURE_APERTURE_PRIORITY));
    QCOMPARE(control(*io, kWebcamNode, V4L2_CID_EXPOSURE_ABSOLUTE), 300);  // left to the camera

    QVERIFY(camera->propertySet(7, 5000, false));
    QCOMPARE(control(*io, kWebcamNode, V4L2_CID_AUTO_WHITE_BALANCE), 0);
    QCOMPARE(control(*io, kWebcamNode, V4L2_CID_WHITE_BALANCE_TEMPERATURE), 5000);
    // Auto where the camera has none is refused, not quietly set to manual.
    QVERIFY(!camera->propertySet(0, 10, true));
    QCOMPARE(control(*io, kWebcamNode, V4L2_CID_BRIGHTNESS), 0);

    // The 4K camera's exposure menu has full auto only.
    auto io4k = loadReplay({"camera_4k.json"});
    auto camera4k = firstCamera(io4k);
    QVERIFY(camera4k->open());
    QVERIFY(camera4k->propertySet(14, 100, false));
    QCOMPARE(control(*io4k, k4kNode, V4L2_CID_EXPOSURE_AUTO), int(V4L2_EXPOSURE_MANUAL));
    QVERIFY(camera4k->propertySet(14, 100, true));
    QCOMPARE(control(*io4k, k4kNode, V4L2_CID_EXPOSURE_AUTO), int(V4L2_EXPOSURE_AUTO));
}

void TestV4l2Controls::valuesAreFittedToRangeAndStep() {
    // The replayed driver refuses values off range or step, as some real ones do.
    auto io = loadReplay({"webcam_1080p.json", "camera_4k.json"});
    auto cameras = probeCameras(*io);
    V4l2Camera webcam(io, cameras[0], nullptr);
    V4l2Camera camera4k(io, cameras[1], nullptr);
    QVERIFY(webcam.open());
    QVERIFY(camera4k.open());
    QVERIFY(webcam.propertySet(7, 5005, false));
    QCOMPARE(control(*io, kWebcamNode, V4L2_CID_WHITE_BALANCE_TEMPERATURE), 5010);
    QVERIFY(webcam.propertySet(7, 99999, false));
    QCOMPARE(control(*io, kWebcamNode, V4L2_CID_WHITE_BALANCE_TEMPERATURE), 6500);
    QVERIFY(webcam.propertySet(0, -1000, false));
    QCOMPARE(control(*io, kWebcamNode, V4L2_CID_BRIGHTNESS), -64);
    QVERIFY(camera4k.propertySet(15, 52, false));
    QCOMPARE(control(*io, k4kNode, V4L2_CID_IRIS_ABSOLUTE), 50);
    int value;
    bool isAuto;
    QVERIFY(camera4k.propertyGet(15, &value, &isAuto));
    QCOMPARE(value, 50);
    QVERIFY(!isAuto);
}

void TestV4l2Controls::colourEnableFromColourEffects() {
    auto io = loadReplay({"camera_4k.json"});
    auto camera = firstCamera(io);
    QVERIFY(camera->open());
    PropertyRange r;
    QVERIFY(camera->propertyRange(6, &r));
    QVERIFY(r.supported);
    QCOMPARE(r.min, 0);
    QCOMPARE(r.max, 1);
    QCOMPARE(r.def, 1);  // no effect: colour on
    QVERIFY(camera->propertySet(6, 0, false));
    QCOMPARE(control(*io, k4kNode, V4L2_CID_COLORFX), int(V4L2_COLORFX_BW));
    int value;
    bool isAuto;
    QVERIFY(camera->propertyGet(6, &value, &isAuto));
    QCOMPARE(value, 0);
    QVERIFY(camera->propertySet(6, 1, false));
    QCOMPARE(control(*io, k4kNode, V4L2_CID_COLORFX), int(V4L2_COLORFX_NONE));
}

void TestV4l2Controls::powerLineFrequency() {
    auto io = loadReplay({"webcam_1080p.json", "uvc15_h264.json", "camera_4k.json"});
    auto cameras = probeCameras(*io);
    V4l2Camera webcam(io, cameras[0], nullptr);
    V4l2Camera uvc(io, cameras[1], nullptr);
    V4l2Camera camera4k(io, cameras[2], nullptr);
    QVERIFY(webcam.open() && uvc.open() && camera4k.open());
    int value = 0;
    QVERIFY(webcam.frequencyGet(&value));
    QCOMPARE(value, 1);
    QVERIFY(webcam.frequencySet(2));
    QCOMPARE(control(*io, kWebcamNode, V4L2_CID_POWER_LINE_FREQUENCY), 2);
    QVERIFY(webcam.frequencyGet(&value));
    QCOMPARE(value, 2);
    QVERIFY(!webcam.frequencySet(0));
    QVERIFY(!webcam.frequencySet(3));
    // A camera left on its automatic mode still answers one of the two frequencies.
    QVERIFY(uvc.frequencyGet(&value));
    QCOMPARE(value, 1);
    // 50 Hz only: 60 Hz is refused and nothing changes.
    QVERIFY(!camera4k.frequencySet(2));
    QCOMPARE(control(*io, k4kNode, V4L2_CID_POWER_LINE_FREQUENCY), 1);
    QVERIFY(!webcam.frequencyGet(nullptr));
}

void TestV4l2Controls::flipMirrorAndAutoFocus() {
    auto io = loadReplay({"uvc15_h264.json"});
    auto camera = firstCamera(io);
    QVERIFY(camera->open());
    QVERIFY(camera->euSupport(5));
    QVERIFY(camera->featureSet(Feature::Flip, 1));
    QCOMPARE(control(*io, kUvcNode, V4L2_CID_VFLIP), 1);
    QCOMPARE(control(*io, kUvcNode, V4L2_CID_HFLIP), 0);
    QVERIFY(camera->featureSet(Feature::Mirror, 7));
    QCOMPARE(control(*io, kUvcNode, V4L2_CID_HFLIP), 1);
    int value = -1;
    QVERIFY(camera->featureGet(Feature::Mirror, &value));
    QCOMPARE(value, 1);

    QVERIFY(camera->euSupport(15));
    QVERIFY(camera->featureGet(Feature::AutoFocus, &value));
    QCOMPARE(value, 1);
    QVERIFY(camera->featureSet(Feature::AutoFocus, 0));
    bool isAuto = true;
    QVERIFY(camera->propertyGet(16, &value, &isAuto));
    QVERIFY(!isAuto);
    QVERIFY(camera->featureGet(Feature::AutoFocusMode, &value));
    QCOMPARE(value, 0);
    QVERIFY(!camera->featureSet(Feature::AutoFocusMode, 1));  // read only
}

void TestV4l2Controls::encoderControlsPerStream() {
    auto io = loadReplay({"uvc15_h264.json"});
    auto camera = firstCamera(io);
    QVERIFY(camera->open());
    QVERIFY(camera->euSupport(0));
    QVERIFY(camera->euSupport(1));  // through the H.264 I-frame period
    QVERIFY(camera->setBitrate(1, 8000000));
    QCOMPARE(control(*io, kEncoderNode, V4L2_CID_MPEG_VIDEO_BITRATE), 8000000);
    QVERIFY(camera->setBitrate(1, 4000 * 8192));  // above the camera's maximum
    QCOMPARE(control(*io, kEncoderNode, V4L2_CID_MPEG_VIDEO_BITRATE), 20000000);
    QVERIFY(camera->setGop(1, 60));
    QCOMPARE(control(*io, kEncoderNode, V4L2_CID_MPEG_VIDEO_H264_I_PERIOD), 60);
    QVERIFY(!camera->setBitrate(0, 8000000));  // the MJPEG node has no encoder
    QVERIFY(!camera->setGop(0, 30));
    QVERIFY(!camera->setBitrate(2, 8000000));
    QVERIFY(!camera->setGop(1, 0));
}

void TestV4l2Controls::gopAlsoForcesAKeyframe() {
    // The conference camera with a keyframe button on its encoder node.
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
    QCOMPARE(control(*io, kEncoderNode, V4L2_CID_MPEG_VIDEO_FORCE_KEY_FRAME), 0);
    QVERIFY(camera->setGop(1, 45));
    QCOMPARE(control(*io, kEncoderNode, V4L2_CID_MPEG_VIDEO_H264_I_PERIOD), 45);
    QCOMPARE(control(*io, kEncoderNode, V4L2_CID_MPEG_VIDEO_FORCE_KEY_FRAME), 1);
    // 0 asks for the keyframe only.
    QVERIFY(camera->setGop(1, 0));
    QCOMPARE(control(*io, kEncoderNode, V4L2_CID_MPEG_VIDEO_H264_I_PERIOD), 45);
    QCOMPARE(control(*io, kEncoderNode, V4L2_CID_MPEG_VIDEO_FORCE_KEY_FRAME), 2);
    QVERIFY(!camera->setGop(0, 0));  // the MJPEG node has no encoder
    QVERIFY(!camera->setGop(1, -1));
    QCOMPARE(control(*io, kEncoderNode, V4L2_CID_MPEG_VIDEO_FORCE_KEY_FRAME), 2);
}

void TestV4l2Controls::supportCodes() {
    auto io = loadReplay({"webcam_1080p.json", "uvc15_h264.json", "camera_4k.json"});
    auto cameras = probeCameras(*io);
    V4l2Camera webcam(io, cameras[0], nullptr);
    V4l2Camera uvc(io, cameras[1], nullptr);
    V4l2Camera camera4k(io, cameras[2], nullptr);
    QVERIFY(webcam.open() && uvc.open() && camera4k.open());
    QVERIFY(!webcam.euSupport(0));
    QVERIFY(!webcam.euSupport(1));
    QVERIFY(webcam.euSupport(4));
    QVERIFY(!webcam.euSupport(5));
    QVERIFY(webcam.euSupport(7));
    QVERIFY(webcam.euSupport(10));
    QVERIFY(!webcam.euSupport(15));
    QVERIFY(!camera4k.euSupport(4));  // frame rate fixed by the camera
    QVERIFY(camera4k.euSupport(7));
    QVERIFY(!camera4k.euSupport(10));  // no serial number
    // Vendor features: no mapping, no support.
    for (int code : {9, 12, 13, 16, 17, 18, 19, 20, 21, 22, 23, 25, 99, -1})
        QVERIFY2(!uvc.euSupport(code), qPrintable(QString::number(code)));
    int value;
    QVERIFY(!uvc.featureGet(Feature::FaceTracking, &value));
    QVERIFY(!uvc.featureSet(Feature::Canvas, 1));
    std::vector<int> list;
    QVERIFY(!uvc.featureMask(MaskFeature::HandGesture, &list));
    QVERIFY(!uvc.sensorTypes(&list));
    QVERIFY(!uvc.acousticBaffles(&list));
    int on, on1, id;
    QVERIFY(!uvc.audioModeGet(&on, &on1, &id));
    QVERIFY(!uvc.audioModeSet(1, 1, 1));
    const int test[] = {1, 2};
    QVERIFY(!uvc.factoryTestSet(test, 2));
    QVERIFY(!uvc.captureStill());
    QVERIFY(uvc.setStillParams(false, 1, 1920, 1080, 30));
    QVERIFY(!uvc.setStillParams(true, 1, 1920, 1080, 30));
}

void TestV4l2Controls::closedOrPlainCameraRefuses() {
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
    QVERIFY(camera->propertyRange(0, &r));
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

QTEST_GUILESS_MAIN(TestV4l2Controls)
#include "tst_v4l2controls.moc"
