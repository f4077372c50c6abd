#include "ToastLabel.h"

#include <QFontMetrics>
#include <QTimer>

#include "UiScale.h"

ToastLabel::ToastLabel(QWidget* parent) : QLabel(parent), m_hideTimer(new QTimer(this)) {
    hide();
    setWordWrap(false);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_hideTimer->setSingleShot(true);
    connect(m_hideTimer, &QTimer::timeout, this, &QWidget::hide);
}

void ToastLabel::setMaxWidth(int width) {
    m_maxWidth = width;
}

QString ToastLabel::styleSheetFor(int type) {
    QString background;
    switch (type) {
        case 1:
            background = "rgba(0, 0, 0, 0.4)";
            break;
        case 2:
            background = "rgba(180, 50, 50, 0.6)";
            break;
        default:
            background = "rgba(0, 0, 0, 0.55)";
            break;
    }
    return QString(
               "\n        QLabel {\n            color: white;\n            background-color: %1;\n"
               "            border-radius: 6px;\n            padding: 6px 14px;\n"
               "            font-size: 12px;\n        }\n    ")
        .arg(background);
}

void ToastLabel::showMessage(const QString& text, int type, int durationMs) {
    m_fullText = text;
    setText(text);
    setStyleSheet(styleSheetFor(type));
    fitSize();
    raise();
    show();
    // One timer for all messages: an earlier message's timeout must not cut a later one short.
    m_hideTimer->stop();
    if (durationMs >= 1) {
        m_hideTimer->start(durationMs);
    }
}

void ToastLabel::fitSize() {
    ensurePolished();  // the style sheet's font size takes effect here
    const int horizontalPadding = scaled(40);
    const int verticalPadding = scaled(30);
    const QFontMetrics metrics(font());
    const QString elided =
        metrics.elidedText(m_fullText, Qt::ElideMiddle, qMax(0, m_maxWidth - horizontalPadding));
    setText(elided);
    setFixedSize(horizontalPadding + metrics.horizontalAdvance(elided), metrics.height() + verticalPadding);
}
