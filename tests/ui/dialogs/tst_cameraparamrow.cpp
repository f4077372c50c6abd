#include <QCheckBox>
#include <QLabel>
#include <QSignalSpy>
#include <QSlider>
#include <QtTest>

#include "CameraParamRow.h"
#include "UiScale.h"

// The parameter row's rules: when the slider and the auto box are usable, and which changes
// are reported to the dialog.
class TestCameraParamRow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { overrideUiScale(1.0); }

    void loadingReportsNoValueAndCoercesTheStep() {
        CameraParamRow row("亮度");
        QSignalSpy values(&row, &CameraParamRow::valueChanged);
        for (int step : {0, -3}) {
            row.setRange(-64, 64, step, 12, false, false);
            QCOMPARE(row.slider()->singleStep(), 1);
            QCOMPARE(row.slider()->pageStep(), 1);
        }
        row.setRange(0, 100, 5, 40, false, false);
        row.setValue(55);
        QCOMPARE(values.count(), 0);
        QCOMPARE(row.valueLabel()->text(), QString("55"));
        QCOMPARE(row.slider()->pageStep(), 5);
    }

    // The user moves a focused slider with the keys: one report per change, with the new value.
    void arrowKeysMoveAFocusedSlider() {
        QWidget window;
        auto* row = new CameraParamRow("亮度", &window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        row->setRange(-10, 10, 2, 0, false, false);
        QSignalSpy values(row, &CameraParamRow::valueChanged);
        row->slider()->setFocus();
        QTest::keyClick(row->slider(), Qt::Key_Right);
        QTest::keyClick(row->slider(), Qt::Key_Right);
        QTest::keyClick(row->slider(), Qt::Key_Left);
        QCOMPARE(values.count(), 3);
        QCOMPARE(values.last().at(0).toInt(), 2);
        QCOMPARE(row->valueLabel()->text(), QString("2"));

        // In auto the camera owns the value: neither keys nor the mouse move it.
        row->setRange(-10, 10, 2, 0, true, true);
        QCOMPARE(row->slider()->focusPolicy(), Qt::NoFocus);
        QVERIFY(row->slider()->testAttribute(Qt::WA_TransparentForMouseEvents));
        QVERIFY(!row->valueLabel()->isEnabled());
        row->setAuto(false);
        QVERIFY(!row->slider()->testAttribute(Qt::WA_TransparentForMouseEvents));
        QVERIFY(row->valueLabel()->isEnabled());
        QCOMPARE(row->slider()->focusPolicy(), Qt::StrongFocus);
    }

    void autoRules_data() {
        QTest::addColumn<bool>("supportAuto");
        QTest::addColumn<bool>("defaultAuto");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<int>("autoReports");
        QTest::newRow("no auto, camera says auto") << false << true << false << 0;
        QTest::newRow("auto offered, on") << true << true << true << 1;
        QTest::newRow("auto offered, off") << true << false << false << 0;
    }

    void autoRules() {
        QFETCH(bool, supportAuto);
        QFETCH(bool, defaultAuto);
        QFETCH(bool, checked);
        QFETCH(int, autoReports);
        CameraParamRow row("白平横");
        QSignalSpy autos(&row, &CameraParamRow::autoChanged);
        row.setRange(2800, 6500, 10, 4600, supportAuto, defaultAuto);
        QCOMPARE(row.isAuto(), checked);
        QCOMPARE(row.autoBox()->isEnabled(), supportAuto);
        QCOMPARE(row.slider()->testAttribute(Qt::WA_TransparentForMouseEvents), checked);
        QCOMPARE(row.checkMark()->isVisibleTo(&row), checked);
        QCOMPARE(row.autoFrame()->property("locked").toBool(), !supportAuto);
        QCOMPARE(autos.count(), autoReports);
    }

    void codeChangesOfAutoAreSilentButDisablingIsReported() {
        CameraParamRow row("曝光");
        QSignalSpy autos(&row, &CameraParamRow::autoChanged);
        row.setRange(1, 5000, 1, 100, true, false);
        row.setAuto(true);
        QCOMPARE(autos.count(), 0);
        QVERIFY(row.isAuto());
        // A row leaving auto because it is disabled tells its owner once.
        row.setParamEnabled(false);
        QCOMPARE(autos.count(), 1);
        QCOMPARE(autos.first().at(0).toBool(), false);
        QVERIFY(!row.checkMark()->isVisibleTo(&row));
        QVERIFY(!row.autoBox()->isEnabled());
        row.setParamEnabled(false);
        QCOMPARE(autos.count(), 1);
        // The user's click on the box is reported.
        row.setParamEnabled(true);
        row.setAutoSupported(true);
        row.autoBox()->click();
        QCOMPARE(autos.count(), 2);
        QCOMPARE(autos.last().at(0).toBool(), true);
    }
};

QTEST_MAIN(TestCameraParamRow)
#include "tst_cameraparamrow.moc"
