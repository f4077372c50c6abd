#include "SubVideoHintOverlay.h"

#include <QLabel>
#include <QPainter>
#include <QSvgWidget>
#include <QVBoxLayout>

#include "SvgSpinnerWidget.h"
#include "UiScale.h"

SubVideoHintOverlay::SubVideoHintOverlay(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
    setAttribute(Qt::WA_NoSystemBackground, true);
    setAttribute(Qt::WA_TranslucentBackground, true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(scaled(8));
    layout->addStretch(1);

    m_icon = new QSvgWidget(":/icons/nocamera.svg", this);
    m_icon->setFixedSize(scaled(60), scaled(60));
    layout->addWidget(m_icon, 0, Qt::AlignHCenter);

    m_caption = new QLabel(tr("无视频输入"), this);
    m_caption->setStyleSheet("color: white; font-size: 16px;");
    m_caption->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_caption, 0, Qt::AlignHCenter);

    m_spinner = new SvgSpinnerWidget(":/icons/loadding.svg", this);
    m_spinner->setFixedSize(scaled(200), scaled(200));
    m_spinner->hide();
    layout->addWidget(m_spinner, 0, Qt::AlignHCenter);

    m_hint = new QLabel(this);
    m_hint->setFixedWidth(scaled(300));
    m_hint->setStyleSheet("color: white; font-size: 16px;");
    m_hint->setAlignment(Qt::AlignCenter);
    m_hint->setWordWrap(true);
    m_hint->hide();
    layout->addWidget(m_hint, 0, Qt::AlignHCenter);

    layout->addSpacing(scaled(300));
}

void SubVideoHintOverlay::setLoading(bool on) {
    m_spinner->setVisible(on);
    // The small spinner only turns once started; keep it turning while it is shown.
    if (on) {
        m_spinner->startAnimation();
    } else {
        m_spinner->stopAnimation();
    }
}

void SubVideoHintOverlay::setHintText(const QString& text) {
    if (text.isEmpty()) {
        m_hint->hide();
        return;
    }
    m_hint->setText(text);
    m_hint->show();
}

bool SubVideoHintOverlay::isLoading() const {
    return !m_spinner->isHidden();
}

QString SubVideoHintOverlay::hintText() const {
    return m_hint->text();
}

bool SubVideoHintOverlay::isHintVisible() const {
    return !m_hint->isHidden();
}

void SubVideoHintOverlay::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 90));
}
