#include "SvgIconLabel.h"

#include <QDebug>
#include <QPainter>
#include <QSvgRenderer>

SvgIconLabel::SvgIconLabel(QWidget* parent) : QWidget(parent), m_renderer(new QSvgRenderer(this)) {
    setFixedSize(m_size);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

SvgIconLabel::SvgIconLabel(const QString& path, QWidget* parent) : SvgIconLabel(parent) {
    setIcon(path);
}

void SvgIconLabel::setIcon(const QString& path) {
    m_path = path;
    if (!m_renderer->load(path)) {
        qWarning() << "SvgIconLabel::setIcon cannot load icon:" << path;
    }
    update();
}

bool SvgIconLabel::hasValidIcon() const {
    return m_renderer->isValid();
}

void SvgIconLabel::setIconSize(const QSize& size) {
    m_size = size;
    setFixedSize(size);
    updateGeometry();
    update();
}

QSize SvgIconLabel::sizeHint() const {
    return m_size;
}

void SvgIconLabel::paintEvent(QPaintEvent*) {
    if (!m_renderer->isValid()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    m_renderer->render(&painter, QRectF(rect()));
}
