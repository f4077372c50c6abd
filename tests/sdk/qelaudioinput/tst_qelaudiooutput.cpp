#include <QTemporaryDir>
#include <QtTest>

#include "qelaudioinput.h"

// Playback of a raw PCM file through the virtual output (no sound card here).
class TestQelAudioOutput : public QObject {
    Q_OBJECT

private slots:
    void playsAWholeFileAtTheCardsPace() {
        QTemporaryDir dir;
        const QString path = dir.filePath("tone.pcm");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // 0.2 s of stereo 48 kHz silence and an odd trailing byte (not a whole frame).
        file.write(QByteArray(48000 / 5 * 4 + 1, '\0'));
        file.close();
        QCOMPARE(qelaudioinput_play_file(QFile::encodeName(path).constData(), 2, 48000, 16), 1);
        int playing = 0;
        long played = -1, total = 0;
        QVERIFY(qelaudioinput_get_playback(&playing, &played, &total));
        QCOMPARE(total, 9600L);
        QTRY_VERIFY(qelaudioinput_get_playback(&playing, &played, &total) && !playing);
        QCOMPARE(played, total);

        // A second sound replaces one still playing; stopping ends it at once.
        QCOMPARE(qelaudioinput_play_file(QFile::encodeName(path).constData(), 1, 8000, 16), 1);
        QVERIFY(qelaudioinput_get_playback(&playing, &played, &total));
        QCOMPARE(total, 48000L / 5 * 2);
        QVERIFY(qelaudioinput_stop_playing());
        QVERIFY(qelaudioinput_get_playback(&playing, &played, &total));
        QCOMPARE(playing, 0);
    }

    void refusals() {
        QTemporaryDir dir;
        const QByteArray missing = QFile::encodeName(dir.filePath("missing.pcm"));
        QCOMPARE(qelaudioinput_play_file(missing.constData(), 2, 48000, 16), 0);
        QFile empty(dir.filePath("empty.pcm"));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        const QByteArray emptyPath = QFile::encodeName(empty.fileName());
        QCOMPARE(qelaudioinput_play_file(emptyPath.constData(), 2, 48000, 16), 0);
        QCOMPARE(qelaudioinput_play_file(emptyPath.constData(), 2, 48000, 24), 0);
        QCOMPARE(qelaudioinput_play_file(nullptr, 2, 48000, 16), 0);
        int playing = 0;
        long played = 0;
        QCOMPARE(qelaudioinput_get_playback(&playing, &played, nullptr), 0);
    }
};

QTEST_GUILESS_MAIN(TestQelAudioOutput)
#include "tst_qelaudiooutput.moc"
