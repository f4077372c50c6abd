#include <QSignalSpy>
#include <QtTest>

#include "CameraController.h"

namespace {
QStringList propertyNames() {
    return {"Pu_Brightness",  "Pu_Contrast",     "Pu_Hue",
            "Pu_Saturation",  "Pu_Sharpness",    "Pu_Gamma",
            "Pu_ColorEnable", "Pu_WhiteBalance", "Pu_BacklightCompensation",
            "Pu_Gain",        "Ct_Pan",          "Ct_Tilt",
            "Ct_Roll",        "Ct_Zoom",         "Ct_Exposure",
            "Ct_Iris",        "Ct_Focus"};
}
}  // namespace

class TestCameraController : public QObject {
    Q_OBJECT

private slots:
    void propertyListSplitsTwelveAndFive() {
        CameraController c;
        QSignalSpy image(&c, &CameraController::sigPuCtPropertyList);
        QSignalSpy control(&c, &CameraController::sigCtlPuCtPropertyList);
        // Announced twice: the groups are rebuilt, not appended to.
        c.PuCtPropertyList(propertyNames());
        c.PuCtPropertyList(propertyNames());
        QCOMPARE(image.count(), 2);
        QCOMPARE(control.count(), 2);
        QCOMPARE(c.imagePropertyList(), propertyNames().mid(0, 12));
        QCOMPARE(c.controlPropertyList(), propertyNames().mid(12));
        QCOMPARE(image.last().at(0).toStringList(), c.imagePropertyList());
        QCOMPARE(control.last().at(0).toStringList(), c.controlPropertyList());
        // A short list leaves the control group empty.
        c.PuCtPropertyList(propertyNames().mid(0, 5));
        QCOMPARE(c.imagePropertyList().size(), 5);
        QVERIFY(c.controlPropertyList().isEmpty());
    }

    void answersAreRoutedByRequestedType() {
        CameraController c;
        QSignalSpy typeChanged(&c, &CameraController::sigPuCtPropertyTypeChanged);
        QSignalSpy image(&c, &CameraController::sigInitSlider);
        QSignalSpy control(&c, &CameraController::sigCtlInitSlider);
        // An answer nobody asked for is dropped.
        c.InitSlider(true, 0, 100, 1, 50, true, false);
        QCOMPARE(image.count() + control.count(), 0);

        c.onSetPuCtPropertyType(11);
        QCOMPARE(typeChanged.last().at(0).toInt(), 11);
        c.InitSlider(true, -10, 10, 2, 4, true, false);
        QCOMPARE(control.count(), 0);
        QCOMPARE(image.takeFirst(), QVariantList({11, true, -10, 10, 2, 4, true, false}));

        c.onSetPuCtPropertyType(12);
        c.InitSlider(false, 1, 2, 1, 1, false, true);
        QCOMPARE(image.count(), 0);
        QCOMPARE(control.last(), QVariantList({12, false, 1, 2, 1, 1, false, true}));

        // Type 0 is the first image property.
        c.onSetPuCtPropertyType(0);
        c.InitSlider(true, 0, 1, 1, 0, false, false);
        QCOMPARE(image.count(), 1);
        QCOMPARE(image.last().at(0).toInt(), 0);
    }

    // A dialog's mirror request and the camera's mirror report travel on separate signals.
    void requestAndReportKeptApart() {
        CameraController c;
        QSignalSpy request(&c, &CameraController::sigChangeMirror);
        QSignalSpy report(&c, &CameraController::sigUpdateSetMirror);
        c.onSetMirror(true);
        c.SetMirror(false);
        QCOMPARE(request.count(), 1);
        QCOMPARE(request.last().at(0).toBool(), true);
        QCOMPARE(report.count(), 1);
        QCOMPARE(report.last().at(0).toBool(), false);
    }
};

QTEST_GUILESS_MAIN(TestCameraController)
#include "tst_cameracontroller.moc"
