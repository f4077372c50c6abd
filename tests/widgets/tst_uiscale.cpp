// Runs without a QApplication: the process has no screen at all.
#include <QtTest>

#include "UiScale.h"

class TestUiScale : public QObject {
    Q_OBJECT
private slots:
    void factorForScreen_data() {
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<double>("expected");
        QTest::newRow("1920x1080") << QRect(0, 0, 1920, 1080) << 1.0;
        QTest::newRow("3840x2160") << QRect(0, 0, 3840, 2160) << 2.0;
        QTest::newRow("1366x768 clamped up") << QRect(0, 0, 1366, 768) << 0.75;
        QTest::newRow("2560x1080 height bound") << QRect(0, 0, 2560, 1080) << 1.0;
        QTest::newRow("5120x2880 clamped down") << QRect(0, 0, 5120, 2880) << 2.0;
        QTest::newRow("task bar 1920x1040") << QRect(0, 0, 1920, 1040) << 1040 / 1080.0;
        QTest::newRow("second screen, inclusive corners")
            << QRect(QPoint(1920, 0), QPoint(1920 + 2879, 1619)) << 1.5;
        QTest::newRow("no screen") << QRect() << 1.0;
    }
    void factorForScreen() {
        QFETCH(QRect, geometry);
        QFETCH(double, expected);
        QCOMPARE(uiScaleForGeometry(geometry), expected);
    }

    void rounding_data() {
        QTest::addColumn<int>("n");
        QTest::addColumn<double>("factor");
        QTest::addColumn<int>("expected");
        QTest::newRow("down") << 3 << 0.75 << 2;          // 2.25
        QTest::newRow("half up") << 94 << 0.75 << 71;     // 70.5
        QTest::newRow("half up small") << 5 << 0.5 << 3;  // 2.5
        QTest::newRow("doubled") << 42 << 2.0 << 84;
    }
    void rounding() {
        QFETCH(int, n);
        QFETCH(double, factor);
        QFETCH(int, expected);
        QCOMPARE(scaledBy(n, factor), expected);
    }

    // Without a screen the factor is one; an override takes precedence and can be lifted.
    void overrideTakesPrecedenceAndCanBeLifted() {
        QCOMPARE(scaled(94), 94);
        overrideUiScale(2.0);
        QCOMPARE(scaled(42), 84);
        overrideUiScale(0);
        QCOMPARE(uiScale(), 1.0);
    }
};

QTEST_APPLESS_MAIN(TestUiScale)
#include "tst_uiscale.moc"
