#include "UpgradeProgressDisc.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "TranslucentWindowMask.h"
#include "UiScale.h"

UpgradeProgressDisc::UpgradeProgressDisc(QWidget* parent) : QWidget(parent) {
    setObjectName("upgradeProgressDisc");
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(scaled(120), scaled(120));
    // Only the disc is drawn, with the progress ring's outer half (its pen is 8 px wide) beyond it.
    TranslucentWindowMask::apply(this,
                                 [this] { return QRegion(rect().adjusted(3, 3, -3, -3), QRegion::Ellipse); });
    setCursor(Qt::PointingHandCursor);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->geometry().width() - 130, 30);
    }
}

void UpgradeProgressDisc::setPercent(int percent) {
    m_nPercent = qBound(0, percent, 100);
    update();
}

void UpgradeProgressDisc::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect disc = rect().adjusted(8, 8, -8, -8);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 240));
    painter.drawEllipse(disc);
    // Clockwise from 12 o'clock.
    painter.setPen(QPen(QColor("#81C7FF"), 8));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(disc, 90 * 16, -(m_nPercent * 360 / 100) * 16);
    QFont font("Arial", 16, QFont::Bold);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(disc, Qt::AlignCenter, QStringLiteral("%1%").arg(m_nPercent));
}

void UpgradeProgressDisc::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit sigPressed();
}
