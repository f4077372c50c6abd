// Closing the panel: a press or touch outside its cards, or Esc (an open list first).
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTouchEvent>

#include "CameraSettingImagePage.h"
#include "CameraSettingsPanel.h"
#include "SidePopupSelector.h"
#include "UiScale.h"

void CameraSettingsPanel::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void CameraSettingsPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_bStreamMode && m_stack->currentIndex() == 0) {
        showStreamCards();
    }
}

void CameraSettingsPanel::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // The lists are windows of their own: they go with the panel.
    closeOpenSelectorList();
}

void CameraSettingsPanel::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    placeStreamCards();
}

void CameraSettingsPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_background->resize(scaled(570), height());
    m_mainCard->setFixedSize(scaled(570), height());
    placeStreamCards();
}

bool CameraSettingsPanel::closeOpenSelectorList() {
    bool closed = false;
    for (SidePopupSelector* selector : selectors()) {
        if (selector->isPopupOpen()) {
            selector->hidePopup();
            closed = true;
        }
    }
    if (m_imagePage && m_imagePage->gesturePopup()->isVisible()) {
        m_imagePage->gesturePopup()->hide();
        closed = true;
    }
    return closed;
}

bool CameraSettingsPanel::pressIsInside(const QPoint& global) const {
    const QRect card(m_mainCard->mapToGlobal(QPoint(0, 0)), m_mainCard->size());
    if (card.contains(global)) {
        return true;
    }
    // Only cards on screen count: where a hidden card would be, the user sees the main window.
    for (int s = 1; s < kStreams; ++s) {
        if (m_cards[s]->isVisible() &&
            QRect(m_cards[s]->mapToGlobal(QPoint(0, 0)), m_cards[s]->size()).contains(global)) {
            return true;
        }
    }
    for (SidePopupSelector* selector : selectors()) {
        if (selector->isPopupOpen() && selector->popup()->geometry().contains(global)) {
            return true;
        }
    }
    return false;
}

namespace {
// Windows of the panel's own (the explanation popup, a folder or property dialog opened from a
// page): presses on them belong to the panel.
bool isPanelWindow(const QWidget* widget, const QWidget* panel) {
    const QWidget* window = widget->window();
    if (window == panel) {
        return false;
    }
    for (const QWidget* w = window; w; w = w->parentWidget()) {
        if (w == panel) {
            return true;
        }
    }
    return false;
}
}  // namespace

bool CameraSettingsPanel::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (m_bDropSynthesizedMouse &&
        (type == QEvent::MouseButtonPress || type == QEvent::MouseMove ||
         type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonDblClick) &&
        static_cast<QMouseEvent*>(event)->source() == Qt::MouseEventSynthesizedByQt) {
        if (type == QEvent::MouseButtonRelease) {
            m_bDropSynthesizedMouse = false;
        }
        return true;
    }
    if (!isVisible() || !watched->isWidgetType()) {
        return QWidget::eventFilter(watched, event);
    }
    const auto* widget = static_cast<QWidget*>(watched);
    if (type == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        // A modal dialog of its own takes its Esc itself.
        if (QApplication::activeModalWidget() && isPanelWindow(QApplication::activeModalWidget(), this)) {
            return false;
        }
        if (!closeOpenSelectorList()) {
            hide();
        }
        return true;
    }
    QPoint global;
    if (type == QEvent::MouseButtonPress) {
        global = static_cast<QMouseEvent*>(event)->globalPos();
    } else if (type == QEvent::TouchBegin) {
        const auto* touch = static_cast<QTouchEvent*>(event);
        if (touch->touchPoints().isEmpty()) {
            return false;
        }
        m_bDropSynthesizedMouse = false;
        global = touch->touchPoints().first().screenPos().toPoint();
    } else {
        return QWidget::eventFilter(watched, event);
    }
    if (isPanelWindow(widget, this) || pressIsInside(global)) {
        return false;
    }
    hide();
    if (type == QEvent::TouchBegin) {
        m_bDropSynthesizedMouse = true;
    }
    return true;
}
