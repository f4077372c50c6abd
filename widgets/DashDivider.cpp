#include "DashDivider.h"

#include <QPainter>
#include <QPen>

namespace UiComponents {

DashDivider::DashDivider(QWidget* parent) : QWidget(parent) {
    // Stretches across a layout; a few pixels tall so the line is never squeezed away.
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize DashDivider::sizeHint() const {
    return QSize(40, 3);
}

void DashDivider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(QColor("#7B7E80"), 1);
    pen.setDashPattern({13, 6});
    painter.setPen(pen);
    const int y = height() / 2;
    painter.drawLine(0, y, width(), y);
}

}  // namespace UiComponents
