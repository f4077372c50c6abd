#ifndef CORVIX_SWITCH_BUTTON_H
#define CORVIX_SWITCH_BUTTON_H

#include <QIcon>
#include <QPushButton>

// An on/off switch drawn from two SVGs, sized scaled 94 x scaled 42.
class SwitchButton : public QPushButton {
    Q_OBJECT
public:
    static constexpr const char* kOnIcon = ":/icons/switch_normal.svg";
    static constexpr const char* kOffIcon = ":/icons/switch_close.svg";

    explicit SwitchButton(QWidget* parent = nullptr);

    void setChecked(bool checked);
    bool isChecked() const;

    // The SVG behind the icon now shown.
    QString currentIconPath() const;

private slots:
    void onToggled(bool checked);

private:
    QIcon renderIcon(const QString& path) const;
    void showIconFor(bool checked);

    QIcon m_onIcon;
    QIcon m_offIcon;
    QString m_iconPath;
};

#endif
