#include "RightIconButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace {
const int kTextLeft = 12;
const int kTextRightReserve = 40;
const int kIconRightInset = 12;
}  // namespace

RightIconButton::RightIconButton(QWidget* parent) : QPushButton(parent) {}

RightIconButton::RightIconButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

QRect RightIconButton::textRect() const {
    return QRect(kTextLeft, 0, qMax(0, width() - kTextLeft - kTextRightReserve), height());
}

QRect RightIconButton::iconRect() const {
    const QSize size = iconSize();
    return QRect(width() - kIconRightInset - size.width(), (height() - size.height()) / 2, size.width(),
                 size.height());
}

void RightIconButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    painter.drawControl(QStyle::CE_PushButtonBevel, option);

    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(textRect(), Qt::AlignCenter, text());

    if (!icon().isNull()) {
        const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
        icon().paint(&painter, iconRect(), Qt::AlignCenter, mode);
    }
}
