#include "RenderSurface.h"

#include <QEvent>
#include <QLoggingCategory>
#include <QPainter>
#include <QSocketNotifier>
#include <QtGlobal>

#include "FrameExchange.h"

Q_LOGGING_CATEGORY(lcRenderStats, "corvix.qelrenderqt.stats", QtWarningMsg)

RenderSurface::RenderSurface(std::shared_ptr<FrameExchange> exchange, WId handle)
    : m_exchange(std::move(exchange)), m_handle(handle) {}

RenderSurface::~RenderSurface() {
    detach();
    delete m_notifier;  // before the exchange, which owns the watched descriptor, can go
    m_notifier = nullptr;
}

bool RenderSurface::attach() {
    if (m_widget) {
        return true;
    }
    QWidget* widget = QWidget::find(m_handle);
    if (!widget) {
        qWarning("RenderSurface::attach no widget of this process has the native window %llu",
                 static_cast<unsigned long long>(m_handle));
        return false;
    }
    m_widget = widget;
    widget->installEventFilter(this);
    if (!m_notifier && m_exchange->wakeFd() >= 0) {
        m_notifier = new QSocketNotifier(m_exchange->wakeFd(), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &RenderSurface::onWake);
    }
    if (m_notifier) {
        m_notifier->setEnabled(true);
    }
    return true;
}

void RenderSurface::detach() {
    if (m_notifier) {
        m_notifier->setEnabled(false);
    }
    if (m_widget) {
        m_widget->removeEventFilter(this);
        if (m_madeOpaque) {
            m_widget->setAttribute(Qt::WA_OpaquePaintEvent, false);
            m_madeOpaque = false;
        }
        m_widget->update();  // the widget paints itself again
        m_widget.clear();
    }
}

void RenderSurface::onWake() {
    m_exchange->takeWake();
    if (m_widget) {
        m_widget->update();
    }
}

bool RenderSurface::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint && watched == m_widget.data()) {
        return paint();
    }
    return QObject::eventFilter(watched, event);
}

void RenderSurface::reportRates() {
    if (!lcRenderStats().isInfoEnabled()) {
        return;
    }
    if (!m_rateClock.isValid()) {
        m_rateClock.start();
        return;
    }
    const qint64 ms = m_rateClock.elapsed();
    if (ms < 1000) {
        return;
    }
    m_rateClock.restart();
    const QELRenderCounts c = m_exchange->counts();
    const double seconds = ms / 1000.0;
    qCInfo(lcRenderStats, "window %llu: painted %.1f/s converted %.1f/s offered %.1f/s",
           static_cast<unsigned long long>(m_handle), (c.painted - m_lastPainted) / seconds,
           (c.converted - m_lastConverted) / seconds, (c.offered - m_lastOffered) / seconds);
    m_lastPainted = c.painted;
    m_lastConverted = c.converted;
    m_lastOffered = c.offered;
}

bool RenderSurface::paint() {
    reportRates();
    QWidget* widget = m_widget.data();
    const bool painted = m_exchange->paintFront([widget](const QImage& image) {
        QPainter painter(widget);
        // The picture was made for the widget's size in device pixels: draw it 1:1 in device
        // pixels and keep what it does not cover (a resize not yet reached by a frame) black.
        // Undoing the device pixel ratio first keeps a fractional ratio (0.999 under Xvfb,
        // 1.25 on many laptops) from sending every frame through Qt's image scaler.
        const qreal ratio = widget->devicePixelRatioF();
        painter.setWorldTransform(QTransform::fromScale(1 / ratio, 1 / ratio));
        painter.drawImage(QPointF(0, 0), image);
        const qreal width = widget->width() * ratio;
        const qreal height = widget->height() * ratio;
        if (image.width() < width) {
            painter.fillRect(QRectF(image.width(), 0, width - image.width(), height), Qt::black);
        }
        if (image.height() < height) {
            painter.fillRect(QRectF(0, image.height(), image.width(), height - image.height()), Qt::black);
        }
    });
    // The picture covers every pixel from now on: Qt need not fill the widget's background
    // under it first (a full-window fill per frame).
    if (painted && !widget->testAttribute(Qt::WA_OpaquePaintEvent)) {
        widget->setAttribute(Qt::WA_OpaquePaintEvent, true);
        m_madeOpaque = true;
    }
    return painted;
}
