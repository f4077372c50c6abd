#ifndef CORVIX_UNIVERSAL_BUTTON_H
#define CORVIX_UNIVERSAL_BUTTON_H

#include <QColor>
#include <QPushButton>
#include <QSize>
#include <QString>

class QSvgRenderer;

// The general button of the application, in three kinds:
// - Icon: an SVG per state (normal, hover, pressed, focus, disabled), nothing else drawn;
// - Toggle: checkable, a fill colour per state under an SVG, keeps its checked look;
// - Text: a rounded dark button with centred text.
class UniversalButton : public QPushButton {
    Q_OBJECT
public:
    enum Kind { Icon = 0, Toggle = 1, Text = 2 };
    enum VisualState {
        StateNormal = 0,
        StateHover = 1,      // toggle and text kinds
        StateIconHover = 2,  // icon kind
        StatePressed = 3,
        StateChecked = 4,
        StateDisabled = 5
    };

    explicit UniversalButton(QWidget* parent = nullptr, Kind kind = Icon);

    static UniversalButton* createIconButton(const QString& iconPath, const QSize& size,
                                             QWidget* parent = nullptr);
    static UniversalButton* createToggleButton(const QString& normal, const QString& hover,
                                               const QString& pressed, const QString& checked,
                                               const QSize& size, QWidget* parent = nullptr);
    static UniversalButton* createTextButton(const QString& text, const QFont& font, const QSize& size,
                                             QWidget* parent = nullptr);

    // Missing paths fall back to the normal one.
    void setIcons(const QString& normal, const QString& hover = QString(), const QString& pressed = QString(),
                  const QString& checked = QString(), const QString& disabled = QString());
    void setFocusIcon(const QString& path);

    // Toggle and text kinds: fixes the widget's size. Icon kind: the preferred size (also the
    // icon's drawn size), used when both values are >= 0.
    void setButtonSize(const QSize& size);
    QSize preferredSize() const { return m_preferredSize; }
    // Any kind: the size the icon is drawn at, without touching the widget's size (a toggle
    // tab of 190 x 60 with a 40 x 40 icon).
    void setPreferredIconSize(const QSize& size);

    void setKind(Kind kind);
    Kind kind() const { return m_kind; }
    void setButtonFont(const QFont& font);

    // The first colour always; the others only if valid.
    void setTextColors(const QColor& normal, const QColor& hover = QColor(), const QColor& pressed = QColor(),
                       const QColor& disabled = QColor());
    QColor textColor(int index) const;
    void setToggleColors(const QColor& normal, const QColor& hover = QColor(),
                         const QColor& pressed = QColor(), const QColor& checked = QColor(),
                         const QColor& disabled = QColor());
    // The toggle kind's fill for a visual state.
    QColor fillColor(int state) const;

    int visualState() const { return m_state; }
    // The SVG path last chosen for the current state (empty for the text kind or before any icon).
    QString currentIconPath() const { return m_currentIconPath; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private slots:
    void onToggled(bool checked);

private:
    void setUp();
    void setState(int state);
    void updateIcon();
    QRectF iconRect() const;
    void paintText(QPainter& painter);

    Kind m_kind = Icon;
    int m_state = StateNormal;
    QSize m_preferredSize{-1, -1};
    QSvgRenderer* m_renderer = nullptr;
    QString m_normalPath;
    QString m_hoverPath;
    QString m_pressedPath;
    QString m_focusPath;
    QString m_checkedPath;
    QString m_disabledPath;
    QColor m_textNormal{Qt::black};
    QColor m_textHover{Qt::blue};
    QColor m_textPressed{Qt::darkBlue};
    QColor m_textDisabled{Qt::gray};
    QColor m_fillNormal{"#55585B"};
    QColor m_fillHover{"#55585B"};
    QColor m_fillPressed{"#2A4563"};
    QColor m_fillChecked{"#2A4563"};
    QColor m_fillDisabled{"#AAAAAA"};
    QString m_currentIconPath;
};

#endif
