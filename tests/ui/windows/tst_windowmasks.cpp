#include <QButtonGroup>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include "CameraControlDialog.h"
#include "CameraController.h"
#include "CameraImageDialog.h"
#include "CameraRecordDialog.h"
#include "CameraSettingsPanel.h"
#include "CompositorWatch.h"
#include "GesturePopupWidget.h"
#include "ShareDialog.h"
#include "SidePopupSelector.h"
#include "TranslucentWindowMask.h"
#include "UiScale.h"
#include "UpgradeProgressDisc.h"
#include "UpgradeWidget.h"

namespace {
// The pixels a window paints (not fully transparent), as one rectangle per run of a row; its mask
// is set aside for the rendering.
QVector<QRect> painted(QWidget* window) {
    const QRegion mask = window->mask();
    window->clearMask();
    QImage image(window->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    window->render(&image);
    if (!mask.isEmpty()) {
        window->setMask(mask);
    }
    QVector<QRect> runs;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0, start = -1; x <= image.width(); ++x) {
            const bool on = x < image.width() && qAlpha(line[x]) != 0;
            if (on && start < 0) {
                start = x;
            } else if (!on && start >= 0) {
                runs.append(QRect(start, y, x - start, 1));
                start = -1;
            }
        }
    }
    return runs;
}

// A map of the window with the rectangles grown by distance in every direction.
QImage cover(const QVector<QRect>& rects, const QSize& size, int distance) {
    QImage map(size, QImage::Format_ARGB32_Premultiplied);
    map.fill(Qt::transparent);
    QPainter painter(&map);
    for (const QRect& r : rects) {
        painter.fillRect(r.adjusted(-distance, -distance, distance, distance), Qt::black);
    }
    return map;
}

// The first pixel of the rectangles the map leaves clear, or a null point.
QPoint firstOutside(const QVector<QRect>& rects, const QImage& map) {
    for (const QRect& r : rects) {
        const QRect clipped = r & map.rect();
        for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(map.constScanLine(y));
            for (int x = clipped.left(); x <= clipped.right(); ++x) {
                if (qAlpha(line[x]) == 0) {
                    return QPoint(x, y);
                }
            }
        }
    }
    return QPoint(-1, -1);
}

// Whether the window shows what it paints and nothing else of size: every painted pixel lies in
// the mask (give or take an anti-aliased edge pixel), and every masked pixel lies near a painted one
// (square corners of a rounded card are fine, a clear strip or a blank margin is not).
QString maskFault(QWidget* window) {
    TranslucentWindowMask* keeper = TranslucentWindowMask::of(window);
    if (!keeper) {
        return "no mask keeper";
    }
    keeper->refresh();
    if (!keeper->isMasking()) {
        return "not masking";
    }
    const QVector<QRect> paint = painted(window);
    const QRegion mask = window->mask().isEmpty() ? QRegion(window->rect()) : window->mask();
    const QVector<QRect> shape(mask.begin(), mask.end());
    const QPoint hidden = firstOutside(paint, cover(shape, window->size(), 1));
    if (hidden.x() >= 0) {
        return QString("painted but masked out at %1,%2").arg(hidden.x()).arg(hidden.y());
    }
    const QPoint clear = firstOutside(shape, cover(paint, window->size(), 8));
    if (clear.x() >= 0) {
        return QString("shown but clear at %1,%2").arg(clear.x()).arg(clear.y());
    }
    return QString();
}

#define VERIFY_MASK(window)                                          \
    do {                                                             \
        const QString fault = maskFault(window);                     \
        QVERIFY2(fault.isEmpty(), qPrintable(#window ": " + fault)); \
    } while (false)
}  // namespace

// Each translucent window of the settings, dialogs, sharing and upgrade, on a screen without a
// compositor: its mask is what it draws.
class TestWindowMasks : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
        qputenv("HOME", QFile::encodeName(m_dir.path()));
        overrideUiScale(1.0);
        CompositorWatch::instance()->setMode(CompositorWatch::ForceNoCompositing);
    }
    void cleanupTestCase() { CompositorWatch::instance()->setMode(CompositorWatch::Detect); }

    // The panel spans the main window; only its left card and the stream cards shown are drawn.
    void settingsPanel() {
        CameraController controller;
        QWidget mainWindow;
        mainWindow.setGeometry(0, 0, 1600, 900);
        auto* panel = new CameraSettingsPanel(&controller, &mainWindow);
        panel->setDeviceNames({"cam A"});
        panel->showUI();
        mainWindow.show();
        panel->show();
        VERIFY_MASK(panel);
        const QRect card = panel->mainCard()->geometry();
        QVERIFY(panel->mask().contains(card.center()));

        panel->setSupportStream(true);
        QVERIFY(panel->streamCard(1)->isVisible());
        VERIFY_MASK(panel);
        QVERIFY(panel->mask().contains(panel->streamCard(2)->geometry().center()));
        // Stream 2 off takes stream 3 with it: both cards leave the mask.
        panel->streamButton(1)->click();
        QTRY_VERIFY(!panel->mask().contains(panel->streamCard(2)->geometry().center()));
        VERIFY_MASK(panel);
        // Another tab hides the cards too; the loading view keeps the left card.
        panel->tabGroup()->button(1)->click();
        VERIFY_MASK(panel);
        panel->showLoading();
        VERIFY_MASK(panel);
    }

    // A short list shows its entries only; a long one its visible entries and the scroll handle,
    // following the scrolling.
    void selectorList() {
        QWidget host;
        auto* selector = new SidePopupSelector(&host);
        host.show();
        for (const char* text : {"MJPG", "YUY2", "H264"}) {
            selector->addItem(text);
        }
        selector->showPopup();
        QScrollArea* list = selector->popup();
        VERIFY_MASK(list);
        // The spacing between two entries is clear.
        const QRect first(selector->entry(0)->mapTo(list, QPoint()), selector->entry(0)->size());
        QVERIFY(list->mask().contains(first.center()));
        QVERIFY(!list->mask().contains(QPoint(first.center().x(), first.bottom() + 2)));
        selector->hidePopup();

        for (int i = 0; i < 30; ++i) {
            selector->addItem(QString("entry %1").arg(i));
        }
        selector->showPopup();
        QTRY_VERIFY(list->verticalScrollBar()->isVisible());
        VERIFY_MASK(list);
        // Scrolling moves the entries and the handle: the mask follows by itself.
        const QRegion top = list->mask();
        list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
        QTRY_VERIFY(list->mask() != top);
        VERIFY_MASK(list);
    }

    // Windows drawn as a card, a disc or an opaque body.
    void cardsAndDisc() {
        CameraController controller;
        QWidget mainWindow;
        mainWindow.resize(1280, 720);
        CameraControlDialog control(&controller, &mainWindow);
        CameraImageDialog image(&controller, &mainWindow);
        CameraRecordDialog record(&controller, &mainWindow);
        for (QWidget* dialog : QList<QWidget*>{&control, &image, &record}) {
            dialog->show();
            VERIFY_MASK(dialog);
        }

        ShareDialog share;
        QImage code(29, 29, QImage::Format_RGB32);
        code.fill(Qt::black);
        share.showQRCode(code);
        share.show();
        VERIFY_MASK(&share);

        UpgradeWidget upgrade("CorvixLinux", "1.0.1", 2);
        upgrade.show();
        VERIFY_MASK(&upgrade);

        UpgradeProgressDisc disc;
        disc.setPercent(75);
        disc.show();
        VERIFY_MASK(&disc);

        GesturePopupWidget gestures;
        gestures.setSingleItem(":/icons/close.svg", "caption", 1);
        gestures.show();
        VERIFY_MASK(&gestures);
    }
};

QTEST_MAIN(TestWindowMasks)
#include "tst_windowmasks.moc"
