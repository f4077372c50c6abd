#include "SwitchButton.h"

#include <QDebug>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include "UiScale.h"

SwitchButton::SwitchButton(QWidget* parent) : QPushButton(parent) {
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(scaled(94), scaled(42));
    m_onIcon = renderIcon(kOnIcon);
    m_offIcon = renderIcon(kOffIcon);
    setIconSize(size());
    setStyleSheet(
        "\n        QPushButton {\n            border: none;\n            background: transparent;\n"
        "            padding: 0px;\n        }\n    ");
    showIconFor(false);
    connect(this, &QAbstractButton::toggled, this, &SwitchButton::onToggled);
}

QIcon SwitchButton::renderIcon(const QString& path) const {
    // Drawn at the screen's pixel density so the switch stays sharp on high-density screens.
    const qreal ratio = qMax<qreal>(1.0, qGuiApp ? qGuiApp->devicePixelRatio() : 1.0);
    QPixmap pixmap(size() * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) {
        qWarning() << "SwitchButton: cannot load icon:" << path;
        return QIcon(pixmap);
    }
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size())));
    return QIcon(pixmap);
}

void SwitchButton::showIconFor(bool checked) {
    setIcon(checked ? m_onIcon : m_offIcon);
    m_iconPath = checked ? kOnIcon : kOffIcon;
}

void SwitchButton::onToggled(bool checked) {
    showIconFor(checked);
}

void SwitchButton::setChecked(bool checked) {
    QPushButton::setChecked(checked);
    showIconFor(checked);
}

bool SwitchButton::isChecked() const {
    return QPushButton::isChecked();
}

QString SwitchButton::currentIconPath() const {
    return m_iconPath;
}
