// Photos, recordings, several streams and the microphone test against the virtual devices.
#include <dlfcn.h>
#include <libexif/exif-data.h>

#include <QDesktopServices>
#include <QDir>
#include <QImageReader>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include "CCameraModel.h"
#include "CCameraPresenter.h"
#include "JpegPhoto.h"
#include "JpegProbe.h"
#include "LibraryCallLog.h"
#include "MediaProbe.h"
#include "PresenterRig.h"
#include "RecordingView.h"
#include "qelaudioinput.h"
#include "qelconvert.h"
#include "qelmuxer.h"
#include "qelvirtual.h"

namespace {

bool waitForFile(const QString& path, int timeoutMs = 5000) {
    return QTest::qWaitFor([&] { return QFileInfo(path).size() > 0; }, timeoutMs);
}

// Video frames the model handed to a muxer (counted by the wrapper below).
QAtomicInt g_videoHandedToMuxer;

}  // namespace

// Counts the model's video frames and forwards them to the muxer library.
extern "C" int qelmuxer_muxer_at(const char* key, const unsigned char* data, int size, int kind,
                                 long long timestampUs) {
    if (kind == QEL_MUXER_VIDEO) {
        g_videoHandedToMuxer.fetchAndAddOrdered(1);
    }
    static const auto real =
        reinterpret_cast<decltype(&qelmuxer_muxer_at)>(dlsym(RTLD_NEXT, "qelmuxer_muxer_at"));
    if (!real) {
        qFatal("qelmuxer_muxer_at not found in the muxer library");
    }
    return real(key, data, size, kind, timestampUs);
}

// Takes the files the program hands to the desktop.
class UrlCatcher : public QObject {
    Q_OBJECT

public:
    QList<QUrl> urls() {
        QMutexLocker lock(&m_mutex);
        return m_urls;
    }
    void clear() {
        QMutexLocker lock(&m_mutex);
        m_urls.clear();
    }

public slots:
    void open(const QUrl& url) {
        QMutexLocker lock(&m_mutex);
        m_urls.append(url);
    }

private:
    QMutex m_mutex;
    QList<QUrl> m_urls;
};

class TestCameraCapture : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void mjpegSnapshotIsTheCamerasOwnBytes();
    void yuy2SnapshotIsAJpegOfTheStreamSize();
    void stillPinSavesJpegFilesWithoutOverwriting();
    void nonJpegStillReportsFailureAndWritesNothing();
    void recordingOfAnEncodedStreamStartsAtOnce();
    void recordingsOfAJpegStreamWithSound();
    void failedRecordingStartLeavesTheMicrophoneFree_data();
    void failedRecordingStartLeavesTheMicrophoneFree();
    void pulledCableKeepsTheRecording();
    void secondStartReplacesThePipeline();
    void threeStreamsGetThreeDecodersAndRenderers();
    void microphoneTestWritesPcmAndPlayableWav();

private:
    // Starts the camera (see PresenterRig) and notes the still photos already there.
    bool startCamera(const QString& json, bool preview = true);
    QStringList stillPhotos() const;
    // Index of the virtual microphone in the list the view was given.
    int virtualMicrophone() const;

    QTemporaryDir m_dir;
    UrlCatcher m_catcher;
    PresenterRig m_rig;
    RecordingView** const m_views = m_rig.views;
    CCameraPresenter*& m_presenter = m_rig.presenter;
    int m_camera = 0;
    QStringList m_stillBefore;
};

void TestCameraCapture::initTestCase() {
    QVERIFY(m_dir.isValid());
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_catcher, "open");
}

void TestCameraCapture::init() {
    m_catcher.clear();
    m_rig.create(3);
    m_stillBefore = stillPhotos();
}

void TestCameraCapture::cleanup() {
    m_rig.destroy();
}

QStringList TestCameraCapture::stillPhotos() const {
    if (!m_presenter) {
        return {};
    }
    return QDir(m_presenter->Model()->GetOutputDir()).entryList({QStringLiteral("*.jpg")}, QDir::Files);
}

int TestCameraCapture::virtualMicrophone() const {
    const QString report = m_views[0]->last(QStringLiteral("SetAudioList("));
    const int open = report.indexOf(QLatin1Char('['));
    const int close = report.lastIndexOf(QLatin1Char(']'));
    const QStringList names = report.mid(open + 1, close - open - 1).split(QLatin1Char('|'));
    return names.indexOf(QStringLiteral("Corvix Virtual Microphone"));
}

bool TestCameraCapture::startCamera(const QString& json, bool preview) {
    m_camera = m_rig.startCamera(json, preview);
    m_stillBefore = stillPhotos();
    return m_camera > 0;
}

void TestCameraCapture::mjpegSnapshotIsTheCamerasOwnBytes() {
    QVERIFY(startCamera(cameraProfile(QStringLiteral("Jpeg Cam"), 1, 640, 360)));
    // Several requests in a row: each path gets its own frame (a UTF-8 path included).
    QStringList paths;
    for (const QString& name :
         {QStringLiteral("one.jpg"), QStringLiteral("照片.jpg"), QStringLiteral("three.jpg")}) {
        const QString path = m_dir.filePath(name);
        m_presenter->CapturePreviewFrame(path.toUtf8());
        QVERIFY2(waitForFile(path), qPrintable(path));
        paths.append(path);
    }
    QVERIFY(m_views[0]->waitFor(QStringLiteral("PhotoFinished(%1,0)").arg(paths.last())));
    for (const QString& path : paths) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("\xFF\xD8"));
        // Without the EXIF block (and the Huffman tables a frame without them gets) it is a frame
        // the camera delivered, byte for byte.
        QList<int> added;
        const QList<JpegSegment> segments = jpegSegments(bytes);
        for (int i = 0; i < segments.size(); ++i) {
            const QByteArray head = bytes.mid(segments.at(i).offset, segments.at(i).size);
            if ((segments.at(i).marker == 0xE1 && head.mid(4, 6) == QByteArray("Exif\0\0", 6)) ||
                head == JpegPhoto::standardHuffmanSegment()) {
                added.append(i);
            }
        }
        QVERIFY(!added.isEmpty());
        QVERIFY2(LibraryCallLog::sawJpegFrame(withoutSegments(bytes, {added.first()})) ||
                     LibraryCallLog::sawJpegFrame(withoutSegments(bytes, added)),
                 "the photo is not a frame the camera delivered");
        QCOMPARE(QImageReader(path).size(), QSize(640, 360));
        QCOMPARE(exifValue(bytes, EXIF_IFD_0, EXIF_TAG_MODEL), QStringLiteral("Jpeg Cam"));
    }
}

void TestCameraCapture::yuy2SnapshotIsAJpegOfTheStreamSize() {
    QVERIFY(startCamera(cameraProfile(QStringLiteral("Yuy2 Cam"), 2, 640, 360)));
    const QString path = m_dir.filePath(QStringLiteral("yuy2.jpg"));
    m_presenter->CapturePreviewFrame(path.toUtf8());
    QVERIFY(m_views[0]->waitFor(QStringLiteral("PhotoFinished(%1,0)").arg(path)));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    // Encoded from the camera's own 4:2:2 data, not from the 4:2:0 preview frame.
    const ProbedJpeg photo = probeJpeg(file.readAll());
    QVERIFY(photo.ok);
    QCOMPARE(QSize(photo.width, photo.height), QSize(640, 360));
    QCOMPARE(photo.quality, 95);
    QCOMPARE(QSize(photo.lumaH, photo.lumaV), QSize(2, 1));
}

void TestCameraCapture::stillPinSavesJpegFilesWithoutOverwriting() {
    QVERIFY(startCamera(cameraProfile(
        QStringLiteral("Still Cam"), 1, 640, 360,
        QStringLiteral(R"(, "still": [ { "type": 1, "sizes": [[1280,720]], "fps": [30] } ])"))));
    QVERIFY(m_presenter->CaptureStillImage());
    QVERIFY(QTest::qWaitFor([&] { return m_catcher.urls().size() == 1; }, 5000));
    QVERIFY(m_presenter->CaptureStillImage());
    QVERIFY(QTest::qWaitFor([&] { return m_catcher.urls().size() == 2; }, 5000));

    const QList<QUrl> urls = m_catcher.urls();
    QVERIFY(urls.at(0) != urls.at(1));
    const QRegularExpression name(QStringLiteral("^\\d{8}_\\d{6}(_\\d+)?\\.jpg$"));
    const QString outputDir = QDir(m_presenter->Model()->GetOutputDir()).canonicalPath();
    for (const QUrl& url : urls) {
        const QFileInfo info(url.toLocalFile());
        QVERIFY2(name.match(info.fileName()).hasMatch(), qPrintable(info.fileName()));
        QCOMPARE(info.canonicalPath(), outputDir);
        QCOMPARE(QImageReader(info.filePath()).size(), QSize(1280, 720));
        // The camera's still gets the same EXIF block as a preview photo.
        QFile file(info.filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(exifValue(bytes, EXIF_IFD_0, EXIF_TAG_MODEL), QStringLiteral("Still Cam"));
        QVERIFY(!exifValue(bytes, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL).isEmpty());
        QFile::remove(info.filePath());
    }
    QVERIFY(m_views[0]->matching(QStringLiteral("Show")).isEmpty());
}

void TestCameraCapture::nonJpegStillReportsFailureAndWritesNothing() {
    QVERIFY(startCamera(
        cameraProfile(QStringLiteral("Yuy2 Still"), 1, 640, 360,
                      QStringLiteral(R"(, "still": [ { "type": 1, "sizes": [[640,360]], "fps": [30] } ])"))));
    QVERIFY(qelvirtual_inject_fault(m_camera, QELV_FAULT_STILL_NOT_JPEG, 0));
    QVERIFY(m_presenter->CaptureStillImage());
    QVERIFY(m_views[0]->waitFor(QStringLiteral("ShowRefusal")));
    QCOMPARE(m_views[0]->matching(QStringLiteral("Show")),
             QStringList{QStringLiteral("ShowRefusal(StillNotJpeg,,0)")});
    QVERIFY(m_catcher.urls().isEmpty());
    QCOMPARE(stillPhotos(), m_stillBefore);
}

void TestCameraCapture::recordingOfAnEncodedStreamStartsAtOnce() {
    QVERIFY(startCamera(cameraProfile(QStringLiteral("H264 Cam"), 3, 640, 360), false));
    QVERIFY(m_presenter->SetGop(0, 60));  // a keyframe every two seconds
    QVERIFY(m_presenter->StartPreview());
    QTest::qWait(700);  // well inside the first GOP
    const QString path = m_dir.filePath(QStringLiteral("at once.mp4"));
    m_presenter->SetRecordKeepAudio(false);
    g_videoHandedToMuxer = 0;
    QVERIFY(m_presenter->StartRecord(path));
    QVERIFY(m_presenter->Model()->IsRecording());
    QTest::qWait(1500);
    // Stopping the preview finishes the recording too.
    m_presenter->StopPreview();
    QVERIFY(!m_presenter->Model()->IsRecording());
    const int handed = g_videoHandedToMuxer.loadAcquire();

    const ProbedMedia media = probeMedia(path);
    QCOMPARE(media.kinds(), QStringList({"video"}));
    const ProbedStream* video = media.first(QStringLiteral("video"));
    QCOMPARE(video->codec, QStringLiteral("h264"));
    QCOMPARE(QSize(video->width, video->height), QSize(640, 360));
    // The file starts at the keyframe asked for: at most the frames of about 100 ms before it
    // are missing.
    QVERIFY2(handed >= 20 && video->packets >= handed - 3,
             qPrintable(QStringLiteral("%1 of %2").arg(video->packets).arg(handed)));
}

void TestCameraCapture::recordingsOfAJpegStreamWithSound() {
    QVERIFY(startCamera(cameraProfile(QStringLiteral("Jpeg Sound Cam"), 1, 640, 360)));
    QVERIFY(m_presenter->SetCurAudioInput(virtualMicrophone()));
    m_presenter->SetRecordKeepAudio(true);
    const QString path = m_dir.filePath(QStringLiteral("with sound.mp4"));
    QVERIFY(m_presenter->StartRecord(path));
    // A second start while recording is refused; the running recording goes on.
    QVERIFY(!m_presenter->StartRecord(m_dir.filePath(QStringLiteral("second.mp4"))));
    QTest::qWait(1200);
    m_presenter->StopRecord();
    QCOMPARE(m_views[0]->last(QStringLiteral("SetProgressVolume")), QStringLiteral("SetProgressVolume(0)"));
    QVERIFY(m_views[0]->matching(QStringLiteral("SetProgressVolume")).size() > 1);

    const ProbedMedia media = probeMedia(path);
    QCOMPARE(media.kinds(), QStringList({"audio", "video"}));
    QCOMPARE(media.first(QStringLiteral("video"))->width, 640);
    QVERIFY(media.first(QStringLiteral("video"))->packets >= 10);
    const ProbedStream* audio = media.first(QStringLiteral("audio"));
    QCOMPARE(audio->channels, 2);
    QCOMPARE(audio->sampleRate, 48000);
    QVERIFY(audio->packets >= 10);

    // Short recordings one after the other, stopped while packets flow: every file is finished.
    for (int i = 0; i < 3; ++i) {
        const QString cycle = m_dir.filePath(QStringLiteral("cycle%1.mp4").arg(i));
        QVERIFY(m_presenter->StartRecord(cycle));
        QTest::qWait(400);
        m_presenter->StopRecord();
        QCOMPARE(probeMedia(cycle).kinds(), QStringList({"audio", "video"}));
    }
}

void TestCameraCapture::failedRecordingStartLeavesTheMicrophoneFree_data() {
    QTest::addColumn<bool>("microphoneChosen");
    QTest::addColumn<QString>("file");
    // Sound asked for, but no microphone chosen since the camera opened.
    QTest::newRow("no microphone") << false << "nomic.mp4";
    // The muxer refuses the path after the microphone was started.
    QTest::newRow("refused muxer") << true << "missing/folder/x.mp4";
}

void TestCameraCapture::failedRecordingStartLeavesTheMicrophoneFree() {
    QFETCH(bool, microphoneChosen);
    QFETCH(QString, file);
    QVERIFY(startCamera(cameraProfile(QStringLiteral("Refused Cam"), 3, 640, 360)));
    if (microphoneChosen) {
        QVERIFY(m_presenter->SetCurAudioInput(virtualMicrophone()));
    }
    m_presenter->SetRecordKeepAudio(true);
    const QString path = m_dir.filePath(file);
    QVERIFY(!m_presenter->StartRecord(path));
    QVERIFY(!m_presenter->Model()->IsRecording());
    QVERIFY(!QFileInfo::exists(path));
    // Had the microphone been left running, its test could not start.
    QVERIFY(m_presenter->SetCurAudioInput(virtualMicrophone()));
    QVERIFY(m_presenter->StartAudioTest());
    m_presenter->StopAudioTest();
}

void TestCameraCapture::pulledCableKeepsTheRecording() {
    QVERIFY(startCamera(cameraProfile(QStringLiteral("Pulled Cam"), 1, 640, 360)));
    QVERIFY(m_presenter->SetCurAudioInput(virtualMicrophone()));
    m_presenter->SetRecordKeepAudio(true);
    const QString path = m_dir.filePath(QStringLiteral("pulled.mp4"));
    QVERIFY(m_presenter->StartRecord(path));
    QTest::qWait(500);
    QVERIFY(qelvirtual_inject_fault(m_camera, QELV_FAULT_VANISH, 0));
    QVERIFY(m_views[0]->waitFor(QStringLiteral("UpdateCameraList")));
    QCOMPARE(m_views[0]->last(QStringLiteral("UpdateCameraList")),
             QStringLiteral("UpdateCameraList([],true)"));
    // What the main window does: stop, then start again with what is there.
    m_presenter->StopPreview();
    QVERIFY(!m_presenter->Model()->IsRecording());
    const ProbedMedia media = probeMedia(path);
    QVERIFY2(media.ok, qPrintable(media.error));
    QCOMPARE(media.count(QStringLiteral("video")), 1);
    QVERIFY(media.first(QStringLiteral("video"))->packets > 5);

    QVERIFY(qelvirtual_add_camera(
                cameraProfile(QStringLiteral("Next Cam"), 1, 320, 180).toUtf8().constData()) > 0);
    QVERIFY(m_views[0]->waitFor(QStringLiteral("UpdateCameraList([Next Cam]")));
    m_presenter->OpenCamera(0);
    QCOMPARE(m_presenter->Model()->GetCameraName(), QStringLiteral("Next Cam"));
    QVERIFY(m_presenter->StartPreview());
    QVERIFY(m_views[0]->waitFor(QStringLiteral("SetVideoInfo(0,0.MJPG.320x180")));
}

void TestCameraCapture::secondStartReplacesThePipeline() {
    QVERIFY(startCamera(cameraProfile(QStringLiteral("Twice Cam"), 1, 640, 360)));
    CCameraModel* model = m_presenter->Model();
    const QByteArray decoder = model->GetDecoderKey(0);
    const QByteArray renderer = model->GetRenderKey(0);
    QVERIFY(!decoder.isEmpty());
    QVERIFY(!renderer.isEmpty());
    QVERIFY(m_presenter->StartPreview());
    QVERIFY(model->IsPreview());
    QVERIFY(!model->GetDecoderKey(0).isEmpty());
    if (model->GetDecoderKey(0) != decoder) {
        // The first decoder was released before the second was made.
        QCOMPARE(qelconvert_release_video_decoder(decoder.constData()), 0);
    }
    m_views[0]->clear();
    QVERIFY(m_views[0]->waitFor(QStringLiteral("SetVideoInfo(0,")));

    // The model itself guards too.
    QList<PreviewWindowRecord*> none;
    QVERIFY(model->StartPreview(none));
    QVERIFY(model->GetRenderKey(0).isEmpty());
    model->StopPreview();
    QVERIFY(model->GetDecoderKey(0).isEmpty());
}

void TestCameraCapture::threeStreamsGetThreeDecodersAndRenderers() {
    const QString json = QStringLiteral(R"({"name": "Three", "streams": [
        { "formats": [ { "type": 1, "sizes": [[640,360]], "fps": [30] } ] },
        { "formats": [ { "type": 2, "sizes": [[320,180]], "fps": [15] } ] },
        { "formats": [ { "type": 3, "sizes": [[320,180]], "fps": [10] } ] } ]})");
    QVERIFY(startCamera(json, false));
    CCameraModel* model = m_presenter->Model();
    QCOMPARE(model->GetMaxStreamIndex(), 2);  // the view chose the three-stream mode
    QVERIFY(m_presenter->StartPreview());
    QSet<QByteArray> decoders;
    QSet<QByteArray> renderers;
    for (int s = 0; s < 3; ++s) {
        decoders.insert(model->GetDecoderKey(s));
        renderers.insert(model->GetRenderKey(s));
        QVERIFY(m_views[0]->waitFor(QStringLiteral("SetVideoInfo(%1,").arg(s)));
    }
    QCOMPARE(decoders.size(), 3);
    QCOMPARE(renderers.size(), 3);
    QVERIFY(!decoders.contains(QByteArray()));
    QVERIFY(!renderers.contains(QByteArray()));
    for (int s = 0; s < 3; ++s) {
        QCOMPARE(m_views[s]->matching(QStringLiteral("GetPreviewObject")).size(), 1);
    }
    const QString info = m_views[0]->last(QStringLiteral("SetVideoInfo(1,"));
    QVERIFY2(info.startsWith(QStringLiteral("SetVideoInfo(1,1.YUY2.320x180.")), qPrintable(info));

    // Photos come from the main stream.
    const QString photo = m_dir.filePath(QStringLiteral("main.jpg"));
    m_presenter->CapturePreviewFrame(photo.toUtf8());
    QVERIFY(waitForFile(photo));
    QCOMPARE(QImageReader(photo).size(), QSize(640, 360));

    // Back to one stream: the others are left out of the next run.
    m_presenter->StopPreview();
    QVERIFY(model->GetDecoderKey(2).isEmpty());
    m_presenter->SetStreamMode(0);
    QVERIFY(m_presenter->StartPreview());
    QVERIFY(model->GetDecoderKey(1).isEmpty());
    QVERIFY(!model->GetDecoderKey(0).isEmpty());
}

void TestCameraCapture::microphoneTestWritesPcmAndPlayableWav() {
    QVERIFY(startCamera(cameraProfile(QStringLiteral("Mic Cam"), 1, 640, 360), false));
    const QStringList microphones = m_views[0]->matching(QStringLiteral("SetAudioList("));
    QCOMPARE(microphones.size(), 1);
    QVERIFY2(!microphones.first().startsWith(QStringLiteral("SetAudioList([],")),
             qPrintable(microphones.first()));
    QVERIFY(!m_presenter->SetCurAudioInput(99));
    QVERIFY(m_presenter->SetCurAudioInput(virtualMicrophone()));
    const QDir output(m_presenter->Model()->GetOutputDir());
    QFile::remove(output.filePath(QStringLiteral("sound.wav")));
    QVERIFY(m_presenter->StartAudioTest());
    QTest::qWait(600);
    m_presenter->StopAudioTest();
    QVERIFY(!m_presenter->Model()->IsAudioTestRunning());
    QCOMPARE(m_views[0]->last(QStringLiteral("SetProgressVolume")), QStringLiteral("SetProgressVolume(0)"));

    const QFileInfo pcm(output.filePath(QStringLiteral("sound.pcm")));
    const QFileInfo wav(output.filePath(QStringLiteral("sound.wav")));
    QVERIFY(pcm.size() >= 48000 * 4 / 4);  // at least a quarter second
    QCOMPARE(pcm.size() % 4, 0);
    QCOMPARE(wav.size(), pcm.size() + 44);
    const ProbedMedia media = probeMedia(wav.filePath());
    QVERIFY2(media.ok, qPrintable(media.error));
    QCOMPARE(media.first(QStringLiteral("audio"))->channels, 2);
    QCOMPARE(media.first(QStringLiteral("audio"))->sampleRate, 48000);

    // Stopping a recording that is not running leaves a running microphone test alone.
    QVERIFY(m_presenter->StartAudioTest());
    m_presenter->StopRecord();
    QVERIFY(m_presenter->Model()->IsAudioTestRunning());
    QTest::qWait(300);
    m_presenter->StopAudioTest();
    QVERIFY(QFileInfo(pcm.filePath()).size() > 0);

    // The test sound plays through the (virtual) output device, whole.
    m_presenter->PlayTestSound();
    int playing = 0;
    long played = 0, total = 0;
    QVERIFY(qelaudioinput_get_playback(&playing, &played, &total));
    QCOMPARE(qint64(total), QFileInfo(pcm.filePath()).size() / 4);
    QVERIFY(m_catcher.urls().isEmpty());
    m_presenter->OpenOutputFolder();
    QCOMPARE(m_catcher.urls().value(0), QUrl::fromLocalFile(output.path()));
}

QTEST_MAIN(TestCameraCapture)
#include "tst_cameracapture.moc"
