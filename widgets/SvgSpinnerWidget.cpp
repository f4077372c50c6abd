#include "SvgSpinnerWidget.h"

#include <QDebug>
#include <QPainter>
#include <QPropertyAnimation>
#include <QSvgRenderer>

SvgSpinnerWidget::SvgSpinnerWidget(const QString& svgPath, QWidget* parent, bool large)
    : QWidget(parent), m_renderer(new QSvgRenderer(svgPath, this)) {
    if (!m_renderer->isValid()) {
        qWarning() << "SvgSpinnerWidget: cannot load icon:" << svgPath;
    }
    setFixedSize(large ? QSize(120, 120) : QSize(60, 60));
    m_animation = new QPropertyAnimation(this, "angle", this);
    m_animation->setStartValue(0.0);
    m_animation->setEndValue(360.0);
    m_animation->setDuration(3000);
    m_animation->setLoopCount(-1);
    m_animation->setEasingCurve(QEasingCurve::Linear);
    if (large) {
        m_animation->start();
    }
}

void SvgSpinnerWidget::setAngle(qreal angle) {
    m_angle = angle;
    update();
}

void SvgSpinnerWidget::startAnimation() {
    m_animation->start();
}

void SvgSpinnerWidget::stopAnimation() {
    m_animation->stop();
}

bool SvgSpinnerWidget::isAnimating() const {
    return m_animation->state() == QAbstractAnimation::Running;
}

void SvgSpinnerWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(width() / 2.0, height() / 2.0);
    painter.translate(centre);
    painter.rotate(m_angle);
    painter.translate(-centre);
    m_renderer->render(&painter, QRectF(rect()));
}
