#include <QCheckBox>
#include <QSlider>
#include <QtTest>

#include "CameraControlDialog.h"
#include "CameraImageDialog.h"
#include "CameraParamRow.h"
#include "DialogRig.h"
#include "SidePopupSelector.h"
#include "UiScale.h"
#include "UniversalButton.h"
#include "qelds.h"

namespace {

constexpr int kPropertyCount = 17;
constexpr int kBrightness = 0;
constexpr int kWhiteBalance = 7;

struct PropertyState {
    int value = 0;
    bool autoMode = false;
    bool operator==(const PropertyState& o) const { return value == o.value && autoMode == o.autoMode; }
};

QVector<PropertyState> cameraState() {
    QVector<PropertyState> state(kPropertyCount);
    for (int id = 0; id < kPropertyCount; ++id) {
        DialogRig::cameraProperty(id, &state[id].value, &state[id].autoMode);
    }
    return state;
}

int cameraDefault(int id) {
    int supported = 0, min = 0, max = 0, step = 0, def = 0, autoSupported = 0;
    qelcamera_pu_ct_get_range(0, id, &supported, &min, &max, &step, &def, &autoSupported);
    return def;
}

}  // namespace

// The dialogs against the virtual camera, through the real video widget and presenter.
class TestDialogsCamera : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        overrideUiScale(1.0);
        m_rig = new DialogRig;
        QVERIFY(m_rig->start());
    }
    void cleanupTestCase() { delete m_rig; }

    void openingTheDialogsChangesNothingInTheCamera() {
        const QVector<PropertyState> before = cameraState();
        // The virtual camera starts with its auto-capable properties in auto (white balance too).
        QVERIFY(before[kWhiteBalance].autoMode);
        CameraImageDialog image(m_rig->controller(), nullptr);
        CameraControlDialog control(m_rig->controller(), nullptr);
        QTRY_VERIFY(!image.isLoading() && !control.isLoading());
        QVERIFY(image.row(kWhiteBalance)->isAuto());
        QCOMPARE(image.row(kBrightness)->value(), before[kBrightness].value);
        QTest::qWait(50);  // let any queued write reach the camera
        QVERIFY(cameraState() == before);
    }

    void userChangesAndResetReachTheCamera() {
        CameraImageDialog dialog(m_rig->controller(), nullptr);
        QTRY_VERIFY(!dialog.isLoading());
        CameraParamRow* brightness = dialog.row(kBrightness);
        const int target = brightness->slider()->maximum();
        brightness->slider()->setValue(target);
        dialog.row(kWhiteBalance)->autoBox()->click();
        PropertyState s;
        QTRY_VERIFY(DialogRig::cameraProperty(kBrightness, &s.value, &s.autoMode) && s.value == target);
        QTRY_VERIFY(DialogRig::cameraProperty(kWhiteBalance, &s.value, &s.autoMode) && !s.autoMode);

        dialog.resetButton()->click();
        QTRY_VERIFY(!dialog.isLoading());
        QVERIFY(DialogRig::cameraProperty(kBrightness, &s.value, &s.autoMode));
        QCOMPARE(s.value, cameraDefault(kBrightness));
        QVERIFY(DialogRig::cameraProperty(kWhiteBalance, &s.value, &s.autoMode));
        QVERIFY(s.autoMode);
        QCOMPARE(s.value, cameraDefault(kWhiteBalance));
        // The rows were read again.
        QCOMPARE(brightness->value(), cameraDefault(kBrightness));
        QVERIFY(dialog.row(kWhiteBalance)->isAuto());
    }

    void frequencyAndMirrorChoicesReachTheCamera() {
        CameraImageDialog image(m_rig->controller(), nullptr);
        CameraControlDialog control(m_rig->controller(), nullptr);
        int value = 0;
        QVERIFY(qelcamera_get_frequency(0, &value));
        const int other = value == 1 ? 1 : 0;  // selector index of the frequency not in use
        image.frequencySelector()->setCurrentIndex(other);
        QTRY_VERIFY(qelcamera_get_frequency(0, &value) && value == other + 1);
        control.mirrorSelector()->setCurrentIndex(0);
        QTRY_VERIFY(qelcamera_get_mirror(0, &value) && value != 0);
        control.mirrorSelector()->setCurrentIndex(1);
        QTRY_VERIFY(qelcamera_get_mirror(0, &value) && value == 0);
    }

private:
    DialogRig* m_rig = nullptr;
};

QTEST_MAIN(TestDialogsCamera)
#include "tst_dialogscamera.moc"
