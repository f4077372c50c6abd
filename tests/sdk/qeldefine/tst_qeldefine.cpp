#include <QtTest>
#include <cstring>

#include "qeldefine.h"

class TestQelDefine : public QObject {
    Q_OBJECT

private slots:
    void namesTheModelsTypes() {
        char buf[QEL_TEXT_BUFFER_SIZE];
        QCOMPARE(qeldefine_get_media_type_string(QEL_MEDIA_H264, buf), 1);
        QCOMPARE(QByteArray(buf), QByteArray("H264"));
        QCOMPARE(qeldefine_get_media_type_string(QEL_MEDIA_MJPEG, buf), 1);
        QCOMPARE(QByteArray(buf), QByteArray("MJPG"));
        QCOMPARE(qeldefine_get_media_type_string(QEL_MEDIA_YUY2, buf), 1);
        QCOMPARE(QByteArray(buf), QByteArray("YUY2"));
        QCOMPARE(qeldefine_get_media_type_string(QEL_MEDIA_H265, buf), 1);
        QCOMPARE(QByteArray(buf), QByteArray("H265"));
    }

    void refusesUnknownTypesAndNullBuffers() {
        char buf[QEL_TEXT_BUFFER_SIZE] = "unchanged";
        QCOMPARE(qeldefine_get_media_type_string(0, buf), 0);
        QCOMPARE(qeldefine_get_media_type_string(QEL_MEDIA_LAST + 1, buf), 0);
        QCOMPARE(qeldefine_get_media_type_string(-1, buf), 0);
        QCOMPARE(QByteArray(buf), QByteArray("unchanged"));
        QCOMPARE(qeldefine_get_media_type_string(QEL_MEDIA_H264, nullptr), 0);
    }
};

QTEST_APPLESS_MAIN(TestQelDefine)
#include "tst_qeldefine.moc"
