#ifndef CORVIX_RIGHT_ICON_BUTTON_H
#define CORVIX_RIGHT_ICON_BUTTON_H

#include <QPushButton>

// A push button with its text centred in the left part and its icon at the right edge
// (the face of a drop-down selector).
class RightIconButton : public QPushButton {
    Q_OBJECT
public:
    explicit RightIconButton(QWidget* parent = nullptr);
    explicit RightIconButton(const QString& text, QWidget* parent = nullptr);

    // Where the text and the icon are drawn.
    QRect textRect() const;
    QRect iconRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

#endif
