#include "OverlayScrollBar.h"

#include <QMouseEvent>
#include <QPainter>

OverlayScrollBar::OverlayScrollBar(QScrollBar* mirrored, QWidget* parent) : QWidget(parent), m_bar(mirrored) {
    setFixedWidth(kWidth);
    setAttribute(Qt::WA_NoMousePropagation);
}

void OverlayScrollBar::setHeights(int contentHeight, int visibleHeight) {
    m_contentHeight = contentHeight;
    m_visibleHeight = visibleHeight;
    update();
}

bool OverlayScrollBar::hasHandle() const {
    return m_contentHeight > m_visibleHeight && m_visibleHeight >= 0;
}

QRect OverlayScrollBar::handleRect() const {
    if (!hasHandle()) {
        return QRect();
    }
    const int barHeight = height();
    const int handleHeight =
        qMax(kMinHandleHeight, int(qint64(barHeight) * m_visibleHeight / qMax(1, m_contentHeight)));
    int top = 0;
    if (m_bar && m_bar->maximum() > 0) {
        top = int(qint64(m_bar->value()) * (barHeight - handleHeight) / m_bar->maximum());
    }
    return QRect(0, top, width(), handleHeight);
}

void OverlayScrollBar::paintEvent(QPaintEvent*) {
    const QRect handle = handleRect();
    if (handle.isEmpty()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor("#FF8B59"));
    painter.drawRoundedRect(handle, 3, 3);
}

void OverlayScrollBar::mousePressEvent(QMouseEvent* event) {
    event->accept();
    const QRect handle = handleRect();
    if (event->button() == Qt::LeftButton && handle.contains(event->pos())) {
        m_dragging = true;
        m_pressOffset = event->pos().y() - handle.top();
    }
}

void OverlayScrollBar::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (!m_dragging || !m_bar) {
        return;
    }
    const QRect handle = handleRect();
    const int travel = height() - handle.height();
    if (handle.isEmpty() || travel <= 0) {
        return;
    }
    const int top = qBound(0, event->pos().y() - m_pressOffset, travel);
    m_bar->setValue(int(qint64(m_bar->maximum()) * top / travel));
}

void OverlayScrollBar::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    m_dragging = false;
}
