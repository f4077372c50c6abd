#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QImageReader>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "CameraController.h"
#include "MainWindow.h"
#include "OverlayWidget.h"
#include "SubVideoHintOverlay.h"
#include "ToastLabel.h"
#include "UniversalButton.h"
#include "VideoWidget.h"
#include "qelvirtual.h"

namespace {
// Files named like the next few seconds' photos or recordings, so that the next one must avoid them.
QStringList occupyNames(const QString& folder, const QString& suffix) {
    QStringList taken;
    const QDateTime now = QDateTime::currentDateTime();
    for (int s = 0; s < 4; ++s) {
        const QString path = QDir(folder).filePath(now.addSecs(s).toString("yyyyMMdd_HHmmss") + suffix);
        QFile f(path);
        if (f.open(QIODevice::WriteOnly)) {
            f.write("earlier file");
            taken << path;
        }
    }
    return taken;
}

bool untouched(const QStringList& paths) {
    for (const QString& p : paths) {
        QFile f(p);
        if (!f.open(QIODevice::ReadOnly) || f.readAll() != "earlier file") {
            return false;
        }
    }
    return true;
}
}  // namespace

// The main window with the virtual camera: start-up, photo, recording, hot-plug.
class TestMainWindow : public QObject {
    Q_OBJECT

    MainWindow* m_window = nullptr;
    QString m_folder;

    OverlayWidget* overlay() const { return m_window->overlay(); }
    VideoWidget* video() const { return m_window->videoWidget(0); }

private slots:
    void initTestCase() {
        m_window = new MainWindow;
        // Generous on a loaded machine; the deadline itself is tested on its own.
        m_window->setCaptureDeadline(8000);
        m_folder = m_window->controller()->recordOutputDir();
    }

    void cleanupTestCase() {
        delete m_window;
        QVERIFY(!VideoWidget::presenter());
    }

    void startUpWiring() {
        // The save folder until the device page chooses one.
        QCOMPARE(m_folder, QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/Corvix");
        QVERIFY(QFileInfo(m_folder).isDir());
        SubVideoHintOverlay* hint = m_window->hintOverlay(0);
        QVERIFY(hint->isVisible());
        QVERIFY(m_window->hintOverlay(1)->isHidden());
        // The camera opens on the pool task; the opening text shows, then the first frame hides it.
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->noCamera(), 10000);
        QCOMPARE(hint->hintText(), QString("开启设备中..."));
        QTRY_VERIFY_WITH_TIMEOUT(video()->isReady(), 10000);
        QTRY_VERIFY(hint->isHidden());
        QVERIFY(m_window->videoWidget(1)->isHidden());
        QCOMPARE(overlay()->geometry().size(), video()->size());
    }

    // The camera's tracking reports choose the feature icon; a mode switched off clears only its own.
    void featureIconFollowsTracking() {
        emit video()->sigCheckFaceTracking(true);
        QTRY_COMPARE(overlay()->featureButton()->currentIconPath(), QString(":/icons/facetracking.svg"));
        emit video()->sigCheckSoundTracking(false);
        QTest::qWait(10);
        QVERIFY(overlay()->featureIconSet());
        emit video()->sigCheckFaceTracking(false);
        QTRY_VERIFY(!overlay()->featureIconSet());
        emit video()->sigCheckedCanvas(2);
        QTRY_COMPARE(overlay()->featureButton()->currentIconPath(), QString(":/icons/grid.svg"));
        emit video()->checkedHandGesture(0);  // outside 1..17: no change
        QTest::qWait(10);
        QVERIFY(overlay()->featureIconSet());
        overlay()->setimageControlIcon(0);
    }

    void photoNeverReplacesAnEarlierOne() {
        const QStringList taken = occupyNames(m_folder, ".jpg");
        overlay()->setStampTimings(0, 20);
        QSignalSpy finished(overlay(), &OverlayWidget::sigCaptureFinished);
        overlay()->captureButton()->click();
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.first().at(0).toBool(), true);
        const QString path = finished.first().at(1).toString();
        QVERIFY2(path.endsWith("_2.jpg"), qPrintable(path));
        QVERIFY(untouched(taken));
        QTRY_COMPARE(overlay()->toast()->fullText(), QString("拍照成功：%1").arg(path));
        QImageReader reader(path);
        QCOMPARE(reader.size(), QSize(1920, 1080));

        // A second press before the first photo is in the folder gets a name of its own.
        finished.clear();
        overlay()->captureButton()->click();
        overlay()->captureButton()->click();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 20000);
        QVERIFY(finished.at(0).at(1).toString() != finished.at(1).at(1).toString());
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        QCOMPARE(finished.at(1).at(0).toBool(), true);
        QVERIFY(untouched(taken));
    }

    void recordingToAFile() {
        const QStringList taken = occupyNames(m_folder, ".mp4");
        overlay()->setRecordStartDelay(200);
        overlay()->recordButton()->click();
        QCOMPARE(overlay()->recordState(), OverlayWidget::Starting);
        const QString path = overlay()->recordPath();
        QVERIFY2(path.endsWith("_2.mp4"), qPrintable(path));
        QTRY_COMPARE(overlay()->recordState(), OverlayWidget::Recording);
        QTest::qWait(1200);
        overlay()->stopButton()->click();
        QCOMPARE(overlay()->recordState(), OverlayWidget::Idle);
        QTRY_COMPARE_WITH_TIMEOUT(overlay()->toast()->fullText(), QString("录像成功：%1").arg(path), 5000);
        QVERIFY(QFileInfo(path).size() > 1000);
        QVERIFY(untouched(taken));
    }

    void recordingThatCannotStart() {
        QTemporaryDir dir;
        // A folder that cannot exist: below a plain file.
        QFile blocker(dir.filePath("plain"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        m_window->controller()->setRecordOutputDir(dir.filePath("plain/sub"));
        QSignalSpy started(overlay(), &OverlayWidget::sigStartRecord);
        overlay()->recordButton()->click();
        // The camera core answers from its own thread.
        QTRY_COMPARE(overlay()->recordState(), OverlayWidget::Idle);
        QVERIFY(overlay()->toast()->fullText().startsWith("录像失败："));
        QTest::qWait(300);
        QCOMPARE(started.count(), 0);
        m_window->controller()->setRecordOutputDir(m_folder);
    }

    void refusalsAreShown() {
        video()->ShowMessage("打开设备失败");
        QTRY_COMPARE(overlay()->toast()->fullText(), QString("打开设备失败"));
        QVERIFY(overlay()->toast()->styleSheet().contains("180, 50, 50"));
    }

    void unplugAndReplug() {
        // A recording running when the camera goes ends with its file.
        overlay()->recordButton()->click();
        QTRY_COMPARE(overlay()->recordState(), OverlayWidget::Recording);
        QTest::qWait(500);
        SubVideoHintOverlay* hint = m_window->hintOverlay(0);
        QVERIFY(qelvirtual_remove_camera(qelvirtual_handle_of(0)) == 1);
        QTRY_VERIFY_WITH_TIMEOUT(m_window->noCamera(), 10000);
        QVERIFY(hint->isVisible());
        QVERIFY(hint->isLoading());
        QCOMPARE(hint->hintText(), QString("没有有检查到设备，请重新连接..."));
        QTRY_COMPARE(overlay()->recordState(), OverlayWidget::Idle);

        QVERIFY(qelvirtual_add_camera(nullptr) > 0);
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->noCamera(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(hint->isHidden(), 10000);
        QSignalSpy info(video(), &VideoWidget::sigVideoInfo);
        QVERIFY(info.wait(5000));
    }

    void replugWhileStarting() {
        // A camera that comes back while the start after its loss is still initialising must
        // still bring the picture back, whatever the timing.
        SubVideoHintOverlay* hint = m_window->hintOverlay(0);
        for (int round = 0; round < 6; ++round) {
            QVERIFY(qelvirtual_remove_camera(qelvirtual_handle_of(0)) == 1);
            QTest::qWait(round * 40);
            QVERIFY(qelvirtual_add_camera(nullptr) > 0);
            QTRY_VERIFY_WITH_TIMEOUT(!m_window->noCamera(), 10000);
            QTRY_VERIFY_WITH_TIMEOUT(hint->isHidden(), 10000);
        }
        QSignalSpy info(video(), &VideoWidget::sigVideoInfo);
        QVERIFY(info.wait(5000));
    }
};

int main(int argc, char* argv[]) {
    // Photos and recordings go to a scratch documents folder.
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_DOCUMENTS_DIR", (home.path() + "/Documents").toUtf8());
    qputenv("QEL_VIRTUAL_CAMERAS", "1");
    QApplication app(argc, argv);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
