#include "PhotoStamp.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

const char* const PhotoStamp::kDateFormat = "yyyy/MM/dd HH:mm:ss";

PhotoStamp::Geometry PhotoStamp::geometry(int imageWidth, const QString& text, const QFont& baseFont) {
    Geometry g;
    g.pixelSize = qMax(1, imageWidth / 35);
    g.margin = imageWidth / 40;
    QFont font(baseFont);
    font.setPixelSize(g.pixelSize);
    const QRect box = QFontMetrics(font).boundingRect(text);
    g.textRect = QRect(imageWidth - box.width() - g.margin, g.margin, box.width(), box.height());
    g.backgroundRect = g.textRect.adjusted(-10, -5, 10, 5);
    return g;
}

void PhotoStamp::drawOn(QImage& image) const {
    if (!m_enabled || image.isNull()) {
        return;
    }
    const Geometry g = geometry(image.width(), m_text, m_font);
    QFont font(m_font);
    font.setPixelSize(g.pixelSize);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.fillRect(g.backgroundRect, QColor(0, 0, 0, 120));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(g.textRect, Qt::AlignCenter, m_text);
}
