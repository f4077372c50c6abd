#include <QCheckBox>
#include <QLabel>
#include <QMap>
#include <QSignalSpy>
#include <QSlider>
#include <QtTest>

#include "CameraControlDialog.h"
#include "CameraController.h"
#include "CameraImageDialog.h"
#include "CameraParamRow.h"
#include "SidePopupSelector.h"
#include "UiScale.h"
#include "UniversalButton.h"

namespace {

struct Answer {
    bool enable = true;
    int min = 0;
    int max = 100;
    int step = 1;
    int value = 50;
    bool supportAuto = false;
    bool defaultAuto = false;
};

const QStringList kNames = {"Pu_Brightness",  "Pu_Contrast",     "Pu_Hue",
                            "Pu_Saturation",  "Pu_Sharpness",    "Pu_Gamma",
                            "Pu_ColorEnable", "Pu_WhiteBalance", "Pu_BacklightCompensation",
                            "Pu_Gain",        "Ct_Pan",          "Ct_Tilt",
                            "Ct_Roll",        "Ct_Zoom",         "Ct_Exposure",
                            "Ct_Iris",        "Ct_Focus"};

// Stands in for the camera behind the mediator: answers each request from a table, in turn.
// Types missing from the table are never answered (a property the camera lacks).
class FakeCamera : public QObject {
public:
    explicit FakeCamera(CameraController* c) : m_c(c) {
        connect(c, &CameraController::sigPuCtPropertyTypeChanged, this, [this](int type) {
            requests.append(type);
            if (answers.contains(type)) {
                const Answer a = answers.value(type);
                m_c->InitSlider(a.enable, a.min, a.max, a.step, a.value, a.supportAuto, a.defaultAuto);
            }
        });
        for (int t = 0; t < 17; ++t) {
            answers.insert(t, Answer());
        }
    }
    QMap<int, Answer> answers;
    QVector<int> requests;

private:
    CameraController* m_c;
};

}  // namespace

// The request sequence of the property dialogs, their rules for writing to the camera, and how
// they close. The camera is a table answering through the real mediator.
class TestPropertyDialogs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { overrideUiScale(1.0); }

    void imageSequenceOrderAndNothingWrittenWhileLoading() {
        CameraController c;
        FakeCamera camera(&c);
        // White balance in auto, gamma with an invalid range, sharpness reported disabled.
        camera.answers[7] = {true, 2800, 6500, 10, 4600, true, true};
        camera.answers[5] = {true, 0, 0, 1, 0, false, false};
        camera.answers[4] = {false, 0, 10, 1, 3, true, true};
        camera.answers[9] = {true, 0, 100001, 1, 5, false, false};
        camera.answers[8] = {true, 0, 2, 0, 1, false, false};
        QSignalSpy writes(&c, &CameraController::sigUpdateVideoWidgetProperty);
        QSignalSpy autoWrites(&c, &CameraController::sigUpdateVideoWidgetPropertyAuto);
        c.PuCtPropertyList(kNames);
        CameraImageDialog dialog(&c, nullptr);
        QVERIFY(dialog.isLoading());
        QVERIFY(dialog.content()->isHidden());
        QTRY_VERIFY(!dialog.isLoading());
        QCOMPARE(camera.requests, QVector<int>({0, 1, 3, 2, 5, 4, 7, 9, 8}));
        QVERIFY(dialog.content()->isVisibleTo(&dialog));

        QVERIFY(dialog.row(7)->isAuto());
        QCOMPARE(dialog.row(7)->value(), 4600);
        QCOMPARE(dialog.row(0)->value(), 50);
        // Invalid ranges (min = max, max beyond 100000, step 0) and a disabled answer: greyed out,
        // auto unusable, and the sequence went on past them.
        for (int type : {5, 4, 9, 8}) {
            QVERIFY2(!dialog.row(type)->slider()->isEnabled(), qPrintable(QString::number(type)));
            QVERIFY(!dialog.row(type)->autoBox()->isEnabled());
        }
        // The sharpness row was in no auto state to lose, and nothing at all went back to the camera.
        QCoreApplication::processEvents();
        QCOMPARE(writes.count(), 0);
        QCOMPARE(autoWrites.count(), 0);

        // The user's changes do go back.
        dialog.row(7)->autoBox()->click();
        dialog.row(0)->slider()->setValue(60);
        QTRY_COMPARE(autoWrites.count(), 1);
        QCOMPARE(autoWrites.first(), QVariantList({7, false}));
        QTRY_COMPARE(writes.count(), 1);
        QCOMPARE(writes.first(), QVariantList({0, 60}));
    }

    void mismatchedLateAndEmptyAnswers() {
        CameraController c;
        CameraImageDialog dialog(&c, nullptr);
        QSignalSpy requests(&c, &CameraController::sigPuCtPropertyTypeChanged);
        // No list yet: stays loading; an empty list starts nothing.
        dialog.onPuCtPropertyList({});
        QCoreApplication::processEvents();
        QCOMPARE(requests.count(), 0);

        dialog.onPuCtPropertyList(kNames.mid(0, 12));
        QTRY_COMPARE(requests.count(), 1);
        for (int type : {0, 1, 3}) {
            dialog.onInitSlider(type, true, 0, 10, 1, 5, false, false);
        }
        QCOMPARE(dialog.expectedType(), 2);
        // Sharpness (4) while hue (2) is awaited: dropped, still waiting for hue.
        dialog.onInitSlider(4, true, 0, 10, 1, 7, false, false);
        QCOMPARE(dialog.expectedType(), 2);
        QCOMPARE(dialog.row(4)->value(), 0);
        for (int type : {2, 5, 4, 7, 9, 8}) {
            dialog.onInitSlider(type, true, 0, 10, 1, 5, false, false);
        }
        QVERIFY(!dialog.isLoading());
        // After the sequence, answers are ignored.
        dialog.onInitSlider(0, true, 0, 10, 1, 9, false, false);
        QCOMPARE(dialog.row(0)->value(), 5);
    }

    // A property the camera lacks is never answered: its row is shown disabled and the dialog
    // does not stay behind its spinner.
    void unansweredPropertyDoesNotFreezeTheDialog() {
        CameraController c;
        FakeCamera camera(&c);
        camera.answers.remove(5);
        c.PuCtPropertyList(kNames);
        CameraImageDialog dialog(&c, nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isLoading(), 3 * PropertyDialogBase::kAnswerTimeoutMs);
        QCOMPARE(camera.requests, QVector<int>({0, 1, 3, 2, 5, 4, 7, 9, 8}));
        QVERIFY(!dialog.row(5)->slider()->isEnabled());
        QVERIFY(dialog.row(4)->slider()->isEnabled());
    }

    // The camera's reports set the selectors silently; only the user's choices go back.
    void selectorsSendOnlyUserChoices() {
        CameraController c;
        CameraImageDialog image(&c, nullptr);
        CameraControlDialog control(&c, nullptr);
        QSignalSpy frequency(&c, &CameraController::sigUpdateFrequency);
        QSignalSpy published(&image, &CameraImageDialog::deviceSelected);
        QSignalSpy mirror(&c, &CameraController::sigChangeMirror);
        QSignalSpy flip(&c, &CameraController::sigChangeFlip);
        c.SetFrequency(1);  // the camera reports 60 Hz
        c.SetMirror(false);
        c.SetFlip(true);
        c.EnableFlip(false);
        QTRY_COMPARE(image.frequencySelector()->currentIndex(), 1);
        QCOMPARE(control.mirrorSelector()->currentIndex(), 1);
        QCOMPARE(control.flipSelector()->currentIndex(), 0);
        QVERIFY(!control.flipSelector()->isEnabled());
        QVERIFY(!control.flipLabel()->isEnabled());
        QCoreApplication::processEvents();
        QCOMPARE(frequency.count() + mirror.count() + flip.count(), 0);
        image.frequencySelector()->setCurrentIndex(0);  // the user picks 50 Hz
        control.mirrorSelector()->setCurrentIndex(0);
        QTRY_COMPARE(frequency.count(), 1);
        QCOMPARE(frequency.first().at(0).toInt(), 0);
        QCOMPARE(published.count(), 1);
        QTRY_COMPARE(mirror.count(), 1);
        QCOMPARE(mirror.first().at(0).toBool(), true);
    }

    // Each reset resets its own properties, reads them again and puts auto back where offered;
    // the control reset also turns mirror and flip off.
    void resetsRestoreAndReload() {
        CameraController c;
        FakeCamera camera(&c);
        camera.answers[7] = {true, 2800, 6500, 10, 4600, true, false};
        camera.answers[14] = {true, 1, 5000, 1, 156, true, true};
        c.PuCtPropertyList(kNames);
        CameraImageDialog image(&c, nullptr);
        QTRY_VERIFY(!image.isLoading());
        QSignalSpy resets(&c, &CameraController::sigResetVideoWidgetProperty);
        QSignalSpy autoWrites(&c, &CameraController::sigUpdateVideoWidgetPropertyAuto);
        camera.requests.clear();
        image.resetButton()->click();
        QTRY_VERIFY(!image.isLoading());
        QCOMPARE(camera.requests, QVector<int>({0, 1, 3, 2, 5, 4, 7, 9, 8}));
        QCOMPARE(resets.count(), 9);
        QCOMPARE(autoWrites.count(), 1);  // only white balance offers auto
        QCOMPARE(autoWrites.first(), QVariantList({7, true}));

        CameraControlDialog control(&c, nullptr);
        QTRY_VERIFY(!control.isLoading());
        c.SetMirror(true);
        c.SetFlip(true);
        QSignalSpy mirror(&c, &CameraController::sigChangeMirror);
        QSignalSpy flip(&c, &CameraController::sigChangeFlip);
        resets.clear();
        control.resetButton()->click();
        QTRY_VERIFY(!control.isLoading());
        QCOMPARE(mirror.count(), 1);
        QCOMPARE(mirror.first().at(0).toBool(), false);
        QCOMPARE(flip.count(), 1);
        QCOMPARE(flip.first().at(0).toBool(), false);
        QCOMPARE(resets.count(), 3);
    }

    void controlDialogForcesExposureAuto_data() {
        QTest::addColumn<bool>("enable");
        QTest::newRow("enabled, camera says manual") << true;
        QTest::newRow("disabled but auto-capable") << false;
    }

    void controlDialogForcesExposureAuto() {
        QFETCH(bool, enable);
        CameraController c;
        FakeCamera camera(&c);
        camera.answers[14] = {enable, 1, 5000, 1, 156, true, false};
        camera.answers[16] = {true, 0, 1023, 1, 300, true, true};
        QSignalSpy autoWrites(&c, &CameraController::sigUpdateVideoWidgetPropertyAuto);
        QSignalSpy writes(&c, &CameraController::sigUpdateVideoWidgetProperty);
        c.PuCtPropertyList(kNames);
        CameraControlDialog dialog(&c, nullptr);
        QTRY_VERIFY(!dialog.isLoading());
        QCOMPARE(camera.requests, QVector<int>({14, 15, 16}));
        QVERIFY(dialog.exposureRow()->isAuto());
        QCOMPARE(dialog.exposureRow()->slider()->isEnabled(), enable);
        QVERIFY(dialog.focusRow()->isAuto());
        QCoreApplication::processEvents();
        // Exposure to auto is the one write of loading.
        QCOMPARE(autoWrites.count(), 1);
        QCOMPARE(autoWrites.first(), QVariantList({14, true}));
        QCOMPARE(writes.count(), 0);
    }

    // A press outside closes a dialog, a press inside does not (Esc is checked end to end).
    void closingByOutsidePress() {
        CameraController c;
        QWidget mainWindow;
        mainWindow.setGeometry(0, 0, 1600, 1000);
        mainWindow.show();
        CameraImageDialog dialog(&c, &mainWindow);
        dialog.move(600, 100);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(&dialog, Qt::LeftButton, {}, QPoint(30, 30));
        QVERIFY(dialog.isVisible());
        QTest::mouseClick(&mainWindow, Qt::LeftButton, {}, QPoint(100, 900));
        QVERIFY(dialog.isHidden());
    }
};

QTEST_MAIN(TestPropertyDialogs)
#include "tst_propertydialogs.moc"
