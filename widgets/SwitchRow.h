#ifndef CORVIX_SWITCH_ROW_H
#define CORVIX_SWITCH_ROW_H

#include <QWidget>

class QLabel;
class SwitchButton;

// A title on the left and an on/off switch on the right. Only the user's clicks are reported.
class SwitchRow : public QWidget {
    Q_OBJECT
public:
    explicit SwitchRow(const QString& title, QWidget* parent = nullptr);

    SwitchButton* switchButton() const { return m_switch; }
    QLabel* titleLabel() const { return m_title; }
    // Sets the switch without emitting userToggled.
    void setChecked(bool checked);
    bool isChecked() const;

signals:
    void userToggled(bool checked);

private:
    QLabel* m_title = nullptr;
    SwitchButton* m_switch = nullptr;
};

#endif
