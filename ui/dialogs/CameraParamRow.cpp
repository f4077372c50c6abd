#include "CameraParamRow.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QSignalBlocker>
#include <QSlider>
#include <QStackedLayout>
#include <QStyle>
#include <QSvgRenderer>
#include <QVariant>

#include "UiScale.h"

namespace {

const char* kNameStyle =
    "\n        QLabel { color:#FFFFFF; font-size:16pt; }\n        QLabel:disabled { color:#55585B; }\n    ";
const char* kValueStyle =
    "\n        QLabel { color:#FFFFFF; font-size:16px; }\n        QLabel:disabled { color:#55585B; }\n    ";
const char* kFrameStyle =
    "\n    QWidget {\n        border: 2px solid #FFFFFF;\n        background: transparent;\n    }\n"
    "    QWidget[locked=\"true\"] {\n        border: 2px solid #55585B;\n    }\n";
const char* kSliderStyle = R"(
    QSlider::groove:horizontal { height: 4px; background: #595C5F; border-radius: 2px; margin: 0 8px; }
    QSlider::sub-page:horizontal { background: #FFFFFF; border-radius: 2px; }
    QSlider::add-page:horizontal { background: #55585B; border-radius: 2px; }
    QSlider::handle:horizontal { width: 12px; height: 12px; margin: -4px 0; border-radius: 6px;
                                 background: #FFFFFF; }
    QSlider[auto="true"]::sub-page:horizontal { background: #595C5F; }
    QSlider[auto="true"]::add-page:horizontal { background: #595C5F; }
    QSlider[auto="true"]::handle:horizontal { background: #34383C; border: 2px solid #FFFFFF; }
)";

}  // namespace

CameraParamRow::CameraParamRow(const QString& title, QWidget* parent) : QWidget(parent) {
    setFixedHeight(scaled(56));

    m_nameLabel = new QLabel(title, this);
    m_nameLabel->setFixedWidth(scaled(100));
    m_nameLabel->setStyleSheet(kNameStyle);

    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setContentsMargins(0, 0, scaled(10), 0);
    m_slider->setFixedWidth(scaled(350));
    m_slider->setStyleSheet(kSliderStyle);
    m_slider->setProperty("auto", false);
    m_slider->setFocusPolicy(Qt::StrongFocus);

    m_valueLabel = new QLabel("0", this);
    m_valueLabel->setFixedWidth(scaled(50));
    m_valueLabel->setAlignment(Qt::AlignCenter);
    m_valueLabel->setStyleSheet(kValueStyle);

    const QSize boxSize(scaled(20), scaled(20));
    auto* autoHolder = new QWidget(this);
    autoHolder->setFixedSize(boxSize);
    auto* stack = new QStackedLayout(autoHolder);
    stack->setStackingMode(QStackedLayout::StackAll);
    stack->setContentsMargins(0, 0, 0, 0);

    m_autoFrame = new QWidget(autoHolder);
    m_autoFrame->setFixedSize(boxSize);
    m_autoFrame->setAttribute(Qt::WA_StyledBackground, true);
    m_autoFrame->setStyleSheet(kFrameStyle);
    m_autoFrame->setProperty("locked", false);

    m_autoBox = new QCheckBox(autoHolder);
    m_autoBox->setFixedSize(boxSize);
    m_autoBox->setStyleSheet("QCheckBox{background:transparent;}");

    m_checkMark = new QLabel(autoHolder);
    m_checkMark->setFixedSize(boxSize);
    m_checkMark->setAlignment(Qt::AlignCenter);
    m_checkMark->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    QPixmap tick(boxSize);
    tick.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/icons/selectimage.svg"));
    if (renderer.isValid()) {
        QPainter painter(&tick);
        renderer.render(&painter, QRectF(0, 0, boxSize.width(), boxSize.height()));
    }
    m_checkMark->setPixmap(tick);
    m_checkMark->hide();

    // Bottom to top: frame, box, tick.
    stack->addWidget(m_autoFrame);
    stack->addWidget(m_autoBox);
    stack->addWidget(m_checkMark);
    m_checkMark->raise();

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_nameLabel);
    layout->addSpacing(scaled(50));
    layout->addWidget(m_slider, 1);
    layout->addStretch();
    layout->addWidget(m_valueLabel);
    layout->addSpacing(scaled(30));
    layout->addWidget(autoHolder);

    connect(m_slider, &QSlider::valueChanged, this, [this](int v) {
        m_valueLabel->setText(QString::number(v));
        emit valueChanged(v);
    });
    connect(m_autoBox, &QCheckBox::toggled, this, [this](bool checked) {
        m_checkMark->setVisible(checked);
        applyAutoLook(checked);
        emit autoChanged(checked);
    });
}

void CameraParamRow::repolish(QWidget* widget) {
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
    widget->update();
}

void CameraParamRow::applyAutoLook(bool on) {
    m_slider->setProperty("auto", on);
    m_slider->setAttribute(Qt::WA_TransparentForMouseEvents, on);
    // An automatic value is the camera's: no keyboard changes either.
    m_slider->setFocusPolicy(on ? Qt::NoFocus : Qt::StrongFocus);
    if (m_slider->isEnabled()) {
        m_valueLabel->setEnabled(!on);
    }
    repolish(m_slider);
}

void CameraParamRow::setParamEnabled(bool enabled) {
    m_nameLabel->setEnabled(enabled);
    m_valueLabel->setEnabled(enabled);
    m_slider->setEnabled(enabled);
    if (!enabled) {
        m_autoBox->setEnabled(false);
        m_autoFrame->setProperty("locked", true);
        // Not blocked: a row leaving auto tells its owner.
        m_autoBox->setChecked(false);
        m_checkMark->hide();
        m_slider->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    } else if (!isAuto()) {
        m_slider->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    }
    repolish(m_autoFrame);
}

void CameraParamRow::setRange(int min, int max, int step, int value, bool supportAuto, bool defaultAuto) {
    {
        const QSignalBlocker blocker(m_slider);
        m_slider->setRange(min, max);
        const int s = step < 1 ? 1 : step;
        m_slider->setSingleStep(s);
        m_slider->setPageStep(s);
        m_slider->setValue(value);
    }
    m_valueLabel->setText(QString::number(m_slider->value()));
    const bool on = supportAuto && defaultAuto;
    m_autoBox->show();
    m_autoBox->setChecked(on);
    m_checkMark->setVisible(on);
    setAutoSupported(supportAuto);
    applyAutoLook(on);
}

void CameraParamRow::setAutoSupported(bool supported) {
    m_autoBox->setEnabled(supported);
    m_autoFrame->setProperty("locked", !supported);
    if (!supported) {
        {
            const QSignalBlocker blocker(m_autoBox);
            m_autoBox->setChecked(false);
            m_checkMark->hide();
        }
        applyAutoLook(false);
    }
    repolish(m_autoFrame);
}

void CameraParamRow::setAuto(bool on) {
    {
        const QSignalBlocker blocker(m_autoBox);
        m_autoBox->setChecked(on);
        m_checkMark->setVisible(on);
    }
    applyAutoLook(on);
}

void CameraParamRow::setValue(int value) {
    const QSignalBlocker blocker(m_slider);
    m_slider->setValue(value);
    m_valueLabel->setText(QString::number(m_slider->value()));
}

int CameraParamRow::value() const {
    return m_slider->value();
}

bool CameraParamRow::isAuto() const {
    return m_autoBox->isChecked();
}

bool CameraParamRow::isAutoSupported() const {
    return m_autoBox->isEnabled();
}
