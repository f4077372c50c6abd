#include <QFile>
#include <QImage>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "CaptureWatch.h"
#include "OverlayWidget.h"
#include "SavedPhotoCheck.h"
#include "SvgSpinnerWidget.h"
#include "ToastLabel.h"
#include "UiScale.h"
#include "UniversalButton.h"

namespace {
QString writePhoto(const QString& path, int width, int height, QColor colour = QColor(40, 160, 40)) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    if (!image.save(path, "JPG")) {
        return QString();
    }
    return path;
}
}  // namespace

// Taking a photo: countdown, busy feedback, completion watch, saved-photo check, result toast.
class TestPhotoFlow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { overrideUiScale(1.0); }

    void countdownShowsTenToOneThenCaptures() {
        OverlayWidget overlay;
        overlay.resize(800, 600);
        overlay.show();
        overlay.setDelayCaptureEnabled(true);
        QSignalSpy capture(&overlay, &OverlayWidget::sigCapture);
        QTest::mouseClick(overlay.captureButton(), Qt::LeftButton);
        QLabel* label = overlay.countdownLabel();
        QVERIFY(label->isVisible());
        QStringList shown{label->text()};
        for (int tick = 0; tick < 9; ++tick) {
            overlay.onCountdownTick();
            shown << label->text();
            QCOMPARE(capture.count(), 0);
        }
        QCOMPARE(shown, QStringList({"10", "9", "8", "7", "6", "5", "4", "3", "2", "1"}));
        overlay.onCountdownTick();
        QCOMPARE(capture.count(), 1);
        // The photo is on its way: the busy notice and spinner instead of the digits.
        QVERIFY(label->isHidden());
        QVERIFY(overlay.noticeLabel()->isVisible());
        QCOMPARE(overlay.noticeLabel()->text(), QString("拍照中..."));
        QVERIFY(overlay.spinner()->isVisible());
        // A second press during a countdown starts again at 10.
        QTest::mouseClick(overlay.captureButton(), Qt::LeftButton);
        overlay.onCountdownTick();
        QTest::mouseClick(overlay.captureButton(), Qt::LeftButton);
        QCOMPARE(overlay.countdownValue(), 10);
    }

    // The camera core draws the stamp before its one encode: whatever the watermark switch, the
    // overlay reports the saved photo and leaves it byte for byte as it came.
    void savedPhotoIsReportedAndLeftUntouched_data() {
        QTest::addColumn<bool>("watermark");
        QTest::newRow("watermark off") << false;
        QTest::newRow("watermark on") << true;
    }
    void savedPhotoIsReportedAndLeftUntouched() {
        QFETCH(bool, watermark);
        QTemporaryDir dir;
        const QString path = writePhoto(dir.filePath("a.jpg"), 640, 360);
        QVERIFY(!path.isEmpty());
        QFile before(path);
        QVERIFY(before.open(QIODevice::ReadOnly));
        const QByteArray original = before.readAll();
        before.close();
        OverlayWidget overlay;
        overlay.resize(1280, 720);
        overlay.show();
        overlay.setStampTimings(0, 5);
        overlay.showDateLabel(watermark);
        QCOMPARE(overlay.dateWatermarkOn(), watermark);
        QTest::mouseClick(overlay.captureButton(), Qt::LeftButton);
        emit overlay.sigCaptureFinished(true, path);
        QCOMPARE(overlay.toast()->fullText(), QString("拍照成功：%1").arg(path));
        QVERIFY(overlay.noticeLabel()->isHidden());
        QVERIFY(overlay.spinner()->isHidden());
        QFile after(path);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QVERIFY(after.readAll() == original);
    }

    void failuresAreReported() {
        QTemporaryDir dir;
        OverlayWidget overlay;
        overlay.resize(1280, 720);
        overlay.setStampTimings(0, 5);
        const QString missing = dir.filePath("missing.jpg");
        emit overlay.sigCaptureFinished(false, missing);
        QCOMPARE(overlay.toast()->fullText(), QString("拍照失败：%1").arg(missing));
        // Seen by the folder watch but gone or unreadable by the time it is stamped: not a photo taken.
        emit overlay.sigCaptureFinished(true, missing);
        QCOMPARE(overlay.toast()->fullText(), QString("拍照失败：%1（照片文件不存在）").arg(missing));
        const QString broken = dir.filePath("broken.jpg");
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a jpeg at all");
        file.close();
        emit overlay.sigCaptureFinished(true, broken);
        QCOMPARE(overlay.toast()->fullText(), QString("拍照失败：%1（照片无法读取）").arg(broken));
        // The camera core's reason goes with the path.
        overlay.setCaptureFailureReason(missing, "磁盘空间不足");
        emit overlay.sigCaptureFinished(false, missing);
        QCOMPARE(overlay.toast()->fullText(), QString("拍照失败：%1（磁盘空间不足）").arg(missing));
        QCOMPARE(QFileInfo(broken).size(), qint64(17));  // left as it was
    }

    // The folder watch reports a photo's arrival, or its deadline, once.
    void captureWatchReportsOnce() {
        QTemporaryDir dir;
        const QString path = dir.filePath("b.jpg");
        auto* watch = new CaptureWatch(path, 2000);
        QSignalSpy arrived(watch, &CaptureWatch::finished);
        QTimer::singleShot(50, [path] { writePhoto(path, 64, 48); });
        QVERIFY(arrived.wait(3000));
        QCOMPARE(arrived.count(), 1);
        QCOMPARE(arrived.first(), QVariantList({true, path}));

        const QString never = dir.filePath("never.jpg");
        QPointer<CaptureWatch> late = new CaptureWatch(never, 100);
        QSignalSpy timedOut(late.data(), &CaptureWatch::finished);
        QVERIFY(timedOut.wait(2000));
        QCOMPARE(timedOut.first().at(0).toBool(), false);
        // It has gone, so a file that turns up later is not reported again.
        QTRY_VERIFY(late.isNull());
        writePhoto(never, 64, 48);
        QTest::qWait(50);
        QCOMPARE(timedOut.count(), 1);
    }

    void sizeWaitSettlesOnlyOnNonEmptyFile() {
        QTemporaryDir dir;
        const QString empty = dir.filePath("empty.jpg");
        QFile f(empty);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QVERIFY(!SavedPhotoCheck::waitForStableSize(empty, 6, 1));
        const QString photo = writePhoto(dir.filePath("c.jpg"), 32, 32);
        QVERIFY(SavedPhotoCheck::waitForStableSize(photo, 6, 1));
    }
};

QTEST_MAIN(TestPhotoFlow)
#include "tst_photoflow.moc"
