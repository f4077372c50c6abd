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

// Recording: the state machine, the clock, the limit and the result.
class TestRecordFlow : public QObject {
    Q_OBJECT

    qint64 m_now = 0;

    // An overlay whose record requests are answered like the main window does: with a path in
    // the temporary folder and the given limit, and a "recording" file of fileBytes (-1: none).
    struct Rig {
        QTemporaryDir dir;
        OverlayWidget overlay;
        int requests = 0;
        bool startOk = true;
        int fileBytes = 1000;
    };

    void wire(Rig& rig, int minutes) {
        m_now = 0;
        rig.overlay.resize(1280, 720);
        rig.overlay.show();
        rig.overlay.setRecordStartDelay(20);
        rig.overlay.setRecordClock([this] { return m_now; });
        connect(&rig.overlay, &OverlayWidget::sigGetRecordParam, &rig.overlay, [&rig, minutes] {
            ++rig.requests;
            const QString path = rig.dir.filePath(QString("rec_%1.mp4").arg(rig.requests));
            rig.overlay.setRecordParam(path, minutes);
            QFile file(path);
            if (!rig.startOk) {
                rig.overlay.recordStartFailed();
            } else if (rig.fileBytes >= 0 && file.open(QIODevice::WriteOnly)) {
                file.write(QByteArray(rig.fileBytes, 'x'));
            }
        });
    }

    static bool record(Rig& rig) {
        QTest::mouseClick(rig.overlay.recordButton(), Qt::LeftButton);
        return QTest::qWaitFor([&rig] { return rig.overlay.recordState() == OverlayWidget::Recording; });
    }

private slots:
    void initTestCase() { overrideUiScale(1.0); }

    // 5, 10, 15 and 30 minutes are limits; anything else stops after one minute.
    void limitStopsTheRecording_data() {
        QTest::addColumn<int>("minutes");
        QTest::addColumn<qint64>("limitMs");
        QTest::newRow("5") << 5 << qint64(300000);
        QTest::newRow("10") << 10 << qint64(600000);
        QTest::newRow("15") << 15 << qint64(900000);
        QTest::newRow("30") << 30 << qint64(1800000);
        QTest::newRow("20") << 20 << qint64(60000);
        QTest::newRow("0") << 0 << qint64(60000);
    }

    void limitStopsTheRecording() {
        QFETCH(int, minutes);
        QFETCH(qint64, limitMs);
        Rig rig;
        wire(rig, minutes);
        QSignalSpy started(&rig.overlay, &OverlayWidget::sigStartRecord);
        QSignalSpy stop(&rig.overlay, &OverlayWidget::sigStopRecord);
        QTest::mouseClick(rig.overlay.recordButton(), Qt::LeftButton);
        QCOMPARE(rig.overlay.recordState(), OverlayWidget::Starting);
        QCOMPARE(rig.overlay.noticeLabel()->text(),
                 QString("开始录像，本次录像的最高时长为%1分钟").arg(minutes));
        // A second press while starting does nothing, and stop is not offered yet.
        rig.overlay.recordButton()->click();
        QCOMPARE(rig.requests, 1);
        QVERIFY(rig.overlay.stopButton()->isHidden());

        QTRY_COMPARE(rig.overlay.recordState(), OverlayWidget::Recording);
        QCOMPARE(started.count(), 1);
        QCOMPARE(started.first().at(0).toString(), rig.overlay.recordPath());
        QVERIFY(rig.overlay.stopButton()->isVisible());
        QVERIFY(rig.overlay.timePanel()->isVisible());
        QVERIFY(rig.overlay.recordButton()->isHidden());
        QVERIFY(rig.overlay.captureButton()->isHidden());

        m_now = limitMs - 1;
        rig.overlay.onRecordTick();
        QCOMPARE(rig.overlay.recordState(), OverlayWidget::Recording);
        QCOMPARE(rig.overlay.timeLabel()->text(), RecordLimit::clockText((limitMs - 1) / 1000));
        m_now = limitMs;
        rig.overlay.onRecordTick();
        QCOMPARE(rig.overlay.recordState(), OverlayWidget::Idle);
        QTRY_COMPARE(stop.count(), 1);
        QCOMPARE(rig.overlay.toast()->fullText(), QString("录像已达到最长时长，自动停止"));
        QVERIFY(rig.overlay.recordButton()->isVisible());
        QVERIFY(rig.overlay.recordButton()->isEnabled());
        QVERIFY(rig.overlay.stopButton()->isHidden());
        QCOMPARE(rig.overlay.timeLabel()->text(), QString("00:00:00"));
        // The next press asks for a new file.
        QTest::mouseClick(rig.overlay.recordButton(), Qt::LeftButton);
        QCOMPARE(rig.requests, 2);
        QVERIFY(rig.overlay.recordPath().endsWith("rec_2.mp4"));
    }

    void clockText() {
        QCOMPARE(RecordLimit::clockText(3599), QString("00:59:59"));
        QCOMPARE(RecordLimit::clockText(360000 + 61), QString("100:01:01"));
    }

    // The disk fills up during the recording: idle at once, the reason and what was kept shown,
    // and no success told afterwards.
    void recordingEndedByAFailure() {
        Rig rig;
        wire(rig, 10);
        QSignalSpy stop(&rig.overlay, &OverlayWidget::sigStopRecord);
        QVERIFY(record(rig));
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

    // The stop button stops at once (the stop request is queued); only a file with data is a success.
    void stopReportsTheFile_data() {
        QTest::addColumn<int>("fileBytes");
        QTest::addColumn<QString>("result");
        QTest::newRow("written") << 1000 << "录像成功：%1";
        QTest::newRow("missing") << -1 << "录像失败：%1";
        QTest::newRow("empty") << 0 << "录像失败：%1";
    }

    void stopReportsTheFile() {
        QFETCH(int, fileBytes);
        QFETCH(QString, result);
        Rig rig;
        rig.fileBytes = fileBytes;
        wire(rig, 10);
        QSignalSpy stop(&rig.overlay, &OverlayWidget::sigStopRecord);
        QVERIFY(record(rig));
        QTest::mouseClick(rig.overlay.stopButton(), Qt::LeftButton);
        QCOMPARE(rig.overlay.recordState(), OverlayWidget::Idle);
        QCOMPARE(stop.count(), 0);
        QTRY_COMPARE(stop.count(), 1);
        QTRY_COMPARE(rig.overlay.toast()->fullText(), result.arg(rig.overlay.recordPath()));
    }

    void failedStartReturnsToIdleAtOnce() {
        Rig rig;
        rig.startOk = false;
        wire(rig, 10);
        QSignalSpy started(&rig.overlay, &OverlayWidget::sigStartRecord);
        QTest::mouseClick(rig.overlay.recordButton(), Qt::LeftButton);
        QCOMPARE(rig.overlay.recordState(), OverlayWidget::Idle);
        QCOMPARE(rig.overlay.toast()->fullText(), QString("录像失败：%1").arg(rig.overlay.recordPath()));
        QVERIFY(rig.overlay.recordButton()->isEnabled());
        QVERIFY(rig.overlay.noticeLabel()->isHidden());
        QTest::qWait(60);
        QCOMPARE(started.count(), 0);
        QCOMPARE(rig.overlay.recordState(), OverlayWidget::Idle);
        // The camera works again: the next press starts normally.
        rig.startOk = true;
        QVERIFY(record(rig));
    }

    void featureIconHiddenWhileRecording() {
        Rig rig;
        wire(rig, 10);
        rig.overlay.setimageControlIcon(20);
        QVERIFY(record(rig));
        QVERIFY(rig.overlay.featureButton()->isHidden());
        rig.overlay.setimageControlIcon(30);  // a change during recording stays hidden
        QVERIFY(rig.overlay.featureButton()->isHidden());
        QTest::mouseClick(rig.overlay.stopButton(), Qt::LeftButton);
        QVERIFY(rig.overlay.featureButton()->isVisible());
        QCOMPARE(rig.overlay.featureButton()->currentIconPath(), QString(":/icons/soungtracking.svg"));
        QVERIFY(record(rig));
        rig.overlay.setimageControlIcon(0);
        QTest::mouseClick(rig.overlay.stopButton(), Qt::LeftButton);
        QVERIFY(rig.overlay.featureButton()->isHidden());
    }
};

QTEST_MAIN(TestRecordFlow)
#include "tst_recordflow.moc"
