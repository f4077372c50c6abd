#include <QSignalSpy>
#include <QStandardPaths>
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
        QCOMPARE(c.imagePropertyList().size(), 12);
        QCOMPARE(c.controlPropertyList().size(), 5);
        QCOMPARE(c.imagePropertyList().last(), QString("Ct_Tilt"));
        QCOMPARE(c.controlPropertyList().first(), QString("Ct_Roll"));
        QCOMPARE(image.last().at(0).toStringList(), c.imagePropertyList());
        QCOMPARE(control.last().at(0).toStringList(), c.controlPropertyList());
    }

    void shortPropertyListLeavesControlsEmpty() {
        CameraController c;
        c.PuCtPropertyList(propertyNames().mid(0, 5));
        QCOMPARE(c.imagePropertyList().size(), 5);
        QVERIFY(c.controlPropertyList().isEmpty());
    }

    void answerBeforeRequestIsDropped() {
        CameraController c;
        QSignalSpy image(&c, &CameraController::sigInitSlider);
        QSignalSpy control(&c, &CameraController::sigCtlInitSlider);
        c.InitSlider(true, 0, 100, 1, 50, true, false);
        QCOMPARE(image.count(), 0);
        QCOMPARE(control.count(), 0);
    }

    void answersAreRoutedByRequestedType() {
        CameraController c;
        QSignalSpy typeChanged(&c, &CameraController::sigPuCtPropertyTypeChanged);
        QSignalSpy image(&c, &CameraController::sigInitSlider);
        QSignalSpy control(&c, &CameraController::sigCtlInitSlider);

        c.onSetPuCtPropertyType(11);
        QCOMPARE(typeChanged.count(), 1);
        QCOMPARE(typeChanged.last().at(0).toInt(), 11);
        c.InitSlider(true, -10, 10, 2, 4, true, false);
        QCOMPARE(image.count(), 1);
        QCOMPARE(control.count(), 0);
        const QList<QVariant> a = image.takeFirst();
        QCOMPARE(a.at(0).toInt(), 11);
        QCOMPARE(a.at(1).toBool(), true);
        QCOMPARE(a.at(2).toInt(), -10);
        QCOMPARE(a.at(3).toInt(), 10);
        QCOMPARE(a.at(4).toInt(), 2);
        QCOMPARE(a.at(5).toInt(), 4);
        QCOMPARE(a.at(6).toBool(), true);
        QCOMPARE(a.at(7).toBool(), false);

        c.onSetPuCtPropertyType(12);
        c.InitSlider(false, 1, 2, 1, 1, false, true);
        QCOMPARE(image.count(), 0);
        QCOMPARE(control.count(), 1);
        QCOMPARE(control.last().at(0).toInt(), 12);
        QCOMPARE(control.last().at(7).toBool(), true);

        // Type 0 is the first image property.
        c.onSetPuCtPropertyType(0);
        c.InitSlider(true, 0, 1, 1, 0, false, false);
        QCOMPARE(image.count(), 1);
        QCOMPARE(image.last().at(0).toInt(), 0);
    }

    void recordMinutesSignalsOnlyChanges() {
        CameraController c;
        QSignalSpy spy(&c, &CameraController::sigRecordMinutesChanged);
        QCOMPARE(c.recordMinutes(), 10);
        c.setRecordMinutes(10);
        QCOMPARE(spy.count(), 0);
        c.setRecordMinutes(30);
        c.setRecordMinutes(30);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.last().at(0).toInt(), 30);
        QCOMPARE(c.recordMinutes(), 30);
    }

    void outputDirSignalsOnlyChanges() {
        CameraController c;
        QSignalSpy spy(&c, &CameraController::sigRecordOutputDirChanged);
        QVERIFY(c.recordOutputDir().isEmpty());
        c.setRecordOutputDir("/tmp/a");
        c.setRecordOutputDir("/tmp/a");
        QCOMPARE(spy.count(), 1);
        QCOMPARE(c.recordOutputDir(), QString("/tmp/a"));
    }

    void defaultSaveFolderIsDocumentsCorvix() {
        QCOMPARE(CameraController::defaultSaveFolder(),
                 QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/Corvix");
    }

    void audioListIsKeptAndRelayed() {
        CameraController c;
        QSignalSpy spy(&c, &CameraController::sigAudioList);
        QCOMPARE(c.defaultAudioIndex(), -1);
        c.SetAudioList({"Mic A", "Mic B"}, 1);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(c.audioList(), QStringList({"Mic A", "Mic B"}));
        QCOMPARE(c.defaultAudioIndex(), 1);
    }

    void requestsFromDialogsBecomeVideoRequests() {
        CameraController c;
        QSignalSpy value(&c, &CameraController::sigUpdateVideoWidgetProperty);
        QSignalSpy autoValue(&c, &CameraController::sigUpdateVideoWidgetPropertyAuto);
        QSignalSpy mirror(&c, &CameraController::sigChangeMirror);
        QSignalSpy cameraMirror(&c, &CameraController::sigUpdateSetMirror);
        c.onSetPuCtPropertyValue(3, 42);
        c.onSetPuCtPropertyAutoValue(14, true);
        c.onSetMirror(true);
        c.SetMirror(false);
        QCOMPARE(value.count(), 1);
        QCOMPARE(value.last().at(1).toInt(), 42);
        QCOMPARE(autoValue.last().at(0).toInt(), 14);
        // A dialog's request and the camera's report travel on separate signals.
        QCOMPARE(mirror.count(), 1);
        QCOMPARE(mirror.last().at(0).toBool(), true);
        QCOMPARE(cameraMirror.count(), 1);
        QCOMPARE(cameraMirror.last().at(0).toBool(), false);
    }
};

QTEST_GUILESS_MAIN(TestCameraController)
#include "tst_cameracontroller.moc"
