#include "SvgSpinnerWidget.h"

#include <QDebug>
#include <QPainter>
#include <QSvgRenderer>
#include <cmath>

SvgSpinnerWidget::SvgSpinnerWidget(const QString& svgPath, QWidget* parent, bool large)
    : QWidget(parent), m_renderer(new QSvgRenderer(svgPath, this)) {
    if (!m_renderer->isValid()) {
        qWarning() << "SvgSpinnerWidget: cannot load icon:" << svgPath;
    }
    setFixedSize(large ? QSize(120, 120) : QSize(60, 60));
    m_frameTimer.setInterval(kFrameMs);
    connect(&m_frameTimer, &QTimer::timeout, this, &SvgSpinnerWidget::nextFrame);
    if (large) {
        startAnimation();
    }
}

void SvgSpinnerWidget::setAngle(qreal angle) {
    if (angle == m_angle) {
        return;
    }
    m_angle = angle;
    update();
}

void SvgSpinnerWidget::startAnimation() {
    m_bAnimating = true;
    updateTimer();
}

void SvgSpinnerWidget::stopAnimation() {
    m_bAnimating = false;
    updateTimer();
}

void SvgSpinnerWidget::updateTimer() {
    const bool turn = m_bAnimating && isVisible();
    if (turn == m_frameTimer.isActive()) {
        return;
    }
    if (turn) {
        // Carries on from where it stood when it was hidden.
        m_startAngle = m_angle;
        m_clock.start();
        m_frameTimer.start();
    } else {
        m_frameTimer.stop();
    }
}

void SvgSpinnerWidget::nextFrame() {
    const qreal turned = 360.0 * qreal(m_clock.elapsed()) / kPeriodMs;
    setAngle(std::fmod(m_startAngle + turned, 360.0));
}

void SvgSpinnerWidget::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    updateTimer();
}

void SvgSpinnerWidget::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    updateTimer();
}

void SvgSpinnerWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_picture = QPixmap();
}

void SvgSpinnerWidget::paintEvent(QPaintEvent*) {
    const qreal dpr = devicePixelRatioF();
    if (m_picture.isNull() && !size().isEmpty()) {
        m_picture = QPixmap(size() * dpr);
        m_picture.setDevicePixelRatio(dpr);
        m_picture.fill(Qt::transparent);
        QPainter svg(&m_picture);
        svg.setRenderHint(QPainter::Antialiasing);
        m_renderer->render(&svg, QRectF(rect()));
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPointF centre(width() / 2.0, height() / 2.0);
    painter.translate(centre);
    painter.rotate(m_angle);
    painter.translate(-centre);
    painter.drawPixmap(QPointF(0, 0), m_picture);
}
