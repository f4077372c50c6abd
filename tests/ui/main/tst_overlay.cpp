#include <QLabel>
#include <QSvgWidget>
#include <QtTest>

#include "OverlayWidget.h"
#include "SubVideoHintOverlay.h"
#include "SvgSpinnerWidget.h"
#include "UiScale.h"
#include "UniversalButton.h"
#include "VideoInfoTable.h"

// The control overlay on its own: information table, feature icon, toast, hint layer.
class TestOverlay : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { overrideUiScale(1.0); }

    // Missing cells read "-", empty parts in the middle stay empty cells (not shifted), rows of
    // streams not running collapse, and the figures are ignored while the table is switched off.
    void infoTableCells() {
        OverlayWidget overlay;
        overlay.setStreamCount(3);
        overlay.setVideoInfo({"0.H264.1920x1080.30.512KB/S.30.512KB/S", "1.MJPG.640x360", ""});
        VideoInfoTable* table = overlay.infoPanel();
        QCOMPARE(table->cellText(0, 2), QString("1920x1080"));
        QCOMPARE(table->cellText(0, 6), QString("512KB/S"));
        QCOMPARE(table->cellText(1, 1), QString("MJPG"));
        QCOMPARE(table->cellText(1, 3), QString("-"));
        QCOMPARE(table->cellText(2, 0), QString("-"));
        overlay.setVideoInfo({"0..640x480", "1.MJPG", ""});
        QCOMPARE(table->cellText(0, 1), QString());
        QCOMPARE(table->cellText(0, 2), QString("640x480"));
        QVERIFY(!table->isRowCollapsed(1));
        overlay.setStreamCount(1);
        QCOMPARE(table->cellText(1, 1), QString("-"));
        QVERIFY(table->isRowCollapsed(1));
        QVERIFY(table->isRowCollapsed(2));
        QVERIFY(!table->isRowCollapsed(0));

        OverlayWidget off;
        off.showInfoPanel();
        off.onVideoInfo(0, "0.H264.1920x1080.30.512KB/S.30.512KB/S");
        QCOMPARE(off.infoPanel()->cellText(0, 1), QString("-"));
    }

    void videoInfoIsThrottledAndChecked() {
        OverlayWidget overlay;
        overlay.setShowOverlayInfo(true);
        overlay.setStreamCount(2);
        overlay.onVideoInfo(0, "0.A");
        QCOMPARE(overlay.infoPanel()->cellText(0, 1), QString("A"));
        // Within 100 ms of a rebuild, any stream's update waits for the next rebuild.
        overlay.onVideoInfo(1, "1.B");
        QCOMPARE(overlay.infoPanel()->cellText(1, 1), QString("-"));
        QTest::qWait(120);
        overlay.onVideoInfo(2, "2.C");  // beyond the stream count
        overlay.onVideoInfo(-1, "x.D");
        QCOMPARE(overlay.infoPanel()->cellText(2, 1), QString("-"));
        // The rejected ones did not restart the throttle; the next rebuild shows the figures
        // stream 1 sent in between, so a stream that always reports just after another is not lost.
        overlay.onVideoInfo(0, "0.A2");
        QCOMPARE(overlay.infoPanel()->cellText(0, 1), QString("A2"));
        QCOMPARE(overlay.infoPanel()->cellText(1, 1), QString("B"));
        QVERIFY(overlay.infoPanel()->isVisibleTo(&overlay));
    }

    void featureIconCodes() {
        OverlayWidget overlay;
        overlay.resize(800, 600);
        overlay.show();
        UniversalButton* button = overlay.featureButton();
        QVERIFY(button->isHidden());
        overlay.setimageControlIcon(20);
        QCOMPARE(overlay.featureButton()->currentIconPath(), QString(":/icons/facetracking.svg"));
        for (int code : {0, 8, 11, 999}) {
            overlay.setimageControlIcon(101);
            QVERIFY(overlay.featureIconSet());
            overlay.setimageControlIcon(code);
            QVERIFY2(overlay.featureButton()->isHidden(), qPrintable(QString::number(code)));
            QVERIFY(!overlay.featureIconSet());
        }
        // Sub1 AI modes show the button without any image, also after an icon was shown.
        overlay.setimageControlIcon(201);
        overlay.setimageControlIcon(302);
        QVERIFY(overlay.featureButton()->isVisible());
        QVERIFY(overlay.featureIconSet());
        QVERIFY(overlay.featureButton()->currentIconPath().isEmpty());
        overlay.setimageControlIcon(102);
        QCOMPARE(overlay.featureButton()->currentIconPath(), QString(":/icons/grid.svg"));
    }

    void followsTheVideoWidget() {
        QWidget video;
        video.setGeometry(40, 30, 640, 360);
        video.show();
        OverlayWidget overlay;
        overlay.attachVideoWidget(&video);
        QVERIFY(overlay.isVisible());
        QCOMPARE(overlay.geometry(), QRect(video.mapToGlobal(QPoint(0, 0)), video.size()));
        video.setGeometry(100, 80, 800, 450);
        QCOMPARE(overlay.geometry(), QRect(video.mapToGlobal(QPoint(0, 0)), QSize(800, 450)));
        // The countdown digits cover the whole overlay, also after a resize.
        QCOMPARE(overlay.countdownLabel()->geometry(), overlay.rect());
        video.hide();
        QVERIFY(overlay.isHidden());
        video.show();
        QVERIFY(overlay.isVisible());
    }

    void hintLayerKeepsIconAndSpinnerIndependent() {
        QWidget video;
        SubVideoHintOverlay hint(&video);
        video.show();
        QVERIFY(hint.testAttribute(Qt::WA_TransparentForMouseEvents));
        hint.setHintText("开启设备中...");
        QVERIFY(hint.icon()->isVisible());
        QVERIFY(hint.caption()->isVisible());
        hint.setLoading(true);
        QVERIFY(hint.spinner()->isAnimating());
        // Clearing the text leaves the spinner running, and the loading state leaves the text.
        hint.setHintText(QString());
        QVERIFY(!hint.isHintVisible());
        QVERIFY(hint.spinner()->isAnimating());
        hint.setLoading(false);
        QVERIFY(!hint.isLoading());
        QCOMPARE(hint.hintText(), QString("开启设备中..."));
    }
};

QTEST_MAIN(TestOverlay)
#include "tst_overlay.moc"
