#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

#include "DashDivider.h"
#include "OverlayScrollArea.h"
#include "OverlayScrollBar.h"
#include "SvgIconLabel.h"
#include "SvgSpinnerWidget.h"
#include "SwitchButton.h"
#include "SwitchRow.h"
#include "TestSvg.h"
#include "ToastLabel.h"
#include "UiScale.h"

namespace {
void sendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

// Content of a given height, laid out like a real settings page.
QWidget* contentOfHeight(int height) {
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* block = new QWidget(content);
    block->setFixedHeight(height);
    layout->addWidget(block);
    return content;
}
}  // namespace

class TestWidgetKit : public QObject {
    Q_OBJECT
private:
    TestSvgFolder m_svg;

private slots:
    void switchRowReportsOnlyUserClicks() {
        QWidget window;
        auto* row = new SwitchRow("人脸跟踪", &window);
        window.show();
        QSignalSpy spy(row, &SwitchRow::userToggled);

        row->setChecked(true);
        QCOMPARE(row->switchButton()->currentIconPath(), QString(SwitchButton::kOnIcon));
        row->switchButton()->setChecked(false);
        QCOMPARE(spy.count(), 0);
        QCOMPARE(row->switchButton()->currentIconPath(), QString(SwitchButton::kOffIcon));

        QTest::mouseClick(row->switchButton(), Qt::LeftButton);
        QTest::mouseClick(row->switchButton(), Qt::LeftButton);
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).toBool(), true);
        QCOMPARE(spy.at(1).at(0).toBool(), false);
    }

    void toastElidesInTheMiddle() {
        QWidget window;
        window.resize(800, 400);
        auto* toast = new ToastLabel(&window);
        window.show();
        QVERIFY(!toast->isVisible());

        const QString longText =
            "拍照成功：" + QString("/home/user/Documents/Corvix/").repeated(8) + "20260320_101010.jpg";
        toast->showMessage(longText, 1, 0);
        QVERIFY(toast->isVisible());
        QCOMPARE(toast->fullText(), longText);
        const QString shown = toast->text();
        QVERIFY(shown.contains(QChar(0x2026)));
        QVERIFY(shown.startsWith("拍照成功"));
        QVERIFY(shown.endsWith(".jpg"));
        QVERIFY(toast->width() <= toast->maxWidth());
        QVERIFY(toast->width() > toast->maxWidth() - scaled(40) - 40);  // uses the room it has

        toast->showMessage("ok", 2, 0);  // a short text shrinks it again
        QCOMPARE(toast->text(), QString("ok"));
        QCOMPARE(toast->width(), scaled(40) + QFontMetrics(toast->font()).horizontalAdvance("ok"));
        toast->setMaxWidth(100);
        toast->showMessage("a fairly long message that cannot fit", 1, 0);
        QVERIFY(toast->width() <= 100);
    }

    void toastHidesAfterItsDurationOnly() {
        QWidget window;
        auto* toast = new ToastLabel(&window);
        window.show();

        toast->showMessage("stays", 1, 0);
        QTest::qWait(150);
        QVERIFY(toast->isVisible());

        toast->showMessage("goes", 1, 50);
        QVERIFY(toast->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!toast->isVisible(), 2000);

        // A newer message is not cut short by the older one's timer.
        toast->showMessage("first", 1, 100);
        QTest::qWait(40);
        toast->showMessage("second", 1, 1000);
        QTest::qWait(200);
        QVERIFY(toast->isVisible());
        QCOMPARE(toast->text(), QString("second"));

        // Nor is a lasting one hidden by an earlier timed one.
        toast->showMessage("timed", 1, 100);
        toast->showMessage("lasting", 1, 0);
        QTest::qWait(200);
        QVERIFY(toast->isVisible());
    }

    void overlayScrollAreaDragsMapToScrollValues() {
        OverlayScrollArea area;
        area.resize(300, 200);
        area.setWidget(contentOfHeight(1000));
        area.show();
        QVERIFY(QTest::qWaitForWindowExposed(&area));
        OverlayScrollBar* bar = area.overlayBar();
        QScrollBar* vertical = area.scrollArea()->verticalScrollBar();
        QCOMPARE(vertical->maximum(), 800);
        QCOMPARE(bar->geometry(), QRect(300 - 6 - 6, 0, 6, 200));
        QCOMPARE(bar->handleRect(), QRect(0, 0, 6, 40));  // 200 * 200 / 1000
        QCOMPARE(area.grab().toImage().pixelColor(bar->geometry().topLeft() + QPoint(3, 20)),
                 QColor("#FF8B59"));

        // Handle: pressed 10 px into it, dragged down by 80 of its 160 px of travel.
        sendMouse(bar, QEvent::MouseButtonPress, QPoint(3, 10), Qt::LeftButton);
        QVERIFY(bar->isDragging());
        sendMouse(bar, QEvent::MouseMove, QPoint(3, 90), Qt::LeftButton);
        QCOMPARE(vertical->value(), 400);
        QCOMPARE(bar->handleRect().top(), 80);
        sendMouse(bar, QEvent::MouseMove, QPoint(3, 1000), Qt::LeftButton);  // clamped at the end
        QCOMPARE(vertical->value(), 800);
        sendMouse(bar, QEvent::MouseMove, QPoint(3, -500), Qt::LeftButton);
        QCOMPARE(vertical->value(), 0);
        sendMouse(bar, QEvent::MouseButtonRelease, QPoint(3, -500), Qt::NoButton);
        QVERIFY(!bar->isDragging());
        sendMouse(bar, QEvent::MouseMove, QPoint(3, 90), Qt::NoButton);
        QCOMPARE(vertical->value(), 0);

        // A press beside the handle does not drag.
        sendMouse(bar, QEvent::MouseButtonPress, QPoint(3, 150), Qt::LeftButton);
        QVERIFY(!bar->isDragging());
        sendMouse(bar, QEvent::MouseButtonRelease, QPoint(3, 150), Qt::NoButton);

        // Dragging the content itself scrolls the other way round.
        QWidget* viewport = area.scrollArea()->viewport();
        vertical->setValue(300);
        sendMouse(viewport, QEvent::MouseButtonPress, QPoint(100, 150), Qt::LeftButton);
        sendMouse(viewport, QEvent::MouseMove, QPoint(100, 100), Qt::LeftButton);
        QCOMPARE(vertical->value(), 350);
        sendMouse(viewport, QEvent::MouseMove, QPoint(100, 180), Qt::LeftButton);
        QCOMPARE(vertical->value(), 270);
        sendMouse(viewport, QEvent::MouseButtonRelease, QPoint(100, 180), Qt::NoButton);
        sendMouse(viewport, QEvent::MouseMove, QPoint(100, 10), Qt::NoButton);
        QCOMPARE(vertical->value(), 270);

        // Margins move and shorten the bar.
        area.setTopMargin(20);
        area.setRightMargin(10);
        QCOMPARE(bar->geometry(), QRect(300 - 6 - 10, 20, 6, 180));

        // Content that fits has no handle, and none is drawn.
        area.setWidget(contentOfHeight(150));
        area.relayoutBar();
        QVERIFY(!bar->hasHandle());
        QVERIFY(bar->handleRect().isEmpty());
        QVERIFY(area.grab().toImage().pixelColor(bar->geometry().center()) != QColor("#FF8B59"));
    }

    // A small spinner turns only once started, a large one from the start; a started spinner that
    // is not on screen (itself or a parent hidden) stops its frames and carries on from the same
    // angle when shown again.
    void spinnerTurnsOnlyWhenStartedAndShown() {
        const QString svg = m_svg.make("spinner", "#ffffff");
        QWidget window;
        QWidget* card = new QWidget(&window);
        auto* small = new SvgSpinnerWidget(svg, &window);
        auto* spinner = new SvgSpinnerWidget(svg, card, true);
        QVERIFY(spinner->isAnimating());
        QVERIFY(!spinner->isTurning());  // not shown yet
        window.show();
        QVERIFY(spinner->isTurning());
        QVERIFY(!small->isAnimating());
        QTRY_VERIFY(spinner->angle() > 0.0);
        QCOMPARE(small->angle(), 0.0);
        small->startAnimation();
        QTRY_VERIFY(small->angle() > 0.0);
        small->stopAnimation();
        QVERIFY(!small->isAnimating() && !small->isTurning());

        card->hide();
        QVERIFY(!spinner->isTurning());
        QVERIFY(spinner->isAnimating());
        const qreal stoodAt = spinner->angle();
        QTest::qWait(3 * SvgSpinnerWidget::kFrameMs);
        QCOMPARE(spinner->angle(), stoodAt);
        card->show();
        QVERIFY(spinner->isTurning());
        QTRY_VERIFY(spinner->angle() != stoodAt);
        window.hide();
        QVERIFY(!spinner->isTurning());
    }

    void svgIconLabelSizeAndInvalidIcon() {
        SvgIconLabel label;
        label.setIcon(m_svg.make("dot", "#ff0000"));
        QVERIFY(label.hasValidIcon());
        label.setIconSize(QSize(24, 24));
        QCOMPARE(label.size(), QSize(24, 24));
        QCOMPARE(label.grab().toImage().pixelColor(12, 12), QColor("#ff0000"));
        label.setIcon(":/icons/does_not_exist.svg");
        QVERIFY(!label.hasValidIcon());
        label.grab();  // paints nothing, and does not crash
    }

    void dashDividerDrawsADashedLine() {
        UiComponents::DashDivider divider;
        divider.resize(60, 9);
        QImage image(divider.size(), QImage::Format_ARGB32);
        image.fill(Qt::black);
        divider.render(&image);
        const QColor line("#7B7E80");
        QCOMPARE(image.pixelColor(0, 4), line);
        QVERIFY(image.pixelColor(14, 4) != line);  // the gap
        QCOMPARE(image.pixelColor(19, 4), line);   // the next dash
        QVERIFY(image.pixelColor(5, 3) != line);
    }
};

QTEST_MAIN(TestWidgetKit)
#include "tst_widgetkit.moc"
