#include "OverlayScrollArea.h"

#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QScroller>
#include <QScrollerProperties>
#include <QTouchEvent>
#include <QVBoxLayout>

#include "OverlayScrollBar.h"

namespace {
void setUpKineticScrolling(QObject* target) {
    QScroller::grabGesture(target, QScroller::TouchGesture);
    QScroller* scroller = QScroller::scroller(target);
    QScrollerProperties properties = scroller->scrollerProperties();
    properties.setScrollMetric(QScrollerProperties::DecelerationFactor, 0.05);
    properties.setScrollMetric(QScrollerProperties::MaximumVelocity, 1.2);
    properties.setScrollMetric(QScrollerProperties::DragVelocitySmoothingFactor, 0.6);
    scroller->setScrollerProperties(properties);
}
}  // namespace

OverlayScrollArea::OverlayScrollArea(QWidget* parent) : QWidget(parent) {
    m_area = new QScrollArea(this);
    m_area->setWidgetResizable(true);
    m_area->setFrameShape(QFrame::NoFrame);
    m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_area);

    QScrollBar* vertical = m_area->verticalScrollBar();
    m_overlayBar = new OverlayScrollBar(vertical, this);
    m_overlayBar->raise();

    setAttribute(Qt::WA_AcceptTouchEvents);
    m_area->viewport()->setAttribute(Qt::WA_AcceptTouchEvents);
    setUpKineticScrolling(this);
    setUpKineticScrolling(m_area->viewport());
    m_area->viewport()->installEventFilter(this);

    connect(vertical, &QScrollBar::valueChanged, this, &OverlayScrollArea::relayoutBar);
    connect(vertical, &QScrollBar::rangeChanged, this, &OverlayScrollArea::relayoutBar);
    relayoutBar();
}

void OverlayScrollArea::setWidget(QWidget* content) {
    m_area->setWidget(content);
    relayoutBar();
}

QWidget* OverlayScrollArea::widget() const {
    return m_area->widget();
}

void OverlayScrollArea::setTopMargin(int margin) {
    m_topMargin = margin;
    relayoutBar();
}

void OverlayScrollArea::setRightMargin(int margin) {
    m_rightMargin = margin;
    relayoutBar();
}

void OverlayScrollArea::relayoutBar() {
    int contentHeight = 0;
    if (QWidget* content = m_area->widget()) {
        contentHeight = content->sizeHint().height();
        if (contentHeight < 0) {  // no layout: its own height is all there is
            contentHeight = content->height();
        }
    }
    QWidget* viewport = m_area->viewport();
    const int visibleHeight = viewport->height();
    m_overlayBar->setFixedHeight(qMax(visibleHeight - m_topMargin, 0));
    const int viewportTop = viewport->mapTo(this, QPoint(0, 0)).y();
    m_overlayBar->move(width() - m_overlayBar->width() - m_rightMargin, viewportTop + m_topMargin);
    m_overlayBar->setHeights(contentHeight, visibleHeight);
    m_overlayBar->raise();
}

void OverlayScrollArea::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    relayoutBar();
}

void OverlayScrollArea::scrollBy(int dy) {
    QScrollBar* bar = m_area->verticalScrollBar();
    bar->setValue(bar->value() - dy);
}

bool OverlayScrollArea::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_area->viewport()) {
        switch (event->type()) {
            case QEvent::MouseButtonPress: {
                auto* mouse = static_cast<QMouseEvent*>(event);
                if (mouse->button() == Qt::LeftButton) {
                    m_dragging = true;
                    m_lastPos = mouse->globalPos();
                    return true;
                }
                break;
            }
            case QEvent::MouseMove: {
                auto* mouse = static_cast<QMouseEvent*>(event);
                if (m_dragging) {
                    scrollBy(mouse->globalPos().y() - m_lastPos.y());
                    m_lastPos = mouse->globalPos();
                }
                break;
            }
            case QEvent::MouseButtonRelease:
                m_dragging = false;
                break;
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool OverlayScrollArea::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::TouchBegin: {
            auto* touch = static_cast<QTouchEvent*>(event);
            if (!touch->touchPoints().isEmpty()) {
                m_lastTouchPos = touch->touchPoints().first().pos();
            }
            m_touching = true;
            return true;
        }
        case QEvent::TouchUpdate: {
            auto* touch = static_cast<QTouchEvent*>(event);
            if (!touch->touchPoints().isEmpty()) {
                const QPointF pos = touch->touchPoints().first().pos();
                scrollBy(qRound(pos.y() - m_lastTouchPos.y()));
                m_lastTouchPos = pos;
            }
            return true;
        }
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
            m_touching = false;
            return true;
        default:
            return QWidget::event(event);
    }
}
