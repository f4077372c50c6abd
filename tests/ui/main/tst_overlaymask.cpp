#include <QLabel>
#include <QPainter>
#include <QtTest>

#include "CompositorWatch.h"
#include "OverlayWidget.h"
#include "ToastLabel.h"
#include "TranslucentWindowMask.h"
#include "UiScale.h"
#include "UniversalButton.h"
#include "VideoInfoTable.h"

namespace {
int area(const QRegion& region) {
    int total = 0;
    for (const QRect& r : region) {
        total += r.width() * r.height();
    }
    return total;
}

QRect inOverlay(const QWidget* widget, const OverlayWidget& overlay) {
    return QRect(widget->mapTo(&overlay, QPoint(0, 0)), widget->size());
}

QRegion regionOf(const OverlayWidget& overlay, const QList<const QWidget*>& controls) {
    QRegion region;
    for (const QWidget* control : controls) {
        region += inOverlay(control, overlay);
    }
    return region;
}

// The mask shows every listed control (its centre; round icons are shaped, not boxed).
bool maskHolds(const OverlayWidget& overlay, const QList<const QWidget*>& controls) {
    for (const QWidget* control : controls) {
        if (!overlay.mask().contains(inOverlay(control, overlay).center())) {
            return false;
        }
    }
    return !overlay.mask().isEmpty();
}

// The mask has nothing outside the listed controls.
bool maskWithin(const OverlayWidget& overlay, const QList<const QWidget*>& controls) {
    return (overlay.mask() - regionOf(overlay, controls)).isEmpty();
}

// Pixels the overlay draws outside its mask: what the mask would cut off on the screen.
int paintedOutsideMask(OverlayWidget& overlay) {
    QImage image = overlay.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect& r : overlay.mask()) {
        painter.fillRect(r, Qt::transparent);
    }
    painter.end();
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            count += qAlpha(line[x]) != 0 ? 1 : 0;
        }
    }
    return count;
}

// The listed controls are on the screen whole, and nothing else of the overlay is.
bool maskShowsOnly(OverlayWidget& overlay, const QList<const QWidget*>& controls) {
    return maskHolds(overlay, controls) && maskWithin(overlay, controls) && paintedOutsideMask(overlay) == 0;
}

QList<const QWidget*> idleButtons(const OverlayWidget& o) {
    return {o.settingsButton(), o.fileButton(), o.captureButton(), o.recordButton(), o.exitButton()};
}
}  // namespace

// The overlay over the picture on a screen without a compositing manager: only its visible
// controls may cover the picture, whatever state the photo and recording flows are in.
class TestOverlayMask : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { overrideUiScale(1.0); }
    void init() { CompositorWatch::instance()->setMode(CompositorWatch::ForceNoCompositing); }
    void cleanup() { CompositorWatch::instance()->setMode(CompositorWatch::Detect); }

    void idleMaskHoldsTheButtonsAndTheInformation() {
        OverlayWidget overlay;
        overlay.resize(1920, 1080);
        overlay.show();
        QTRY_VERIFY(maskShowsOnly(overlay, idleButtons(overlay)));
        const QPoint centre = overlay.rect().center();
        QVERIFY(!overlay.mask().contains(centre));
        // The round photo button is no square: its corners show the picture.
        QVERIFY(
            !overlay.mask().contains(inOverlay(overlay.captureButton(), overlay).topLeft() + QPoint(3, 3)));

        // The information table and the date join the mask when they are switched on; the date
        // label counts by its text, which ends at the label's right edge.
        overlay.setShowOverlayInfo(true);
        overlay.showInfoPanel();
        overlay.showDateLabel(true);
        QLabel* date = overlay.dateLabel();
        QTRY_VERIFY(overlay.mask().contains(inOverlay(overlay.infoPanel(), overlay).center()));
        QTRY_VERIFY(
            overlay.mask().contains(inOverlay(date, overlay).center() + QPoint(date->width() / 4, 0)));
        QVERIFY((QRegion(inOverlay(overlay.infoPanel(), overlay)) - overlay.mask()).isEmpty());
        QVERIFY(!overlay.mask().contains(centre));
        QCOMPARE(paintedOutsideMask(overlay), 0);

        // A feature icon appears and goes again.
        overlay.setimageControlIcon(20);
        QTRY_VERIFY(maskHolds(overlay, {overlay.featureButton()}));
        overlay.setimageControlIcon(0);
        QTRY_VERIFY(maskWithin(overlay, idleButtons(overlay) << overlay.infoPanel() << date));
    }

    void countdownDigitsAreInTheMaskAndLittleElse() {
        OverlayWidget overlay;
        overlay.resize(1920, 1080);
        overlay.show();
        overlay.startCountdown(10);
        const QPoint centre = overlay.rect().center();
        QTRY_VERIFY(overlay.mask().contains(centre));
        // The label spans the overlay, but only the digits' box covers the picture.
        QVERIFY(area(overlay.mask()) < overlay.width() * overlay.height() / 8);
        QVERIFY(!overlay.mask().contains(QPoint(centre.x(), 100)));
        QVERIFY(!overlay.mask().contains(QPoint(200, centre.y())));
        QCOMPARE(paintedOutsideMask(overlay), 0);
        // "10" becomes "9" and then the photo is taken: the digits leave the mask.
        overlay.onCountdownTick();
        QTRY_VERIFY(overlay.mask().contains(centre));
        for (int i = 0; i < 9; ++i) {
            overlay.onCountdownTick();
        }
        QTRY_VERIFY(!overlay.mask().contains(centre));
    }

    void recordingMaskHoldsStopButtonAndClock() {
        OverlayWidget overlay;
        overlay.resize(1920, 1080);
        overlay.show();
        overlay.setRecordParam(QDir::temp().filePath("corvix_mask_test.mp4"), 10);
        overlay.setRecordState(OverlayWidget::Recording);
        // The clock panel shows its icon and time caption, not the gap between them.
        QTRY_VERIFY(maskHolds(overlay, {overlay.stopButton(), overlay.timeLabel()}));
        QVERIFY((QRegion(inOverlay(overlay.timeLabel(), overlay)) - overlay.mask()).isEmpty());
        QVERIFY(maskWithin(overlay, {overlay.stopButton(), overlay.timePanel()}));
        QCOMPARE(paintedOutsideMask(overlay), 0);
        QVERIFY(!overlay.mask().contains(overlay.rect().center()));
        overlay.setRecordState(OverlayWidget::Idle);
        QTRY_VERIFY(maskShowsOnly(overlay, idleButtons(overlay)));
    }

    // The toast joins the mask while shown; with a compositor there is no mask, and changes made
    // meanwhile are taken into account when it goes away.
    void toastAndCompositorComingAndGoing() {
        OverlayWidget overlay;
        overlay.resize(1920, 1080);
        overlay.show();
        overlay.showToast(QStringLiteral("拍照成功：/tmp/20260101_120000.jpg"), 1);
        QTRY_VERIFY(maskShowsOnly(overlay, idleButtons(overlay) << overlay.toast()));
        overlay.toast()->hide();
        QTRY_VERIFY(!overlay.mask().intersects(inOverlay(overlay.toast(), overlay)));
        CompositorWatch::instance()->setMode(CompositorWatch::ForceCompositing);
        QVERIFY(overlay.mask().isEmpty());
        overlay.showToast(QStringLiteral("录像成功"), 1);
        TranslucentWindowMask::of(&overlay)->refresh();
        QVERIFY(overlay.mask().isEmpty());
        CompositorWatch::instance()->setMode(CompositorWatch::ForceNoCompositing);
        QVERIFY((QRegion(inOverlay(overlay.toast(), overlay)) - overlay.mask()).isEmpty());
        QVERIFY(!overlay.mask().contains(overlay.rect().center()));
    }
};

QTEST_MAIN(TestOverlayMask)
#include "tst_overlaymask.moc"
