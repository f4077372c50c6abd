#include <QFile>
#include <QProgressBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "CameraController.h"
#include "CameraRecordDialog.h"
#include "DialogRig.h"
#include "MediaProbe.h"
#include "RecordSettingsStore.h"
#include "SidePopupSelector.h"
#include "SwitchButton.h"
#include "SwitchRow.h"
#include "ToastLabel.h"
#include "UiScale.h"
#include "UniversalButton.h"
#include "VideoWidget.h"
#include "qelaudioinput.h"

// The record settings dialog: its choices reach the mediator, the recording and the microphone
// test, and are remembered between runs.
class TestRecordDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
        overrideUiScale(1.0);
        m_rig = new DialogRig;
        QVERIFY(m_rig->start());
    }
    void cleanupTestCase() { delete m_rig; }
    void init() { QSettings("Corvix", "Corvix").clear(); }

    void durationChoiceIsUsedAndRemembered() {
        CameraController c;
        CameraRecordDialog dialog(&c, nullptr);
        QSignalSpy changed(&c, &CameraController::sigRecordMinutesChanged);
        QCOMPARE(dialog.durationSelector()->currentIndex(), 2);
        QCOMPARE(changed.count(), 0);
        dialog.durationSelector()->setCurrentIndex(4);
        QCOMPARE(c.recordMinutes(), 30);
        QCOMPARE(RecordSettingsStore::minutes(), 30);

        // The next run: the remembered choice reaches the mediator and the dialog shows it.
        CameraController next;
        RecordSettingsStore::restore(&next);
        QCOMPARE(next.recordMinutes(), 30);
        CameraRecordDialog again(&next, nullptr);
        QCOMPARE(again.durationSelector()->currentIndex(), 4);
        // A damaged value, or an index outside the list, means the default.
        QSettings("Corvix", "Corvix").setValue("record/minutes", "7x");
        QCOMPARE(RecordSettingsStore::minutes(), 10);
        QCOMPARE(CameraRecordDialog::minutesForIndex(-1), 10);
        QCOMPARE(CameraRecordDialog::minutesForIndex(5), 10);
    }

    void microphoneListAndChoice() {
        CameraController c;
        CameraRecordDialog dialog(&c, nullptr);
        SidePopupSelector* mics = dialog.microphoneSelector();
        c.SetAudioList({"A", "B", "C"}, 1);
        QTRY_COMPARE(mics->count(), 3);
        QCOMPARE(mics->currentIndex(), 1);
        QCOMPARE(c.audioInputIndex(), 1);
        // A second list replaces the first; a default outside it selects nothing.
        c.SetAudioList({"D", "E"}, 2);
        QTRY_COMPARE(mics->count(), 2);
        QCOMPARE(mics->itemText(0), QString("D"));
        QCOMPARE(mics->currentIndex(), -1);

        // The user's choice is used and remembered by name.
        c.SetAudioList({"A", "B", "C"}, 0);
        QTRY_COMPARE(mics->count(), 3);
        QSignalSpy used(&c, &CameraController::sigAudioInputChanged);
        mics->setCurrentIndex(2);
        QCOMPARE(used.count(), 1);
        QCOMPARE(used.first().at(0).toInt(), 2);
        QCOMPARE(RecordSettingsStore::microphone(), QString("C"));
        // It moves with its name when the list changes, and falls back to the default when gone.
        c.SetAudioList({"C", "A"}, 1);
        QCOMPARE(c.audioInputIndex(), 0);
        QTRY_COMPARE(mics->currentIndex(), 0);
        c.SetAudioList({"A", "B"}, 1);
        QCOMPARE(c.audioInputIndex(), 1);
        QTRY_COMPARE(mics->currentIndex(), 1);
        QCOMPARE(RecordSettingsStore::microphone(), QString("C"));

        // Reset: 10 minutes, sound on, the default microphone.
        dialog.durationSelector()->setCurrentIndex(0);
        dialog.keepAudioRow()->switchButton()->click();
        QVERIFY(!RecordSettingsStore::keepAudio());
        dialog.resetButton()->click();
        QCOMPARE(c.recordMinutes(), 10);
        QVERIFY(c.recordKeepAudio());
        QVERIFY(dialog.keepAudioRow()->isChecked());
        QVERIFY(RecordSettingsStore::keepAudio());
        QCOMPARE(RecordSettingsStore::microphone(), QString());
        QCOMPARE(mics->currentIndex(), 1);
    }

    void keepAudioDecidesTheSoundTrack_data() {
        QTest::addColumn<bool>("keep");
        QTest::newRow("video only") << false;
        QTest::newRow("with sound") << true;
    }
    void keepAudioDecidesTheSoundTrack() {
        QFETCH(bool, keep);
        CameraRecordDialog dialog(m_rig->controller(), nullptr);
        if (dialog.keepAudioRow()->isChecked() != keep) {
            dialog.keepAudioRow()->switchButton()->click();
        }
        QCOMPARE(m_rig->controller()->recordKeepAudio(), keep);
        QTemporaryDir out;
        const QString path = out.filePath("clip.mp4");
        QVERIFY(m_rig->video()->startRecord(path));
        QTest::qWait(1200);  // the length of the clip
        m_rig->video()->stopRecord();
        const ProbedMedia media = probeMedia(path);
        QVERIFY2(media.ok, qPrintable(media.error));
        QCOMPARE(media.count("video"), 1);
        QCOMPARE(media.count("audio"), keep ? 1 : 0);
    }

    void microphoneTestRecordsAndPlaysBack() {
        CameraRecordDialog dialog(m_rig->controller(), nullptr);
        dialog.show();
        dialog.audioTestButton()->click();
        QVERIFY(dialog.isAudioTestShownRunning());
        QVERIFY(dialog.levelBar()->isVisible());
        // The level follows the virtual microphone's tone; a quarter second is captured.
        const QString folder = QCoreApplication::applicationDirPath() + "/output/";
        QTRY_VERIFY(dialog.levelBar()->value() > 0);
        QTRY_VERIFY(QFileInfo(folder + "sound.pcm").size() >= 48000);
        dialog.audioTestButton()->click();
        QVERIFY(!dialog.isAudioTestShownRunning());
        QVERIFY(!dialog.levelBar()->isVisible());

        QFile pcm(folder + "sound.pcm");
        QFile wav(folder + "sound.wav");
        QVERIFY(pcm.open(QIODevice::ReadOnly));
        QVERIFY(wav.open(QIODevice::ReadOnly));
        const qint64 pcmBytes = pcm.size();
        QVERIFY(pcmBytes > 0);
        QCOMPARE(pcmBytes % 4, 0);  // whole stereo 16-bit frames
        QCOMPARE(wav.size(), pcmBytes + 44);
        const ProbedMedia sound = probeMedia(wav.fileName());
        QVERIFY2(sound.ok, qPrintable(sound.error));
        QCOMPARE(sound.first("audio")->channels, 2);
        QCOMPARE(sound.first("audio")->sampleRate, 48000);

        // Played back whole through the (virtual) output.
        int playing = 0;
        long played = 0, total = 0;
        QVERIFY(qelaudioinput_get_playback(&playing, &played, &total));
        QCOMPARE(qint64(total), pcmBytes / 4);
        QTRY_VERIFY(qelaudioinput_get_playback(&playing, &played, &total) && played == total && !playing);
    }

    void microphoneThatCannotOpenIsReported() {
        CameraRecordDialog dialog(m_rig->controller(), nullptr);
        dialog.show();
        // Another capture holds the microphone.
        QVERIFY(qelaudioinput_start_recording(0, 2, 48000, 16) == 1);
        dialog.audioTestButton()->click();
        qelaudioinput_stop_recording();
        QVERIFY(!dialog.isAudioTestShownRunning());
        QVERIFY(dialog.toast()->isVisible());
        QVERIFY(!dialog.toast()->fullText().isEmpty());
        QVERIFY(!m_rig->controller()->isAudioTestRunning());
    }

    void closingTheDialogEndsTheTest() {
        CameraRecordDialog dialog(m_rig->controller(), nullptr);
        dialog.show();
        dialog.audioTestButton()->click();
        QVERIFY(m_rig->controller()->isAudioTestRunning());
        dialog.close();
        QVERIFY(!m_rig->controller()->isAudioTestRunning());
        // The microphone is free again.
        QVERIFY(qelaudioinput_start_recording(0, 2, 48000, 16) == 1);
        qelaudioinput_stop_recording();
    }

private:
    QTemporaryDir m_config;
    DialogRig* m_rig = nullptr;
};

QTEST_MAIN(TestRecordDialog)
#include "tst_recorddialog.moc"
