#include <QtTest>

#include "qeldefine.h"

class TestQelDefine : public QObject {
    Q_OBJECT

private slots:
    void namesKnownTypesOnly() {
        char buf[QEL_TEXT_BUFFER_SIZE];
        QCOMPARE(qeldefine_get_media_type_string(QEL_MEDIA_MJPEG, buf), 1);
        QCOMPARE(QByteArray(buf), QByteArray("MJPG"));
        QCOMPARE(qeldefine_get_media_type_string(QEL_MEDIA_H265, buf), 1);
        QCOMPARE(QByteArray(buf), QByteArray("H265"));
        for (const int unknown : {0, -1, QEL_MEDIA_LAST + 1}) {
            QCOMPARE(qeldefine_get_media_type_string(unknown, buf), 0);
        }
        QCOMPARE(QByteArray(buf), QByteArray("H265"));  // left alone
        QCOMPARE(qeldefine_get_media_type_string(QEL_MEDIA_H264, nullptr), 0);
    }
};

QTEST_APPLESS_MAIN(TestQelDefine)
#include "tst_qeldefine.moc"
