// Photo naming, YUV to RGB conversion, WAV wrapping and the choice of the output folder.
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <cstring>

#include "CCameraModel.h"
#include "MediaProbe.h"
#include "UniqueFileName.h"
#include "WavFile.h"
#include "YuvConverter.h"

class TestCoreHelpers : public QObject {
    Q_OBJECT

private slots:
    void uniqueNameNeverOverwrites();
    void yuvConversion();
    void wavFromPcmIsPlayable();
    void outputFolderFallsBackWhenTheAppFolderIsUnusable();
};

void TestCoreHelpers::uniqueNameNeverOverwrites() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString photo = dir.filePath(QStringLiteral("20260320_143005.jpg"));
    QCOMPARE(uniqueFilePath(photo), photo);
    QFile(photo).open(QIODevice::WriteOnly);
    const QString second = uniqueFilePath(photo);
    QCOMPARE(second, dir.filePath(QStringLiteral("20260320_143005_2.jpg")));
    QFile(second).open(QIODevice::WriteOnly);
    QCOMPARE(uniqueFilePath(photo), dir.filePath(QStringLiteral("20260320_143005_3.jpg")));

    // A dot in a folder name is not a suffix; a name without suffix gets the number at its end.
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("a.b")));
    const QString bare = dir.filePath(QStringLiteral("a.b/sound"));
    QFile(bare).open(QIODevice::WriteOnly);
    QCOMPARE(uniqueFilePath(bare), dir.filePath(QStringLiteral("a.b/sound_2")));
}

void TestCoreHelpers::yuvConversion() {
    // Black and white stay black and white (limited range).
    QByteArray rgb(4 * 2 * 3, char(0x55));
    for (const int luma : {16, 235}) {
        QByteArray grey(yuv420pFrameSize(4, 2), char(128));
        memset(grey.data(), luma, 4 * 2);
        yuv420pToRgb24(reinterpret_cast<const unsigned char*>(grey.constData()), 4, 2,
                       reinterpret_cast<unsigned char*>(rgb.data()));
        QCOMPARE(rgb, QByteArray(4 * 2 * 3, char(luma == 16 ? 0 : 255)));
    }

    // 4 x 2: the left 2x2 block is pure red in BT.601 (Y 81, U 90, V 240), the right one grey.
    QByteArray yuv(yuv420pFrameSize(4, 2), char(0));
    unsigned char* p = reinterpret_cast<unsigned char*>(yuv.data());
    const unsigned char planes[12] = {81, 81, 126, 126, 81, 81, 126, 126, 90, 128, 240, 128};
    memcpy(p, planes, sizeof planes);
    const QImage image = yuv420pToImage(p, yuv.size(), 4, 2);
    QCOMPARE(image.size(), QSize(4, 2));
    const QColor red = image.pixelColor(1, 1);
    QVERIFY2(red.red() > 240 && red.green() < 10 && red.blue() < 10, qPrintable(red.name()));
    const QColor grey = image.pixelColor(2, 0);
    QCOMPARE(grey.red(), grey.green());
    QCOMPARE(grey.green(), grey.blue());

    // Odd sizes: chroma planes are rounded up; the last column reads its own chroma sample.
    QCOMPARE(yuv420pFrameSize(3, 3), 9 + 2 * 4);
    QByteArray odd(yuv420pFrameSize(3, 3), char(128));
    memset(odd.data(), 81, 9);
    odd[9 + 1] = char(90);    // U of column 2
    odd[13 + 1] = char(240);  // V of column 2
    const QImage oddImage =
        yuv420pToImage(reinterpret_cast<const unsigned char*>(odd.constData()), odd.size(), 3, 3);
    QVERIFY(oddImage.pixelColor(2, 0).red() > 240);
    QVERIFY(oddImage.pixelColor(0, 0).red() < 100);

    // A row length that is not a multiple of four still converts every row.
    QByteArray narrow(yuv420pFrameSize(6, 2), char(128));
    memset(narrow.data(), 235, 12);
    const QImage small =
        yuv420pToImage(reinterpret_cast<const unsigned char*>(narrow.constData()), narrow.size(), 6, 2);
    QCOMPARE(small.pixel(5, 1), qRgb(255, 255, 255));

    // A full-HD frame has its size; short or missing buffers and empty sizes give nothing.
    const int w = 1920;
    const int h = 1080;
    QByteArray frame(yuv420pFrameSize(w, h), char(128));
    memset(frame.data(), 16, w * h);
    const auto* data = reinterpret_cast<const unsigned char*>(frame.constData());
    const QImage full = yuv420pToImage(data, frame.size(), w, h);
    QCOMPARE(full.size(), QSize(w, h));
    QCOMPARE(full.pixel(w - 1, h - 1), qRgb(0, 0, 0));
    QVERIFY(yuv420pToImage(data, frame.size() - 1, w, h).isNull());
    QVERIFY(yuv420pToImage(nullptr, frame.size(), w, h).isNull());
    QVERIFY(yuv420pToImage(data, frame.size(), 0, h).isNull());
}

void TestCoreHelpers::wavFromPcmIsPlayable() {
    QTemporaryDir dir;
    const QString pcmPath = dir.filePath(QStringLiteral("sound.pcm"));
    const QString wavPath = dir.filePath(QStringLiteral("sound.wav"));
    // 0.5 s of a square wave, 2 channels, 48000 Hz, 16 bits, plus one stray byte.
    QByteArray pcm;
    for (int i = 0; i < 24000; ++i) {
        const qint16 v = (i / 50) % 2 ? 8000 : -8000;
        char s[2];
        qToLittleEndian<qint16>(v, s);
        pcm.append(s, 2).append(s, 2);
    }
    pcm.append('x');
    {
        QFile f(pcmPath);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(pcm);
    }
    QVERIFY(writeWavFromPcm(pcmPath, wavPath, 2, 48000, 16));
    QFile wav(wavPath);
    QVERIFY(wav.open(QIODevice::ReadOnly));
    const QByteArray bytes = wav.readAll();
    QCOMPARE(bytes.size(), 44 + 96000);
    QCOMPARE(bytes.left(4), QByteArray("RIFF"));
    QCOMPARE(qFromLittleEndian<quint32>(bytes.constData() + 4), quint32(36 + 96000));
    QCOMPARE(qFromLittleEndian<quint32>(bytes.constData() + 28), quint32(48000 * 4));
    QCOMPARE(qFromLittleEndian<quint32>(bytes.constData() + 40), quint32(96000));
    QCOMPARE(bytes.mid(44), pcm.left(96000));

    const ProbedMedia media = probeMedia(wavPath);
    QVERIFY2(media.ok, qPrintable(media.error));
    QCOMPARE(media.format, QStringLiteral("wav"));
    QCOMPARE(media.count(QStringLiteral("audio")), 1);
    const ProbedStream* audio = media.first(QStringLiteral("audio"));
    QCOMPARE(audio->codec, QStringLiteral("pcm_s16le"));
    QCOMPARE(audio->channels, 2);
    QCOMPARE(audio->sampleRate, 48000);

    QVERIFY(!writeWavFromPcm(dir.filePath(QStringLiteral("missing.pcm")), wavPath, 2, 48000, 16));
}

void TestCoreHelpers::outputFolderFallsBackWhenTheAppFolderIsUnusable() {
    QTemporaryDir dir;
    // A usable application folder is kept (and its output folder made).
    const QString app = dir.filePath(QStringLiteral("app"));
    const QString fallback = dir.filePath(QStringLiteral("data"));
    QCOMPARE(CCameraModel::ChooseOutputDir(app, fallback), app + QStringLiteral("/output"));
    QVERIFY(QFileInfo(app + QStringLiteral("/output")).isDir());

    // An application folder whose output cannot be made (a file is in the way; this holds even
    // for root, who may write into read-only folders) falls back to the per-user data folder.
    const QString blocked = dir.filePath(QStringLiteral("blocked"));
    QFile(blocked).open(QIODevice::WriteOnly);
    QCOMPARE(CCameraModel::ChooseOutputDir(blocked, fallback), fallback + QStringLiteral("/output"));
    QVERIFY(QFileInfo(fallback + QStringLiteral("/output")).isDir());

    // An installed program's folder is left alone even where it could be written (root).
    QCOMPARE(CCameraModel::ChooseOutputDir(QStringLiteral("/usr/bin"), fallback),
             fallback + QStringLiteral("/output"));
    QVERIFY(!QFileInfo::exists(QStringLiteral("/usr/bin/output")));
}

QTEST_GUILESS_MAIN(TestCoreHelpers)
#include "tst_corehelpers.moc"
