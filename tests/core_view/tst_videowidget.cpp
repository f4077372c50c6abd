#include <QApplication>
#include <QElapsedTimer>
#include <QImageReader>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "CCameraPresenter.h"
#include "CameraControl.h"
#include "PhotoStamp.h"
#include "VideoWidget.h"
#include "qelvirtual.h"

namespace {

// Holds the camera-control thread inside a task, as a camera start that hangs would.
class ControlGate {
public:
    ControlGate() {
        VideoWidget::control()->post([this] {
            m_entered.release();
            m_open.acquire();
        });
        m_entered.acquire();
    }
    ~ControlGate() { open(); }
    void open() {
        if (!m_opened) {
            m_opened = true;
            m_open.release();
        }
    }

private:
    QSemaphore m_entered;
    QSemaphore m_open;
    bool m_opened = false;
};

// The longest wait of the GUI thread's event loop over `ms`, seen by a 5-ms timer.
qint64 longestEventGap(int ms) {
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longest = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = qMax(longest, now - last);
        last = now;
    });
    tick.start(5);
    QTest::qWait(ms);
    return longest;
}

// A 640x360 video widget of stream 0, shown in `window`.
VideoWidget* showVideo(QWidget& window) {
    window.resize(640, 360);
    auto* video = new VideoWidget(0, &window);
    video->resize(640, 360);
    window.show();
    return video;
}

}  // namespace

// The video widget as the presenter's view, with the built-in virtual camera.
class TestVideoWidget : public QObject {
    Q_OBJECT

private slots:
    void previewObjectOnlyForOwnStream() {
        QWidget window;
        VideoWidget video(0, &window);
        VideoWidget sub(1, &window);
        window.show();
        video.resize(1280, 720);
        quintptr handle = 123;
        int w = 5, h = 5;
        video.GetPreviewObject(1, handle, w, h);
        QCOMPARE(handle, quintptr(0));
        QCOMPARE(w, 0);
        QCOMPARE(h, 0);
        video.GetPreviewObject(0, handle, w, h);
        QCOMPARE(handle, quintptr(video.winId()));
        // Physical pixels: this test runs at a scale factor of 1.5.
        QCOMPARE(video.devicePixelRatioF(), 1.5);
        QCOMPARE(w, 1920);
        QCOMPARE(h, 1080);
        sub.GetPreviewObject(1, handle, w, h);
        QCOMPARE(handle, quintptr(sub.winId()));
        QVERIFY(handle != quintptr(video.winId()));
    }

    void reportsBecomeSignals() {
        QWidget window;
        VideoWidget video(0, &window);
        QSignalSpy state(&video, &VideoWidget::sigCameraState);
        QSignalSpy list(&video, &VideoWidget::sigCameraListReady);
        // No camera: only the (queued) no-camera state.
        QVERIFY(!video.SetCameraList({}));
        QCOMPARE(state.count(), 0);
        QTRY_COMPARE(state.count(), 1);
        QCOMPARE(state.first().at(0).toInt(), 0);
        QCOMPARE(list.count(), 0);

        QSignalSpy gesture(&video, &VideoWidget::sigEnableHandGesture);
        const int values[] = {1, 0, 1};
        video.EnableHandGesture(values, 3);
        video.EnableHandGesture(values, 0);
        QCOMPARE(gesture.at(0).at(0).value<QVector<long>>(), QVector<long>({1, 0, 1}));
        QVERIFY(gesture.at(1).at(0).value<QVector<long>>().isEmpty());

        QSignalSpy sensors(&video, &VideoWidget::getSensorList);
        video.SetSensorList({"Ultra-Wide Angle", "wide angle lens", "RIGHT VIEW", "Other"});
        QCOMPARE(sensors.first().at(0).toStringList(), QStringList({"超广角", "广角镜头", "右摄", "Other"}));

        QSignalSpy message(&video, &VideoWidget::sigShowMessage);
        // The core's refusals in the user's words, with the reason of a failed save.
        video.ShowRefusal(CameraRefusal::OpenFailed, QString(), 0);
        QCOMPARE(message.last().at(0).toString(), QString("打开设备失败"));
        video.ShowRefusal(CameraRefusal::StillNotSaved, "/photos/a.jpg", ENOSPC);
        QCOMPARE(message.last().at(0).toString(),
                 QString("静态拍照失败：无法保存文件 /photos/a.jpg（磁盘空间不足）"));
        QSignalSpy photo(&video, &VideoWidget::sigPhotoResult);
        video.PhotoFinished("/photos/b.jpg", EACCES);
        QCOMPARE(photo.last(), QVariantList({false, "/photos/b.jpg", "文件夹不可写"}));
    }

    void controlCallsReturnWhileAStartHangs() {
        QWidget window;
        auto* video = showVideo(window);
        QSignalSpy ready(video, &VideoWidget::sigVideoReady);
        QSignalSpy recordStarted(video, &VideoWidget::sigRecordStarted);
        QSignalSpy photo(video, &VideoWidget::sigPhotoResult);
        {
            ControlGate gate;
            video->startPreviewAsync();
            // Every request a screen makes returns although the camera thread is stuck.
            video->stopPreview();
            video->startPreviewAsync();
            video->setFlip(true);
            video->setMediaType(0, 0);
            video->setPuCtValue(0, 10);
            QTemporaryDir dir;
            video->startRecord(dir.filePath("r.mp4"));
            video->stopRecord();
            video->capturePreviewFrame(dir.filePath("p.jpg"));
            QVERIFY(video->startRecord(dir.filePath("s.mp4")));
            // The window keeps handling events meanwhile (a timer ticking every 5 ms is served
            // within 50 ms; loaded test machines included).
            const qint64 gap = longestEventGap(300);
            qInfo("longest GUI event gap while the camera thread is held: %lld ms", gap);
            QVERIFY2(gap <= 50, qPrintable(QString::number(gap)));
            QCOMPARE(ready.count(), 0);
            gate.open();
        }
        // Afterwards the requests run in the order they were made.
        QTRY_COMPARE_WITH_TIMEOUT(ready.count(), 2, 15000);
        QTRY_COMPARE_WITH_TIMEOUT(recordStarted.count(), 2, 5000);
        delete video;
        QVERIFY(!VideoWidget::presenter());
    }

    void photosAndRecordingDuringAHotPlugRestart() {
        QTemporaryDir dir;
        QWidget window;
        auto* video = showVideo(window);
        QSignalSpy ready(video, &VideoWidget::sigVideoReady);
        QSignalSpy update(video, &VideoWidget::sigUpdateCameraList);
        QSignalSpy photo(video, &VideoWidget::sigPhotoResult);
        QSignalSpy recordStarted(video, &VideoWidget::sigRecordStarted);
        QSignalSpy recordFailed(video, &VideoWidget::sigRecordFailed);
        video->startPreviewAsync();
        QVERIFY(ready.wait(10000));

        // The date watermark switch reaches the photo: stamped with it on, the picture untouched off.
        QTemporaryDir stampDir;
        const auto whiteInStamp = [&](bool on) {
            const QString path = stampDir.filePath(on ? "on.jpg" : "off.jpg");
            video->setPhotoDateStamp(on);
            photo.clear();
            video->capturePreviewFrame(path);
            if (!QTest::qWaitFor([&] { return photo.count() == 1; }, 10000) ||
                !photo.first().at(0).toBool()) {
                return -1;
            }
            const QImage image(path);
            const PhotoStamp::Geometry g =
                PhotoStamp::geometry(image.width(), "2026/03/20 14:30:05", QFont());
            int white = 0;
            for (int y = g.textRect.top(); y <= g.textRect.bottom(); ++y) {
                for (int x = g.textRect.left(); x < g.textRect.left() + g.textRect.width() / 4; ++x) {
                    const QRgb p = image.pixel(x, y);
                    white += qRed(p) > 235 && qGreen(p) > 235 && qBlue(p) > 235;
                }
            }
            return white;
        };
        // The test card has nothing that white where the date's first quarter goes.
        QVERIFY(whiteInStamp(true) > 50);
        QCOMPARE(whiteInStamp(false), 0);
        photo.clear();

        // A second camera arrives; the window restarts the camera and the user presses both
        // buttons before the restart has finished.
        const int added = qelvirtual_add_camera(nullptr);
        QVERIFY(added > 0);
        const auto unplug = qScopeGuard([added] { qelvirtual_remove_camera(added); });
        QTRY_VERIFY_WITH_TIMEOUT(update.count() >= 1, 5000);
        QVERIFY(update.last().at(1).toBool());
        video->stopPreview();
        video->startPreviewAsync();
        const QString jpg = dir.filePath("during restart.jpg");
        const QString mp4 = dir.filePath("during restart.mp4");
        video->capturePreviewFrame(jpg);
        video->startRecord(mp4);

        QTRY_COMPARE_WITH_TIMEOUT(photo.count(), 1, 10000);
        QCOMPARE(photo.first().mid(0, 2), QVariantList({true, jpg}));
        QCOMPARE(QImageReader(jpg).size(), QSize(1920, 1080));
        QTRY_COMPARE_WITH_TIMEOUT(recordStarted.count(), 1, 10000);
        QCOMPARE(recordStarted.first().at(0).toBool(), true);
        QTest::qWait(1500);
        video->stopRecord();
        VideoWidget::waitForStart();
        QCOMPARE(photo.count(), 1);
        QCOMPARE(recordFailed.count(), 0);
        QVERIFY(QFileInfo(mp4).size() > 1000);
        // No temporary photo left behind.
        QCOMPARE(QDir(dir.path()).entryList({"*.jpg*"}, QDir::Files | QDir::Hidden),
                 QStringList({"during restart.jpg"}));
        delete video;
    }

    void hotPlugRestartFlag() {
        {
            QWidget window;
            VideoWidget video(0, &window);
            QSignalSpy update(&video, &VideoWidget::sigUpdateCameraList);
            // Nothing found yet: any change restarts so that a new camera appears.
            video.UpdateCameraList({"A"}, false);
            QCOMPARE(update.last().at(1).toBool(), true);
            QVERIFY(!video.isStarted());
            QVERIFY(video.isRestartPending());
            video.SetCameraList({"A", "B"});
            video.UpdateCameraList({"A", "B", "C"}, false);
            QCOMPARE(update.last().at(1).toBool(), false);
            video.UpdateCameraList({"B"}, true);
            QCOMPARE(update.last().at(1).toBool(), true);
            QCOMPARE(update.last().at(0).toStringList(), QStringList({"B"}));
        }
        // Several starts with one camera: a second camera plugged in later is still shown by a
        // restart, as after the first start.
        QWidget window;
        VideoWidget video(0, &window);
        QSignalSpy update(&video, &VideoWidget::sigUpdateCameraList);
        video.SetCameraList({"A"});
        video.SetCameraList({"A"});
        video.SetCameraList({"A"});
        QCOMPARE(video.knownCameras(), QStringList({"A"}));
        video.UpdateCameraList({"A", "B"}, false);
        QCOMPARE(update.last().at(1).toBool(), true);
        VideoWidget::waitForStart();
    }

    void destroyedWhileStarting() {
        // The camera core is only torn down once the start task has finished with it.
        for (int round = 0; round < 3; ++round) {
            auto* window = new QWidget;
            auto* video = new VideoWidget(0, window);
            new VideoWidget(1, window);
            window->show();
            video->startPreviewAsync();
            QTest::qWait(round * 50);
            delete window;
            QVERIFY(!VideoWidget::presenter());
        }
    }
};

int main(int argc, char* argv[]) {
    // A 150 % screen, and the built-in virtual camera.
    qputenv("QT_SCALE_FACTOR", "1.5");
    qputenv("QEL_VIRTUAL_CAMERAS", "1");
    QApplication app(argc, argv);
    TestVideoWidget test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_videowidget.moc"
