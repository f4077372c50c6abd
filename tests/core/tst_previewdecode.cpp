// Which preview frames the model decodes; the renderer's answer is replaced below so the test
// decides whether the screen wants a frame.
#include <dlfcn.h>
#include <time.h>

#include <QTemporaryDir>
#include <QtTest>
#include <atomic>

#include "CCameraModel.h"
#include "CCameraPresenter.h"
#include "MediaProbe.h"
#include "PresenterRig.h"
#include "RecordingView.h"
#include "qelconvert.h"
#include "qelconvert_extra.h"
#include "qelds.h"
#include "qelmuxer.h"
#include "qelvirtual.h"

namespace {

std::atomic<bool> g_screenWantsNothing{false};
std::atomic<int> g_decodes{0};
std::atomic<int> g_mainFrames{0};     // preview frames of stream 0 the library delivered
std::atomic<int> g_videoMuxed{0};     // video frames a muxer took
std::atomic<int> g_rendered{0};       // frames handed to a renderer with their capture time
std::atomic<int> g_badTimestamps{0};  // of those, stamps not from the last second of the clock
std::atomic<qelcamera_preview_callback> g_modelCallback{nullptr};
std::atomic<bool> g_screenAtHalfSize{false};  // the renderer says it shows frames at half size
std::atomic<int> g_halfRendered{0};           // half-size frames or pictures handed to a renderer
std::atomic<int> g_planesRendered{0};         // decoded pictures handed to a renderer as they are
std::atomic<int> g_lastPictureWidth{0};       // the width of the last of those

template <typename Fn>
Fn realFunction(Fn, const char* name) {
    Fn fn = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
    if (!fn) {
        qFatal("%s not found in the libraries", name);
    }
    return fn;
}
// The libraries' own definition of the function this wrapper replaces.
#define REAL_FUNCTION(name) static const auto real = realFunction(&name, #name)

long long monotonicUs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000LL + ts.tv_nsec / 1000;
}

bool stampIsRecent(long long captureUs) {
    const long long now = monotonicUs();
    return captureUs <= now && captureUs >= now - 1000000;
}

void countingCallback(int cam, int pin, int stream, int mediaType, int width, int height, long timestampUs,
                      unsigned char* data, int size) {
    if (pin == 0 && stream == 0) {
        g_mainFrames.fetch_add(1);
    }
    if (const qelcamera_preview_callback fn = g_modelCallback.load()) {
        fn(cam, pin, stream, mediaType, width, height, timestampUs, data, size);
    }
}

}  // namespace

// Counts the frames delivered on the main stream on their way to the model.
extern "C" int qelcamera_set_preview_callback(int cam, qelcamera_preview_callback fn) {
    REAL_FUNCTION(qelcamera_set_preview_callback);
    g_modelCallback.store(fn);
    return real(cam, fn ? countingCallback : nullptr);
}

extern "C" int qelrender_wants_frame(const char* key) {
    REAL_FUNCTION(qelrender_wants_frame);
    const int wants = real(key);
    return g_screenWantsNothing.load() ? 0 : wants;
}

extern "C" int qelrender_render_at(const char* key, const unsigned char* data, int size,
                                   long long captureUs) {
    REAL_FUNCTION(qelrender_render_at);
    if (!stampIsRecent(captureUs)) {
        g_badTimestamps.fetch_add(1);
    }
    g_rendered.fetch_add(1);
    return real(key, data, size, captureUs);
}

extern "C" int qelrender_preferred_scale(const char* key) {
    REAL_FUNCTION(qelrender_preferred_scale);
    const int scale = real(key);
    return g_screenAtHalfSize.load() && scale != 0 ? 2 : scale;
}

extern "C" int qelrender_render_half_at(const char* key, const unsigned char* data, int size,
                                        long long captureUs) {
    REAL_FUNCTION(qelrender_render_half_at);
    g_halfRendered.fetch_add(1);
    return real(key, data, size, captureUs);
}

extern "C" int qelrender_render_planes_at(const char* key, const QELPlanarPicture* picture,
                                          long long captureUs) {
    REAL_FUNCTION(qelrender_render_planes_at);
    if (!stampIsRecent(captureUs)) {
        g_badTimestamps.fetch_add(1);
    }
    g_rendered.fetch_add(1);
    g_planesRendered.fetch_add(1);
    g_lastPictureWidth.store(picture->width);
    if (picture->width == 160) {
        g_halfRendered.fetch_add(1);
    }
    return real(key, picture, captureUs);
}

extern "C" int qelconvert_video_decode_planes(const char* key, const unsigned char* data, int size,
                                              QELPlanarPicture* out) {
    REAL_FUNCTION(qelconvert_video_decode_planes);
    g_decodes.fetch_add(1);
    return real(key, data, size, out);
}

extern "C" int qelconvert_video_decode(const char* key, const unsigned char* data, int size,
                                       unsigned char* outBuffer, int* outSize) {
    REAL_FUNCTION(qelconvert_video_decode);
    g_decodes.fetch_add(1);
    return real(key, data, size, outBuffer, outSize);
}

extern "C" int qelmuxer_muxer_at(const char* key, const unsigned char* data, int size, int kind,
                                 long long timestampUs) {
    REAL_FUNCTION(qelmuxer_muxer_at);
    const int v = real(key, data, size, kind, timestampUs);
    if (kind == QEL_MUXER_VIDEO && v == 0) {
        g_videoMuxed.fetch_add(1);
    }
    return v;
}

class TestPreviewDecode : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void framesReachTheScreenWithTheirCaptureTime();
    void decodesOnlyWhatTheScreenWants_data();
    void decodesOnlyWhatTheScreenWants();
    void photoAskedForStillGetsAFrame_data();
    void photoAskedForStillGetsAFrame();
    void recordingStillGetsEveryFrame();
    void halfSizeScreenGetsHalfSizeJpegFrames();

private:
    // Waits until the main stream has delivered `frames` more frames.
    bool waitForFrames(int frames);

    QTemporaryDir m_dir;
    PresenterRig m_rig;
    CCameraPresenter*& m_presenter = m_rig.presenter;
};

void TestPreviewDecode::init() {
    QVERIFY(m_dir.isValid());
    g_screenWantsNothing = false;
    g_screenAtHalfSize = false;
    m_rig.create(1);
}

void TestPreviewDecode::cleanup() {
    m_rig.destroy();
    g_screenWantsNothing = false;
    g_screenAtHalfSize = false;
}

bool TestPreviewDecode::waitForFrames(int frames) {
    const int target = g_mainFrames.load() + frames;
    return QTest::qWaitFor([&] { return g_mainFrames.load() >= target; }, 10000);
}

void TestPreviewDecode::framesReachTheScreenWithTheirCaptureTime() {
    QVERIFY(m_rig.startCamera(cameraProfile(QStringLiteral("Stamp Cam"), 1)));
    const int before = g_rendered.load();
    QVERIFY(waitForFrames(10));
    QVERIFY(g_rendered.load() > before);
    QCOMPARE(g_badTimestamps.load(), 0);
}

void TestPreviewDecode::decodesOnlyWhatTheScreenWants_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("everyFrame");
    QTest::newRow("mjpeg") << 1 << false;
    QTest::newRow("yuy2") << 2 << false;
    // H.264 frames build on the ones before: skipping one would spoil the pictures after it.
    QTest::newRow("h264") << 3 << true;
}

void TestPreviewDecode::decodesOnlyWhatTheScreenWants() {
    QFETCH(int, type);
    QFETCH(bool, everyFrame);
    QVERIFY(m_rig.startCamera(cameraProfile(QStringLiteral("Idle Cam"), type)));
    g_screenWantsNothing = true;
    // A frame already past the check may still finish its decode.
    QVERIFY(waitForFrames(2));
    const int frames = g_mainFrames.load();
    const int decodes = g_decodes.load();
    QVERIFY(waitForFrames(10));
    const int decoded = g_decodes.load() - decodes;
    const int delivered = g_mainFrames.load() - frames;
    if (everyFrame) {
        // Each frame delivered after the first count was decoded (one may still be on its way).
        QVERIFY2(decoded >= delivered - 1,
                 qPrintable(QStringLiteral("%1 of %2").arg(decoded).arg(delivered)));
        return;
    }
    QCOMPARE(decoded, 0);
    // Once the screen wants pictures again, frames are decoded again.
    g_screenWantsNothing = false;
    QVERIFY(QTest::qWaitFor([&] { return g_decodes.load() > decodes; }, 10000));
}

void TestPreviewDecode::photoAskedForStillGetsAFrame_data() {
    QTest::addColumn<int>("type");
    QTest::newRow("mjpeg") << 1;
    QTest::newRow("yuy2") << 2;
}

void TestPreviewDecode::photoAskedForStillGetsAFrame() {
    QFETCH(int, type);
    QVERIFY(m_rig.startCamera(cameraProfile(QStringLiteral("Photo Cam"), type)));
    g_screenWantsNothing = true;
    QVERIFY(waitForFrames(5));
    const QString path = m_dir.filePath(QStringLiteral("idle photo %1.jpg").arg(type));
    m_presenter->CapturePreviewFrame(path.toUtf8());
    QVERIFY(QTest::qWaitFor([&] { return QFileInfo(path).size() > 0; }, 10000));
    QVERIFY(QTest::qWaitFor([&] { return QImage(path).size() == QSize(320, 180); }, 5000));
}

void TestPreviewDecode::recordingStillGetsEveryFrame() {
    QVERIFY(m_rig.startCamera(cameraProfile(QStringLiteral("Record Cam"), 1)));
    g_screenWantsNothing = true;
    QVERIFY(waitForFrames(2));
    const QString path = m_dir.filePath(QStringLiteral("idle.mp4"));
    QVERIFY(m_presenter->StartRecord(path));
    const int framesAtStart = g_mainFrames.load();
    const int muxedAtStart = g_videoMuxed.load();
    QVERIFY(waitForFrames(30));
    const int framesAtStop = g_mainFrames.load();
    m_presenter->StopRecord();
    const int delivered = framesAtStop - framesAtStart;
    const int muxed = g_videoMuxed.load() - muxedAtStart;
    // A frame may be on its way when the recording starts.
    QVERIFY2(muxed >= delivered - 1,
             qPrintable(QStringLiteral("%1 frames recorded of %2 delivered").arg(muxed).arg(delivered)));

    const ProbedMedia media = probeMedia(path);
    QVERIFY2(media.ok, qPrintable(media.error));
    QCOMPARE(media.count(QStringLiteral("video")), 1);
    QCOMPARE(media.first(QStringLiteral("video"))->packets, muxed);
}

void TestPreviewDecode::halfSizeScreenGetsHalfSizeJpegFrames() {
    QVERIFY(m_rig.startCamera(cameraProfile(QStringLiteral("Half Cam"), 1)));
    g_screenAtHalfSize = true;
    QVERIFY(waitForFrames(2));
    const int all = g_rendered.load();
    const int half = g_halfRendered.load();
    QVERIFY(waitForFrames(10));
    // Every frame but one that may have been on its way went at half size.
    QVERIFY2(g_halfRendered.load() - half >= g_rendered.load() - all - 1,
             qPrintable(
                 QStringLiteral("%1 of %2").arg(g_halfRendered.load() - half).arg(g_rendered.load() - all)));
    QVERIFY(g_halfRendered.load() - half >= 8);
    QCOMPARE(g_lastPictureWidth.load(), 160);

    // The recording takes full frames: none is lost to the half-size way.
    const QString path = m_dir.filePath(QStringLiteral("half.mp4"));
    QVERIFY(m_presenter->StartRecord(path));
    QVERIFY(waitForFrames(2));
    const int framesAtStart = g_mainFrames.load();
    const int muxedAtStart = g_videoMuxed.load();
    QVERIFY(waitForFrames(15));
    const int delivered = g_mainFrames.load() - framesAtStart;
    const int muxed = g_videoMuxed.load() - muxedAtStart;
    m_presenter->StopRecord();
    QVERIFY2(muxed >= delivered - 1,
             qPrintable(QStringLiteral("%1 frames recorded of %2 delivered").arg(muxed).arg(delivered)));

    // While recording, the screen got the recorded 4:2:0 frames; once it has ended, half-size
    // pictures again.
    const int halfAfter = g_halfRendered.load();
    QVERIFY(QTest::qWaitFor([&] { return g_halfRendered.load() > halfAfter + 3; }, 10000));
}

QTEST_MAIN(TestPreviewDecode)
#include "tst_previewdecode.moc"
