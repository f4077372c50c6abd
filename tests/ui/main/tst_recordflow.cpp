#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "OverlayWidget.h"
#include "RecordLimit.h"
#include "ToastLabel.h"
#include "UiScale.h"
#include "UniversalButton.h"

namespace {
void writeBytes(const QString& path, int n) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) {
        f.write(QByteArray(n, 'x'));
    }
}
}  // namespace

// Recording: the state machine, the clock, the limit and the result.
class TestRecordFlow : public QObject {
    Q_OBJECT

    qint64 m_now = 0;

    // An overlay whose record requests are answered like the main window does: with a path in
    // the temporary folder and the given limit; a "recording" file is made unless told otherwise.
    struct Rig {
        QTemporaryDir dir;
        OverlayWidget overlay;
        int requests = 0;
        bool startOk = true;
        bool writeFile = true;
    };

    void wire(Rig& rig, int minutes) {
        rig.overlay.resize(1280, 720);
        rig.overlay.show();
        rig.overlay.setRecordStartDelay(20);
        rig.overlay.setRecordClock([this] { return m_now; });
        connect(&rig.overlay, &OverlayWidget::sigGetRecordParam, &rig.overlay, [this, &rig, minutes] {
            ++rig.requests;
            const QString path = rig.dir.filePath(QString("rec_%1.mp4").arg(rig.requests));
            rig.overlay.setRecordParam(path, minutes);
            if (!rig.startOk) {
                rig.overlay.recordStartFailed();
            } else if (rig.writeFile) {
                writeBytes(path, 1000);
            }
        });
    }

private slots:
    void initTestCase() { overrideUiScale(1.0); }

    void limitTable() {
        QCOMPARE(RecordLimit::limitMs(5), qint64(300000));
        QCOMPARE(RecordLimit::limitMs(10), qint64(600000));
        QCOMPARE(RecordLimit::limitMs(15), qint64(900000));
        QCOMPARE(RecordLimit::limitMs(30), qint64(1800000));
        for (int other : {0, 1, 20, 60, -5}) {
            QCOMPARE(RecordLimit::limitMs(other), qint64(60000));
        }
    }

    void clockText() {
        QCOMPARE(RecordLimit::clockText(0), QString("00:00:00"));
        QCOMPARE(RecordLimit::clockText(3599), QString("00:59:59"));
        QCOMPARE(RecordLimit::clockText(3600), QString("01:00:00"));
        QCOMPARE(RecordLimit::clockText(360000 + 61), QString("100:01:01"));
    }

    void startRecordStop() {
        Rig rig;
        wire(rig, 10);
        QSignalSpy started(&rig.overlay, &OverlayWidget::sigStartRecord);
        QSignalSpy stop(&rig.overlay, &OverlayWidget::sigStopRecord);
        QTest::mouseClick(rig.overlay.recordButton(), Qt::LeftButton);
        QCOMPARE(rig.overlay.recordState(), OverlayWidget::Starting);
        QVERIFY(!rig.overlay.recordButton()->isEnabled());
        QCOMPARE(rig.overlay.noticeLabel()->text(), QString("开始录像，本次录像的最高时长为10分钟"));
        QVERIFY(rig.overlay.noticeLabel()->isVisible());
        // A second press while starting does nothing.
        rig.overlay.recordButton()->click();
        QCOMPARE(rig.requests, 1);
        // Stop is not offered yet.
        QVERIFY(rig.overlay.stopButton()->isHidden());

        QTRY_COMPARE(rig.overlay.recordState(), OverlayWidget::Recording);
        QCOMPARE(started.count(), 1);
        QCOMPARE(started.first().at(0).toString(), rig.overlay.recordPath());
        QVERIFY(rig.overlay.stopButton()->isVisible());
        QVERIFY(rig.overlay.timePanel()->isVisible());
        QVERIFY(rig.overlay.recordButton()->isHidden());
        QVERIFY(rig.overlay.captureButton()->isHidden());
        QVERIFY(rig.overlay.buttonBar()->testAttribute(Qt::WA_TransparentForMouseEvents));
        QCOMPARE(rig.overlay.stopButton()->geometry().center(), rig.overlay.buttonBar()->geometry().center());

        m_now = 61 * 1000 + 10;
        rig.overlay.onRecordTick();
        QCOMPARE(rig.overlay.timeLabel()->text(), QString("00:01:01"));
        QCOMPARE(rig.overlay.recordState(), OverlayWidget::Recording);
        QCOMPARE(stop.count(), 0);
        m_now = 600 * 1000;
        rig.overlay.onRecordTick();
        QCOMPARE(rig.overlay.recordState(), OverlayWidget::Idle);
        QTRY_COMPARE(stop.count(), 1);
        QCOMPARE(rig.overlay.toast()->fullText(), QString("录像已达到最长时长，自动停止"));
        QVERIFY(rig.overlay.recordButton()->isVisible());
        QVERIFY(rig.overlay.recordButton()->isEnabled());
        QVERIFY(rig.overlay.stopButton()->isHidden());
        QCOMPARE(rig.overlay.timeLabel()->text(), QString("00:00:00"));
        m_now = 0;
    }

    // The disk fills up during the recording: idle at once, the reason and what was kept shown,
    // and no success told afterwards.
    void recordingEndedByAFailure() {
        Rig rig;
        wire(rig, 10);
        QSignalSpy stop(&rig.overlay, &OverlayWidget::sigStopRecord);
        rig.overlay.recordButton()->click();
        QTRY_COMPARE(rig.overlay.recordState(), OverlayWidget::Recording);
        rig.overlay.recordFailed("磁盘空间不足", 83 * 1000 + 400);
        QCOMPARE(rig.overlay.recordState(), OverlayWidget::Idle);
        const QString failure =
            QString("录像失败：磁盘空间不足，已保存 00:01:23（%1）").arg(rig.overlay.recordPath());
        QCOMPARE(rig.overlay.toast()->fullText(), failure);
        QVERIFY(rig.overlay.recordButton()->isEnabled());
        QVERIFY(rig.overlay.stopButton()->isHidden());
        // A late report (the window's stop racing the failure) changes nothing.
        rig.overlay.recordFailed("磁盘空间不足", 90 * 1000);
        QTest::qWait(50);
        QCOMPARE(rig.overlay.toast()->fullText(), failure);
        QCOMPARE(stop.count(), 0);
    }

    void thirtyMinuteLimit() {
        Rig rig;
        wire(rig, 30);
        QTest::mouseClick(rig.overlay.recordButton(), Qt::LeftButton);
        QTRY_COMPARE(rig.overlay.recordState(), OverlayWidget::Recording);
        m_now = 1800 * 1000 - 1;
        rig.overlay.onRecordTick();
        QCOMPARE(rig.overlay.recordState(), OverlayWidget::Recording);
        QCOMPARE(rig.overlay.timeLabel()->text(), QString("00:29:59"));
        m_now = 1800 * 1000;
        rig.overlay.onRecordTick();
        QCOMPARE(rig.overlay.recordState(), OverlayWidget::Idle);
        m_now = 0;
    }

    void otherLimitsStopAfterOneMinute() {
        Rig rig;
        wire(rig, 20);
        QTest::mouseClick(rig.overlay.recordButton(), Qt::LeftButton);
        QTRY_COMPARE(rig.overlay.recordState(), OverlayWidget::Recording);
        QCOMPARE(rig.overlay.noticeLabel()->text(), QString("开始录像，本次录像的最高时长为20分钟"));
        m_now = 59999;
        rig.overlay.onRecordTick();
        QCOMPARE(rig.overlay.recordState(), OverlayWidget::Recording);
        m_now = 60000;
        rig.overlay.onRecordTick();
        QCOMPARE(rig.overlay.recordState(), OverlayWidget::Idle);
        m_now = 0;
        // The next press asks for a new file.
        QTest::mouseClick(rig.overlay.recordButton(), Qt::LeftButton);
        QCOMPARE(rig.requests, 2);
        QVERIFY(rig.overlay.recordPath().endsWith("rec_2.mp4"));
    }

    void stopButtonReportsTheFile() {
        Rig rig;
        wire(rig, 10);
        QSignalSpy stop(&rig.overlay, &OverlayWidget::sigStopRecord);
        QTest::mouseClick(rig.overlay.recordButton(), Qt::LeftButton);
        QTRY_COMPARE(rig.overlay.recordState(), OverlayWidget::Recording);
        QTest::mouseClick(rig.overlay.stopButton(), Qt::LeftButton);
        QCOMPARE(rig.overlay.recordState(), OverlayWidget::Idle);
        QCOMPARE(stop.count(), 0);  // queued
        QTRY_COMPARE(stop.count(), 1);
        QCOMPARE(rig.overlay.toast()->fullText(), QString("录像成功：%1").arg(rig.overlay.recordPath()));
    }

    void failedStartReturnsToIdleAtOnce() {
        Rig rig;
        rig.startOk = false;
        wire(rig, 10);
        QSignalSpy started(&rig.overlay, &OverlayWidget::sigStartRecord);
        QTest::mouseClick(rig.overlay.recordButton(), Qt::LeftButton);
        QCOMPARE(rig.overlay.recordState(), OverlayWidget::Idle);
        QCOMPARE(rig.overlay.toast()->fullText(), QString("录像失败：%1").arg(rig.overlay.recordPath()));
        QVERIFY(rig.overlay.toast()->styleSheet().contains("180, 50, 50"));
        QVERIFY(rig.overlay.recordButton()->isEnabled());
        QVERIFY(rig.overlay.noticeLabel()->isHidden());
        QTest::qWait(60);
        QCOMPARE(started.count(), 0);
        QCOMPARE(rig.overlay.recordState(), OverlayWidget::Idle);
        // The camera works again: the next press starts normally.
        rig.startOk = true;
        QTest::mouseClick(rig.overlay.recordButton(), Qt::LeftButton);
        QTRY_COMPARE(rig.overlay.recordState(), OverlayWidget::Recording);
    }

    void missingFileAtStopIsAFailure() {
        Rig rig;
        rig.writeFile = false;
        wire(rig, 10);
        QTest::mouseClick(rig.overlay.recordButton(), Qt::LeftButton);
        QTRY_COMPARE(rig.overlay.recordState(), OverlayWidget::Recording);
        QTest::mouseClick(rig.overlay.stopButton(), Qt::LeftButton);
        QTRY_COMPARE(rig.overlay.toast()->fullText(), QString("录像失败：%1").arg(rig.overlay.recordPath()));
        // An empty file is no better.
        writeBytes(rig.dir.filePath("rec_2.mp4"), 0);
        QTest::mouseClick(rig.overlay.recordButton(), Qt::LeftButton);
        QTRY_COMPARE(rig.overlay.recordState(), OverlayWidget::Recording);
        QTest::mouseClick(rig.overlay.stopButton(), Qt::LeftButton);
        QTRY_COMPARE(rig.overlay.toast()->fullText(), QString("录像失败：%1").arg(rig.overlay.recordPath()));
    }

    void featureIconHiddenWhileRecording() {
        Rig rig;
        wire(rig, 10);
        rig.overlay.setimageControlIcon(20);
        QTest::mouseClick(rig.overlay.recordButton(), Qt::LeftButton);
        QTRY_COMPARE(rig.overlay.recordState(), OverlayWidget::Recording);
        QVERIFY(rig.overlay.featureButton()->isHidden());
        rig.overlay.setimageControlIcon(30);  // a change during recording stays hidden
        QVERIFY(rig.overlay.featureButton()->isHidden());
        QTest::mouseClick(rig.overlay.stopButton(), Qt::LeftButton);
        QVERIFY(rig.overlay.featureButton()->isVisible());
        QCOMPARE(rig.overlay.featureButton()->currentIconPath(), QString(":/icons/soungtracking.svg"));

        QTest::mouseClick(rig.overlay.recordButton(), Qt::LeftButton);
        QTRY_COMPARE(rig.overlay.recordState(), OverlayWidget::Recording);
        rig.overlay.setimageControlIcon(0);
        QTest::mouseClick(rig.overlay.stopButton(), Qt::LeftButton);
        QVERIFY(rig.overlay.featureButton()->isHidden());
    }
};

QTEST_MAIN(TestRecordFlow)
#include "tst_recordflow.moc"
