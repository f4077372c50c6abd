// Photo files as the photo writer makes them: encoding, camera JPEGs kept, EXIF, damaged frames.
#include <libexif/exif-data.h>

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

#include "ICameraModel.h"
#include "JpegPhoto.h"
#include "JpegProbe.h"
#include "PhotoStamp.h"
#include "PhotoWriter.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 360;
// BT.601 limited-range YUV of pure red and pure green.
constexpr int kRedYuv[3] = {81, 90, 240};
constexpr int kGreenYuv[3] = {145, 54, 34};

// Left half red, right half green: a swapped chroma pair or a wrong layout changes the colours.
QImage redGreen() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::green);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth / 2; ++x) {
            image.setPixel(x, y, qRgb(255, 0, 0));
        }
    }
    return image;
}

const int* yuvAt(int x) {
    return x < kWidth / 2 ? kRedYuv : kGreenYuv;
}

// Every row is alike: one row repeated.
QByteArray redGreenYuy2() {
    QByteArray row;
    for (int x = 0; x < kWidth; x += 2) {
        const int* c = yuvAt(x);
        row.append(char(c[0])).append(char(c[1])).append(char(c[0])).append(char(c[2]));
    }
    return row.repeated(kHeight);
}

QByteArray redGreenI420() {
    QByteArray y;
    QByteArray u;
    QByteArray v;
    for (int x = 0; x < kWidth; ++x) {
        y.append(char(yuvAt(x)[0]));
        if (x % 2 == 0) {
            u.append(char(yuvAt(x)[1]));
            v.append(char(yuvAt(x)[2]));
        }
    }
    return y.repeated(kHeight) + u.repeated(kHeight / 2) + v.repeated(kHeight / 2);
}

PhotoWriter::Job job(const QString& source, bool stamped) {
    PhotoWriter::Job j;
    j.width = kWidth;
    j.height = kHeight;
    j.taken = QDateTime(QDate(2026, 3, 20), QTime(14, 30, 5));
    j.camera = QStringLiteral("Corvix Test Camera");
    if (source == "mjpeg 4:2:2") {
        j.jpeg = makeJpeg(redGreen(), 70, 2, 1);
    } else if (source == "mjpeg 4:4:4") {
        j.jpeg = makeJpeg(redGreen(), 70, 1, 1);
    } else if (source == "mjpeg 4:2:0") {
        j.jpeg = makeJpeg(redGreen(), 70, 2, 2);
    } else if (source == "yuy2") {
        j.yuy2 = redGreenYuy2();
    } else {
        j.yuv420 = redGreenI420();
    }
    if (stamped) {
        j.stamp = PhotoStamp(QFont());
        j.stamp.setText(j.taken.toString(QString::fromLatin1(PhotoStamp::kDateFormat)));
    }
    return j;
}

bool near(QRgb pixel, QRgb expected) {
    return qAbs(qRed(pixel) - qRed(expected)) <= 16 && qAbs(qGreen(pixel) - qGreen(expected)) <= 16 &&
           qAbs(qBlue(pixel) - qBlue(expected)) <= 16;
}

// Index of the first segment with marker in jpegSegments(jpeg), or -1.
int segmentIndex(const QByteArray& jpeg, int marker) {
    const QList<JpegSegment> segments = jpegSegments(jpeg);
    for (int i = 0; i < segments.size(); ++i) {
        if (segments.at(i).marker == marker) {
            return i;
        }
    }
    return -1;
}

bool isExif(const QByteArray& jpeg, const JpegSegment& s) {
    return s.marker == 0xE1 && jpeg.mid(s.offset + 4, 6) == QByteArray("Exif\0\0", 6);
}

}  // namespace

class TestPhotoEncode : public QObject {
    Q_OBJECT

private slots:
    void encodedOnceAtQuality95WithTheCamerasChroma_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("stamped");
        QTest::addColumn<int>("quality");
        QTest::addColumn<int>("lumaV");  // luma is always 2 across: 4:2:2 (1) or 4:2:0 (2)
        QTest::newRow("mjpeg 4:2:2 stamped") << "mjpeg 4:2:2" << true << 95 << 1;
        QTest::newRow("mjpeg 4:4:4 stamped") << "mjpeg 4:4:4" << true << 95 << 1;
        QTest::newRow("mjpeg 4:2:0 stamped") << "mjpeg 4:2:0" << true << 95 << 2;
        QTest::newRow("yuy2") << "yuy2" << false << 95 << 1;
        QTest::newRow("yuy2 stamped") << "yuy2" << true << 95 << 1;
        QTest::newRow("i420") << "i420" << false << 95 << 2;
        QTest::newRow("i420 stamped") << "i420" << true << 95 << 2;
        // Without a stamp the camera's JPEG is not encoded again: its own quality stays.
        QTest::newRow("mjpeg 4:2:2 kept") << "mjpeg 4:2:2" << false << 70 << 1;
    }
    void encodedOnceAtQuality95WithTheCamerasChroma() {
        QFETCH(QString, source);
        QFETCH(bool, stamped);
        QFETCH(int, quality);
        QFETCH(int, lumaV);
        QByteArray bytes;
        QCOMPARE(PhotoWriter::makePhoto(job(source, stamped), &bytes), 0);
        const ProbedJpeg photo = probeJpeg(bytes);
        QVERIFY(photo.ok);
        QCOMPARE(QSize(photo.width, photo.height), QSize(kWidth, kHeight));
        QCOMPARE(photo.quality, quality);
        QCOMPARE(photo.lumaH, 2);
        QCOMPARE(photo.lumaV, lumaV);
        QCOMPARE(photo.chromaH, 1);
        QCOMPARE(photo.chromaV, 1);
        // The colours survive (the lower half is clear of the stamp).
        const QRgb left = photo.image.pixel(kWidth / 4, kHeight * 3 / 4);
        const QRgb right = photo.image.pixel(kWidth * 3 / 4, kHeight * 3 / 4);
        QVERIFY2(near(left, qRgb(255, 0, 0)), qPrintable(QColor(left).name()));
        QVERIFY2(near(right, qRgb(0, 255, 0)), qPrintable(QColor(right).name()));
    }

    void cameraJpegKeptByteForByte_data() {
        QTest::addColumn<bool>("tables");
        QTest::addColumn<bool>("jfif");
        QTest::newRow("tables, JFIF") << true << true;
        QTest::newRow("tables, no JFIF") << true << false;
        QTest::newRow("no tables, JFIF") << false << true;
        QTest::newRow("no tables, no JFIF") << false << false;
    }
    void cameraJpegKeptByteForByte() {
        QFETCH(bool, tables);
        QFETCH(bool, jfif);
        QByteArray frame = makeJpeg(redGreen(), 80, 2, 1, jfif);
        if (!tables) {
            // Motion-JPEG cameras leave out the standard tables.
            QList<int> dht;
            const QList<JpegSegment> segments = jpegSegments(frame);
            for (int i = 0; i < segments.size(); ++i) {
                if (segments.at(i).marker == 0xC4) {
                    dht.append(i);
                }
            }
            QVERIFY(!dht.isEmpty());
            frame = withoutSegments(frame, dht);
        }
        PhotoWriter::Job j = job("mjpeg 4:2:2", false);
        j.jpeg = frame;
        QByteArray bytes;
        QCOMPARE(PhotoWriter::makePhoto(j, &bytes), 0);

        const QList<JpegSegment> segments = jpegSegments(bytes);
        // EXIF right after SOI, or after the JFIF header.
        const int exif = jfif ? 2 : 1;
        QVERIFY(segments.size() > exif);
        if (jfif) {
            QCOMPARE(segments.at(1).marker, 0xE0);
        }
        QVERIFY(isExif(bytes, segments.at(exif)));
        QList<int> added{exif};
        if (!tables) {
            // One DHT, just before the scan.
            const int sos = segmentIndex(bytes, 0xDA);
            QCOMPARE(segmentIndex(bytes, 0xC4), sos - 1);
            added.append(sos - 1);
        }
        // Take out what was added and the camera's frame is left, every byte of it.
        QVERIFY(withoutSegments(bytes, added) == frame);
        const ProbedJpeg photo = probeJpeg(bytes);
        QVERIFY(photo.ok);
        // The inserted tables are the ones a decoder assumes for a frame without any.
        QVERIFY(photo.image == probeJpeg(frame).image);
    }

    void exifCarriesWhenWhoAndWhat_data() {
        QTest::addColumn<QString>("source");
        QTest::newRow("camera's JPEG") << "mjpeg 4:2:2";
        QTest::newRow("encoded") << "i420";
    }
    void exifCarriesWhenWhoAndWhat() {
        QFETCH(QString, source);
        QByteArray bytes;
        QCOMPARE(PhotoWriter::makePhoto(job(source, false), &bytes), 0);
        QCOMPARE(exifValue(bytes, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL),
                 QString("2026:03:20 14:30:05"));
        QCOMPARE(exifValue(bytes, EXIF_IFD_0, EXIF_TAG_DATE_TIME), QString("2026:03:20 14:30:05"));
        QCOMPARE(exifValue(bytes, EXIF_IFD_0, EXIF_TAG_MODEL), QString("Corvix Test Camera"));
        const QString software = exifValue(bytes, EXIF_IFD_0, EXIF_TAG_SOFTWARE);
        QVERIFY2(QRegularExpression("^Corvix \\d+\\.\\d+\\.\\d+$").match(software).hasMatch(),
                 qPrintable(software));
        QCOMPARE(exifValue(bytes, EXIF_IFD_EXIF, EXIF_TAG_PIXEL_X_DIMENSION), QString::number(kWidth));
        QCOMPARE(exifValue(bytes, EXIF_IFD_EXIF, EXIF_TAG_PIXEL_Y_DIMENSION), QString::number(kHeight));
        // No camera maker is known: none is made up.
        QCOMPARE(exifValue(bytes, EXIF_IFD_0, EXIF_TAG_MAKE), QString());
    }

    // A frame libjpeg refuses gives no photo: kPhotoNotEncoded and no file, not even a temporary one.
    void damagedFrameLeavesNoFile_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("stamped");
        const QByteArray good = makeJpeg(redGreen(), 80, 2, 1);
        QTest::newRow("cut in half") << good.left(good.size() / 2) << false;
        QTest::newRow("cut in half, stamped") << good.left(good.size() / 2) << true;
        QTest::newRow("not a JPEG") << QByteArray(5000, 'x') << false;
        QTest::newRow("headers only") << good.left(jpegSegments(good).last().offset) << false;
        QByteArray badLength = good;
        badLength[4] = char(0xFF);  // the first segment claims to run past the end
        badLength[5] = char(0xFF);
        QTest::newRow("segment past the end") << badLength << false;
    }
    void damagedFrameLeavesNoFile() {
        QFETCH(QByteArray, frame);
        QFETCH(bool, stamped);
        QTemporaryDir dir;
        const QString path = dir.filePath("damaged.jpg");
        QList<int> errors;
        {
            PhotoWriter writer([&](const QString&, int error) { errors.append(error); });
            PhotoWriter::Job j = job("mjpeg 4:2:2", stamped);
            j.path = path;
            j.jpeg = frame;
            writer.submit(j);
        }  // written (or refused) before the writer goes
        QCOMPARE(errors, QList<int>{kPhotoNotEncoded});
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
};

QTEST_MAIN(TestPhotoEncode)
#include "tst_photoencode.moc"
