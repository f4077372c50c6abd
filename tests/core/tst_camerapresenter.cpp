// The presenter against virtual cameras: open reports, format lists, refusals, features, hot-plug.
#include <QtTest>

#include "CCameraModel.h"
#include "CCameraPresenter.h"
#include "CameraPropertyList.h"
#include "LibraryCallLog.h"
#include "RecordingView.h"
#include "qelds.h"
#include "qelvirtual.h"

namespace {

// Reports written one after the other, separated by ";".
QStringList reportList(const QString& text) {
    QStringList out;
    for (const QString& report : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        out.append(report.trimmed());
    }
    return out;
}

int featureValue(CCameraModel* model, CameraFeature feature) {
    int value = -1;
    model->Get(feature, value);
    return value;
}

// A single-stream camera offering everything, with known lists.
const char* const kFullProfile = R"({
  "name": "Test Cam", "vid": 7531, "pid": 258, "firmware": "2.3.4", "mid": "MID-0042",
  "streams": [ { "formats": [
      { "type": 1, "sizes": [[1280,720],[640,360]], "fps": [30,15] },
      { "type": 3, "sizes": [[1920,1080],[640,360]], "fps": [30,25] } ] } ],
  "still": [ { "type": 1, "sizes": [[1280,720],[640,360]], "fps": [30] } ],
  "sensors": [1, 0, 6],
  "baffles": [2, 9],
  "properties": { "Pu_Hue": null }
})";

// A camera without any extension-unit feature, still pin or frequency control.
const char* const kPlainProfile = R"({
  "name": "Plain Cam", "vid": 4660, "pid": 22136,
  "streams": [ { "formats": [ { "type": 1, "sizes": [[640,360]], "fps": [30] } ] } ],
  "still": [], "features": [],
  "masks": { "hand_gesture": [], "canvas": [], "sub1_ai": [], "mosaic": [], "audio_mode": [],
             "factory_test": [] },
  "sensors": [], "baffles": [], "frequency": false
})";

// Three streams whose preferred multi-stream entries are not the first ones.
const char* const kThreeStreamProfile = R"({
  "name": "Three Streams",
  "streams": [
    { "formats": [ { "type": 1, "sizes": [[1280,720],[1920,1080]], "fps": [30,25,15] },
                   { "type": 3, "sizes": [[1280,720],[1920,1080]], "fps": [30,25,15] } ] },
    { "formats": [ { "type": 1, "sizes": [[1280,720],[640,360]], "fps": [30,15] },
                   { "type": 3, "sizes": [[1280,720],[640,360]], "fps": [30,15] } ] },
    { "formats": [ { "type": 3, "sizes": [[320,180],[640,360]], "fps": [30,10] } ] } ]
})";

}  // namespace

class TestCameraPresenter : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void openReportsEverythingInOrder();
    void cameraWithoutFeaturesGetsTheNotSupportedReports();
    void noCameraOpensNothing();
    void singleStreamCascadeUsesFirstEntries();
    void multiStreamCascadePrefersTheUsualFormats();
    void audioModeIsReportedAsTheCameraAnswers();
    void refusalsAreReportedAndKeepTheSelection();
    void stillPinCascade();
    void aiFeaturesExcludeEachOther();
    void slidersAndPropertyReset();
    void factoryTestFrequencyAndBitrateReachTheCamera();
    void selectionOfAnotherCameraFallsBackToFirstEntries();
    void hotPlugFindsTheOpenCameraByName();
    void hotPlugWithTwoCamerasOfOneName();

private:
    // Adds the camera of `profile` (if any) and initialises the presenter, which opens it.
    bool start(const char* profile = nullptr);

    RecordingView* m_view = nullptr;
    CCameraPresenter* m_presenter = nullptr;
};

void TestCameraPresenter::init() {
    qelvirtual_reset();
    LibraryCallLog::clear();
    LibraryCallLog::clearAudioModeAnswer();
    m_view = new RecordingView(0);
    m_presenter = new CCameraPresenter(m_view);
    m_view->presenter = m_presenter;
}

void TestCameraPresenter::cleanup() {
    delete m_presenter;
    m_presenter = nullptr;
    delete m_view;
    m_view = nullptr;
    qelvirtual_reset();
}

bool TestCameraPresenter::start(const char* profile) {
    return (!profile || qelvirtual_add_camera(profile) > 0) && m_presenter->Init();
}

void TestCameraPresenter::openReportsEverythingInOrder() {
    QVERIFY(start(kFullProfile));
    QStringList reports = m_view->take();

    // The SDK version text belongs to the library: check its presence, then compare the rest.
    const int sdk = reports.indexOf(QRegularExpression(QStringLiteral("^SetDeviceSDKVersion\\(.+\\)$")));
    QVERIFY2(sdk > 0, qPrintable(reports.join('\n')));
    reports.removeAt(sdk);
    const int audioList = reports.indexOf(QRegularExpression(QStringLiteral("^SetAudioList\\(.*")));
    QCOMPARE(audioList, reports.size() - 1);
    QVERIFY(reports.at(audioList).endsWith(QStringLiteral(",0)")));
    reports.removeLast();
    const int focus = reports.indexOf(QRegularExpression(QStringLiteral("^SetAutoFocusMode\\(.*")));
    QVERIFY(focus > 0);
    const bool focusMode4 = reports.at(focus) == QStringLiteral("SetAutoFocusMode(4)");
    reports.removeAt(focus);
    if (focusMode4) {
        QVERIFY(reports.at(focus).startsWith(QStringLiteral("CheckAutoFocus(")));
        reports.removeAt(focus);
    }

    const QStringList expected = reportList(
        QStringLiteral(
            "SetCameraList([Test Cam]); SetStreamCount(1); MediaTypeListReady(0,[MJPG|H264],0);"
            "SetDeviceFWVersion(2.3.4); EnableDeviceInfo(true); SetDeviceMID(MID-0042);"
            "SetDeviceName(Test Cam); SetDevicePIDVID(0x1d6b / 0x0102); EnableSensor(true);"
            "SetSensorList([Wide Angle|Ultra-Wide Angle]); SetCurrentSensor(0);"
            "EnableFlip(true); SetFlip(false); EnableMirror(true); SetMirror(false);"
            "EnableFaceTracking(true); CheckFaceTracking(false); EnableSoundTracking(true);"
            "CheckSoundTracking(false); EnableHandGesture([1|1|1],3); CheckHandGesture(0);"
            "EnableCanvas([1|1|1],3); CheckCanvas(0); EnableSub1Ai([1|1|1|1],4); CheckSub1Ai(0);"
            "EnableMosaic([1],1); CheckMosaic(0); EnablePip(true); CheckPip(false);"
            "EnableHideMode(true); CheckHideMode(false); EnableDoaTest(true); CheckDoaTest(false);"
            "EnableAudioMode(true,true); AcousticBaffle([全向拾音|左前方60度]); SetAudioMode(0,0,0);"
            "EnableNonStitching(true); CheckNonStitching(false); EnableFrequency(true);"
            "PuCtPropertyList([%1]); SetFrequency(0); EnableStillCapture(true);"
            "StillMediaTypeListReady([MJPG],0)")
            .arg(cameraPropertyList().join('|')));
    QCOMPARE(reports, expected);
    QCOMPARE(m_presenter->CameraCount(), 1);
    QVERIFY(m_presenter->HasCameras());
}

void TestCameraPresenter::cameraWithoutFeaturesGetsTheNotSupportedReports() {
    QVERIFY(start(kPlainProfile));
    QStringList reports = m_view->take();
    QVERIFY(reports.last().startsWith(QStringLiteral("SetAudioList(")));
    reports.removeLast();
    const QStringList expected = reportList(
        QStringLiteral("SetCameraList([Plain Cam]); SetStreamCount(1); MediaTypeListReady(0,[MJPG],0);"
                       "EnableDeviceInfo(false); SetDeviceName(Plain Cam); SetDevicePIDVID(0x1234 / 0x5678);"
                       "EnableSensor(false); EnableFlip(false); SetFlip(false); EnableMirror(false);"
                       "SetMirror(false); EnableFaceTracking(false); CheckFaceTracking(false);"
                       "EnableSoundTracking(false); CheckSoundTracking(false); EnableHandGesture([],0);"
                       "CheckHandGesture(0); EnableCanvas([],0); CheckCanvas(0); EnableSub1Ai([],0);"
                       "CheckSub1Ai(0); EnableMosaic([],0); CheckMosaic(0); EnablePip(false);"
                       "EnableHideMode(false); EnableDoaTest(false); EnableAudioMode(false,false);"
                       "AcousticBaffle([全向拾音]); SetAudioMode(0,0,0); EnableNonStitching(false);"
                       "CheckNonStitching(false); EnableFrequency(false); SetAutoFocusMode(0);"
                       "PuCtPropertyList([%1]); SetFrequency(-1); EnableStillCapture(false)")
            .arg(cameraPropertyList().join('|')));
    QCOMPARE(reports, expected);

    // Features the camera lacks are refused, and the model answers "closed" values once closed.
    CCameraModel* model = m_presenter->Model();
    QVERIFY(!model->IsSupportBps(0));
    QVERIFY(!model->IsSupportStillCapture());
    QVERIFY(model->Close());
    QCOMPARE(model->GetStreamCount(), 0);
    QCOMPARE(model->GetMaxStreamIndex(), -1);
    QVERIFY(model->GetMediaTypeList(0).isEmpty());
    QVERIFY(model->GetAcousticBaffleList().isEmpty());
    QVERIFY(!model->Set(CameraFeature::Flip, 1));
}

void TestCameraPresenter::noCameraOpensNothing() {
    QVERIFY(start());
    const QStringList reports = m_view->take();
    QCOMPARE(reports.size(), 2);
    QCOMPARE(reports.at(0), QStringLiteral("SetCameraList([])"));
    QVERIFY(reports.at(1).startsWith(QStringLiteral("SetAudioList(")));
    QVERIFY(!m_presenter->HasCameras());
    QVERIFY(!m_presenter->StartPreview());
    QCOMPARE(m_view->matching(QStringLiteral("Show")),
             QStringList{QStringLiteral("ShowRefusal(PreviewFailed,,0)")});
}

void TestCameraPresenter::singleStreamCascadeUsesFirstEntries() {
    m_view->chooseStreamMode = false;
    QVERIFY(start(kThreeStreamProfile));
    m_view->clear();
    m_presenter->SetStreamMode(0);
    m_presenter->SetMediaType(0, 1);
    m_presenter->SetResolution(0, 1);
    QCOMPARE(m_view->take(), reportList(QStringLiteral("MediaTypeListReady(0,[MJPG|H264],0);"
                                                       "ResolutionListReady(0,[1280 x 720|1920 x 1080],0);"
                                                       "FPSListReady(0,[30|25|15],0)")));
}

void TestCameraPresenter::multiStreamCascadePrefersTheUsualFormats() {
    QVERIFY(start(kThreeStreamProfile));  // three streams: the view asks for stream mode 2
    QCOMPARE(
        m_view->matching(QStringLiteral("MediaTypeListReady")),
        reportList(QStringLiteral("MediaTypeListReady(0,[MJPG|H264],1); MediaTypeListReady(1,[MJPG|H264],1);"
                                  "MediaTypeListReady(2,[H264],0)")));
    m_view->clear();
    for (int s = 0; s < 3; ++s) {
        m_presenter->SetMediaType(s, s == 2 ? 0 : 1);
        m_presenter->SetResolution(s, 0);
    }
    const QStringList expected = reportList(
        QStringLiteral("ResolutionListReady(0,[1280 x 720|1920 x 1080],1); FPSListReady(0,[30|25|15],1); "
                       "ResolutionListReady(1,[1280 x 720|640 x 360],1); FPSListReady(1,[30|15],1); "
                       "ResolutionListReady(2,[320 x 180|640 x 360],0); FPSListReady(2,[30|10],1)"));
    QCOMPARE(m_view->take(), expected);
}

void TestCameraPresenter::audioModeIsReportedAsTheCameraAnswers() {
    LibraryCallLog::setAudioModeAnswer(1, 0, 2);
    QVERIFY(start(kFullProfile));
    // Both switches as the camera has them, not the first one twice.
    QCOMPARE(m_view->matching(QStringLiteral("SetAudioMode")),
             QStringList{QStringLiteral("SetAudioMode(1,0,2)")});
}

void TestCameraPresenter::refusalsAreReportedAndKeepTheSelection() {
    QVERIFY(start(kFullProfile));
    CCameraModel* model = m_presenter->Model();
    m_presenter->SetMediaType(0, 1);  // H264: 1920 x 1080, 640 x 360
    m_presenter->SetResolution(0, 1);
    m_presenter->SetFps(0, 1);  // 25
    m_view->clear();

    m_presenter->SetStreamMode(1);  // one stream only
    m_presenter->SetMediaType(0, 2);
    m_presenter->SetMediaType(0, -1);
    m_presenter->SetResolution(0, 2);
    m_presenter->SetFps(0, 2);  // the count
    m_presenter->SetMediaType(1, 0);
    const QStringList expected =
        reportList(QStringLiteral("ShowRefusal(StreamModeRefused,,0); ShowRefusal(MediaTypeRefused,,0); "
                                  "ShowRefusal(MediaTypeRefused,,0); ShowRefusal(ResolutionRefused,,0); "
                                  "ShowRefusal(FrameRateRefused,,0); ShowRefusal(MediaTypeRefused,,0)"));
    QCOMPARE(m_view->take(), expected);
    QCOMPARE(model->GetMaxStreamIndex(), 0);

    // The preview starts with the selection made before the refusals.
    LibraryCallLog::clear();
    QVERIFY(m_presenter->StartPreview());
    QCOMPARE(LibraryCallLog::callsStartingWith(QStringLiteral("qelcamera_set_preview_params")).value(0),
             QStringLiteral("qelcamera_set_preview_params(0,0,1,3,640,360,25)"));
    m_presenter->StopPreview();
}

void TestCameraPresenter::stillPinCascade() {
    QVERIFY(start(kFullProfile));
    m_view->clear();
    m_presenter->SetStillMediaType(0);
    m_presenter->SetStillResolution(1);
    m_presenter->SetStillFps(0);
    m_presenter->SetStillMediaType(1);
    m_presenter->SetStillResolution(2);
    m_presenter->SetStillFps(1);
    const QStringList expected =
        reportList(QStringLiteral("StillResolutionListReady([1280 x 720|640 x 360],0); "
                                  "StillFPSListReady([30],0); ShowRefusal(MediaTypeRefused,,0); "
                                  "ShowRefusal(ResolutionRefused,,0); ShowRefusal(FrameRateRefused,,0)"));
    QCOMPARE(m_view->take(), expected);
}

void TestCameraPresenter::aiFeaturesExcludeEachOther() {
    QVERIFY(start(kFullProfile));
    CCameraModel* model = m_presenter->Model();
    QVERIFY(m_presenter->EnableFaceTracking(true));
    QCOMPARE(featureValue(model, CameraFeature::FaceTracking), 1);

    LibraryCallLog::clear();
    QVERIFY(m_presenter->SetHandGesture(2));
    const QStringList expected = reportList(QStringLiteral(
        "qelcamera_set_face_tracking(0,0); qelcamera_set_sound_tracking(0,0); qelcamera_set_canvas(0,0); "
        "qelcamera_set_sub1_ai(0,0); qelcamera_set_mosaic(0,0); qelcamera_set_hand_gesture(0,2)"));
    QCOMPARE(LibraryCallLog::calls(), expected);
    QCOMPARE(featureValue(model, CameraFeature::FaceTracking), 0);
    int gesture = 0;
    QVERIFY(model->Get(CameraFeature::HandGesture, gesture));
    QCOMPARE(gesture, 2);

    // Switching face tracking on again turns the gesture off first.
    LibraryCallLog::clear();
    QVERIFY(m_presenter->EnableFaceTracking(true));
    QCOMPARE(LibraryCallLog::calls().first(), QStringLiteral("qelcamera_set_sound_tracking(0,0)"));
    QCOMPARE(LibraryCallLog::calls().last(), QStringLiteral("qelcamera_set_face_tracking(0,1)"));
    QVERIFY(model->Get(CameraFeature::HandGesture, gesture));
    QCOMPARE(gesture, 0);
}

void TestCameraPresenter::slidersAndPropertyReset() {
    QVERIFY(start(kFullProfile));
    CCameraModel* model = m_presenter->Model();
    m_view->clear();

    m_presenter->InitSlider(2);  // hue: not offered by this camera
    QVERIFY(m_view->reports().isEmpty());

    QVERIFY(m_presenter->SetPuCtValue(0, 10));
    m_presenter->InitSlider(0);
    QCOMPARE(m_view->take(), QStringList{QStringLiteral("InitSlider(true,-64,64,1,10,false,false)")});

    m_presenter->ResetPuCt(0);
    QCOMPARE(m_view->take(), QStringList{QStringLiteral("SetSliderPos(0)")});
    int value = -1;
    bool autoMode = true;
    QVERIFY(model->PuCtGet(0, value, autoMode));
    QCOMPARE(value, 0);
    QVERIFY(!autoMode);

    // White balance offers auto: switching it on keeps the value; a reset keeps auto.
    QVERIFY(model->PuCtSet(7, 5000, false));
    QVERIFY(m_presenter->SetPuCtAuto(7, true));
    QVERIFY(model->PuCtGet(7, value, autoMode));
    QCOMPARE(value, 5000);
    QVERIFY(autoMode);
    m_presenter->ResetPuCt(7);
    QVERIFY(model->PuCtGet(7, value, autoMode));
    QCOMPARE(value, 4600);
    QVERIFY(autoMode);
    m_presenter->ResetPuCt(2);  // unsupported: nothing
    QCOMPARE(m_view->take(), QStringList{QStringLiteral("SetSliderPos(4600)")});
}

void TestCameraPresenter::factoryTestFrequencyAndBitrateReachTheCamera() {
    QVERIFY(start(kFullProfile));
    CCameraModel* model = m_presenter->Model();
    LibraryCallLog::clear();
    m_presenter->SetFactoryTest(1);
    QCOMPARE(LibraryCallLog::calls(), QStringList{QStringLiteral("qelcamera_set_factory_test(0,[1],1)")});
    int value = 0;
    QVERIFY(model->GetFactoryTest(value));
    QCOMPARE(value, 1);

    LibraryCallLog::clear();
    QVERIFY(m_presenter->SetFrequency(1));
    QCOMPARE(LibraryCallLog::calls(), QStringList{QStringLiteral("qelcamera_set_frequency(0,2)")});
    QVERIFY(qelcamera_get_frequency(0, &value));
    QCOMPARE(value, 2);
    QCOMPARE(model->GetFrequency(), 1);

    // Bitrate and GOP not chosen yet (0) are not sent: the camera keeps its own.
    m_presenter->SetMediaType(0, 1);  // H264
    m_presenter->SetResolution(0, 1);
    m_presenter->SetFps(0, 0);
    LibraryCallLog::clear();
    QVERIFY(m_presenter->StartPreview());
    QVERIFY(LibraryCallLog::callsStartingWith(QStringLiteral("qelcamera_set_bps")).isEmpty());
    QVERIFY(LibraryCallLog::callsStartingWith(QStringLiteral("qelcamera_set_gop")).isEmpty());
    m_presenter->StopPreview();

    // Bitrate and GOP are stored while stopped and sent at preview start, then at once.
    QVERIFY(m_presenter->SetBps(0, 1000));
    QVERIFY(m_presenter->SetGop(0, 30));
    LibraryCallLog::clear();
    QVERIFY(m_presenter->StartPreview());
    QVERIFY(LibraryCallLog::calls().contains(QStringLiteral("qelcamera_set_bps(0,0,8192000)")));
    QVERIFY(LibraryCallLog::calls().contains(QStringLiteral("qelcamera_set_gop(0,0,30)")));
    QVERIFY(model->IsSupportBps(0) && model->IsSupportGop(0) && model->IsSupportFps(0));
    QCOMPARE(m_view->last(QStringLiteral("EnableFps")), QStringLiteral("EnableFps(0,true)"));

    LibraryCallLog::clear();
    QVERIFY(m_presenter->SetBps(0, 4000));
    QVERIFY(m_presenter->SetGop(0, 50));
    m_presenter->SetFps(0, 1);
    const QStringList expected = {QStringLiteral("qelcamera_set_bps(0,0,32768000)"),
                                  QStringLiteral("qelcamera_set_gop(0,0,50)"),
                                  QStringLiteral("qelcamera_set_fps(0,0,25)")};
    QCOMPARE(LibraryCallLog::calls(), expected);
    m_presenter->StopPreview();

    // An MJPEG stream has no bitrate: the value is only stored.
    m_presenter->SetMediaType(0, 0);
    QVERIFY(!model->IsSupportBps(0));
}

void TestCameraPresenter::selectionOfAnotherCameraFallsBackToFirstEntries() {
    QVERIFY(qelvirtual_add_camera(kFullProfile) > 0);
    QVERIFY(start(kPlainProfile));
    m_presenter->SetMediaType(0, 1);
    m_presenter->SetResolution(0, 1);
    m_presenter->SetFps(0, 1);
    m_presenter->OpenCamera(1);  // offers one format only
    LibraryCallLog::clear();
    QVERIFY(m_presenter->StartPreview());
    QCOMPARE(LibraryCallLog::callsStartingWith(QStringLiteral("qelcamera_set_preview_params")).value(0),
             QStringLiteral("qelcamera_set_preview_params(1,0,1,1,640,360,30)"));
}

void TestCameraPresenter::hotPlugFindsTheOpenCameraByName() {
    const int a = qelvirtual_add_camera(R"({"name": "Cam A"})");
    const int b = qelvirtual_add_camera(R"({"name": "Cam B"})");
    QVERIFY(a > 0 && b > 0);
    m_view->openIndex = 1;
    QVERIFY(start());
    CCameraModel* model = m_presenter->Model();
    QCOMPARE(model->GetCameraName(), QStringLiteral("Cam B"));
    m_view->clear();

    // The camera before the open one goes: the open one moves up and is not lost.
    QVERIFY(qelvirtual_remove_camera(a));
    QVERIFY(m_view->waitFor(QStringLiteral("UpdateCameraList")));
    QCOMPARE(m_view->take(), QStringList{QStringLiteral("UpdateCameraList([Cam B],false)")});
    QCOMPARE(model->GetCameraName(), QStringLiteral("Cam B"));

    // The open camera goes: lost.
    QVERIFY(qelvirtual_remove_camera(b));
    QVERIFY(m_view->waitFor(QStringLiteral("UpdateCameraList")));
    QCOMPARE(m_view->take(), QStringList{QStringLiteral("UpdateCameraList([],true)")});

    // It comes back (the name compared without regard to case): found again.
    QVERIFY(qelvirtual_add_camera(R"({"name": "CAM b"})") > 0);
    QVERIFY(m_view->waitFor(QStringLiteral("UpdateCameraList")));
    QCOMPARE(m_view->take(), QStringList{QStringLiteral("UpdateCameraList([CAM b],false)")});
    QCOMPARE(model->GetCameraName(), QStringLiteral("CAM b"));
}

void TestCameraPresenter::hotPlugWithTwoCamerasOfOneName() {
    QVERIFY(qelvirtual_add_camera(R"({"name": "Twin", "firmware": "first"})") > 0);
    QVERIFY(qelvirtual_add_camera(R"({"name": "Twin", "firmware": "second"})") > 0);
    m_view->openIndex = 1;
    QVERIFY(start());
    CCameraModel* model = m_presenter->Model();
    QCOMPARE(model->GetFwVersion(), QStringLiteral("second"));
    m_view->clear();
    QVERIFY(qelvirtual_add_camera(R"({"name": "Other"})") > 0);
    QVERIFY(m_view->waitFor(QStringLiteral("UpdateCameraList")));
    QCOMPARE(m_view->take(), QStringList{QStringLiteral("UpdateCameraList([Twin|Twin|Other],false)")});
    // The first camera of the name is taken as the open one.
    QCOMPARE(model->GetFwVersion(), QStringLiteral("first"));
}

QTEST_GUILESS_MAIN(TestCameraPresenter)
#include "tst_camerapresenter.moc"
