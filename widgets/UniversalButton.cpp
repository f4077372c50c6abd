#include "UniversalButton.h"

#include <QDebug>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QSvgRenderer>

UniversalButton::UniversalButton(QWidget* parent, Kind kind)
    : QPushButton(parent), m_kind(kind), m_renderer(new QSvgRenderer(this)) {
    setUp();
}

UniversalButton* UniversalButton::createIconButton(const QString& iconPath, const QSize& size,
                                                   QWidget* parent) {
    auto* button = new UniversalButton(parent, Icon);
    button->setIcons(iconPath);
    if (size.width() >= 0 && size.height() >= 0) {
        button->setButtonSize(size);
    }
    return button;
}

UniversalButton* UniversalButton::createToggleButton(const QString& normal, const QString& hover,
                                                     const QString& pressed, const QString& checked,
                                                     const QSize& size, QWidget* parent) {
    auto* button = new UniversalButton(parent, Toggle);
    button->setIcons(normal, hover, pressed, checked);
    if (size.width() >= 0 && size.height() >= 0) {
        button->setButtonSize(size);
    }
    return button;
}

UniversalButton* UniversalButton::createTextButton(const QString& text, const QFont& font, const QSize& size,
                                                   QWidget* parent) {
    auto* button = new UniversalButton(parent, Text);
    button->setText(text);
    if (!font.family().isEmpty()) {
        button->setFont(font);
    }
    if (size.width() >= 0 && size.height() >= 0) {
        button->setButtonSize(size);
    }
    return button;
}

void UniversalButton::setUp() {
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    if (m_kind == Icon) {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    if (m_kind == Toggle) {
        setCheckable(true);
        connect(this, &QAbstractButton::toggled, this, &UniversalButton::onToggled, Qt::UniqueConnection);
    }
    if (!isEnabled()) {
        m_state = StateDisabled;
    } else if (m_kind == Toggle && isChecked()) {
        m_state = StateChecked;
    } else {
        m_state = StateNormal;
    }
    updateIcon();
}

void UniversalButton::onToggled(bool checked) {
    if (m_kind != Toggle || !isEnabled()) {
        return;
    }
    setState(checked ? StateChecked : StateNormal);
}

void UniversalButton::setIcons(const QString& normal, const QString& hover, const QString& pressed,
                               const QString& checked, const QString& disabled) {
    m_normalPath = normal;
    m_hoverPath = hover.isEmpty() ? normal : hover;
    m_pressedPath = pressed.isEmpty() ? normal : pressed;
    m_checkedPath = checked.isEmpty() ? normal : checked;
    m_disabledPath = disabled.isEmpty() ? normal : disabled;
    updateIcon();
}

void UniversalButton::setFocusIcon(const QString& path) {
    m_focusPath = path;
    updateIcon();
}

void UniversalButton::setButtonSize(const QSize& size) {
    if (size.width() < 0 || size.height() < 0) {
        return;
    }
    if (m_kind == Icon) {
        m_preferredSize = size;
        resize(size);
        updateGeometry();
        update();
    } else {
        setFixedSize(size);
    }
}

void UniversalButton::setPreferredIconSize(const QSize& size) {
    if (size.width() < 0 || size.height() < 0) {
        return;
    }
    m_preferredSize = size;
    if (m_kind == Icon) {
        updateGeometry();
    }
    update();
}

void UniversalButton::setKind(Kind kind) {
    m_kind = kind;
    setUp();
}

void UniversalButton::setButtonFont(const QFont& font) {
    setFont(font);
    update();
}

void UniversalButton::setTextColors(const QColor& normal, const QColor& hover, const QColor& pressed,
                                    const QColor& disabled) {
    m_textNormal = normal;
    if (hover.isValid()) {
        m_textHover = hover;
    }
    if (pressed.isValid()) {
        m_textPressed = pressed;
    }
    if (disabled.isValid()) {
        m_textDisabled = disabled;
    }
    update();
}

QColor UniversalButton::textColor(int index) const {
    switch (index) {
        case 1:
            return m_textHover;
        case 2:
            return m_textPressed;
        case 3:
            return m_textDisabled;
        default:
            return m_textNormal;
    }
}

void UniversalButton::setToggleColors(const QColor& normal, const QColor& hover, const QColor& pressed,
                                      const QColor& checked, const QColor& disabled) {
    m_fillNormal = normal;
    if (hover.isValid()) {
        m_fillHover = hover;
    }
    if (pressed.isValid()) {
        m_fillPressed = pressed;
    }
    if (checked.isValid()) {
        m_fillChecked = checked;
    }
    if (disabled.isValid()) {
        m_fillDisabled = disabled;
    }
    update();
}

QColor UniversalButton::fillColor(int state) const {
    switch (state) {
        case StateHover:
            return m_fillHover;
        case StatePressed:
            return m_fillPressed;
        case StateChecked:
            return m_fillChecked;
        case StateDisabled:
            return m_fillDisabled;
        default:
            return m_fillNormal;
    }
}

QSize UniversalButton::sizeHint() const {
    if (m_kind == Icon && m_preferredSize.width() >= 0 && m_preferredSize.height() >= 0) {
        return m_preferredSize;
    }
    return QPushButton::sizeHint();
}

QSize UniversalButton::minimumSizeHint() const {
    if (m_kind == Icon && m_preferredSize.width() >= 0 && m_preferredSize.height() >= 0) {
        return m_preferredSize;
    }
    return QPushButton::minimumSizeHint();
}

void UniversalButton::setState(int state) {
    m_state = state;
    updateIcon();
}

void UniversalButton::updateIcon() {
    if (m_kind == Text) {
        update();
        return;
    }
    QString path;
    if (!isEnabled() && !m_disabledPath.isEmpty()) {
        path = m_disabledPath;
    } else if (m_kind == Toggle && isChecked() && !m_checkedPath.isEmpty()) {
        path = m_checkedPath;
    } else {
        switch (m_state) {
            case StateIconHover:
                path = m_focusPath.isEmpty() ? m_normalPath : m_focusPath;
                break;
            case StatePressed:
                path = m_pressedPath;
                break;
            case StateHover:
                path = m_hoverPath;
                break;
            default:
                path = m_normalPath;
                break;
        }
    }
    if (!path.isEmpty() && path != m_currentIconPath) {
        m_currentIconPath = path;
        if (!m_renderer->load(path)) {
            qWarning() << "UniversalButton::updateIcon cannot load icon:" << path;
        }
    }
    update();
}

void UniversalButton::enterEvent(QEvent* event) {
    if (isEnabled()) {
        switch (m_kind) {
            case Icon:
                if (m_state != StatePressed) {
                    setState(StateIconHover);
                }
                break;
            case Toggle:
                if (!isChecked()) {
                    setState(StateHover);
                }
                break;
            case Text:
                setState(StateHover);
                break;
        }
    }
    QPushButton::enterEvent(event);
}

void UniversalButton::leaveEvent(QEvent* event) {
    if (isEnabled() && (m_kind != Toggle || !isChecked())) {
        setState(StateNormal);
    }
    QPushButton::leaveEvent(event);
}

void UniversalButton::mousePressEvent(QMouseEvent* event) {
    if (isEnabled()) {
        setState(StatePressed);
    }
    QPushButton::mousePressEvent(event);
}

void UniversalButton::mouseReleaseEvent(QMouseEvent* event) {
    // A click handler may delete or disable the button.
    QPointer<UniversalButton> self(this);
    QPushButton::mouseReleaseEvent(event);
    if (!self || !isEnabled()) {
        return;
    }
    switch (m_kind) {
        case Icon:
            setState(StateIconHover);
            break;
        case Toggle:
            setState(isChecked() ? StateChecked : StateHover);
            break;
        case Text:
            setState(StateHover);
            break;
    }
}

void UniversalButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled()) {
            setState(StateDisabled);
        } else {
            // A checked toggle comes back in its checked look.
            setState(m_kind == Toggle && isChecked() ? StateChecked : StateNormal);
        }
    }
    QPushButton::changeEvent(event);
}

QRectF UniversalButton::iconRect() const {
    QSizeF iconSize = (m_preferredSize.width() >= 0 && m_preferredSize.height() >= 0)
                          ? QSizeF(m_preferredSize)
                          : QSizeF(m_renderer->defaultSize());
    if (iconSize.width() > width() || iconSize.height() > height()) {
        iconSize.scale(QSizeF(size()), Qt::KeepAspectRatio);
    }
    return QRectF(QPointF((width() - iconSize.width()) / 2.0, (height() - iconSize.height()) / 2.0),
                  iconSize);
}

void UniversalButton::paintText(QPainter& painter) {
    QColor background("#34383C");
    QColor foreground("#C3C4C5");
    if (m_state == StatePressed) {
        background = QColor("#2B2F33");
    } else if (m_state == StateDisabled) {
        foreground = QColor("#777777");
    } else if (m_state == StateHover) {
        background = QColor("#3F4449");
    }
    // Half a pixel in, so the 1-pixel border lies wholly inside the button.
    painter.setPen(QPen(foreground, 1));
    painter.setBrush(background);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, text());
}

void UniversalButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (m_kind == Text) {
        paintText(painter);
        return;
    }
    if (m_kind == Toggle) {
        painter.fillRect(rect(), fillColor(m_state));
    }
    if (m_renderer->isValid()) {
        m_renderer->render(&painter, iconRect());
    }
}
