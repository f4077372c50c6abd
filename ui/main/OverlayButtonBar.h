#ifndef CORVIX_OVERLAY_BUTTON_BAR_H
#define CORVIX_OVERLAY_BUTTON_BAR_H

#include <QWidget>

class UniversalButton;

// The overlay's row of large icon buttons: settings and folder on the left; photo, record and the
// active camera feature in the centre; exit on the right.
class OverlayButtonBar : public QWidget {
    Q_OBJECT

public:
    explicit OverlayButtonBar(QWidget* parent = nullptr);

    // A 120 x 120 (scaled) icon button with normal, pressed, focus and disabled icons.
    static UniversalButton* makeButton(const QString& normal, const QString& pressed, const QString& focus,
                                       const QString& disabled, QWidget* parent);

    UniversalButton* settingsButton() const { return m_settings; }
    UniversalButton* fileButton() const { return m_file; }
    UniversalButton* captureButton() const { return m_capture; }
    UniversalButton* recordButton() const { return m_record; }
    UniversalButton* featureButton() const { return m_feature; }
    UniversalButton* exitButton() const { return m_exit; }

    // Shows the feature button with one icon for every state; an empty path shows it without an image.
    void setFeatureIcon(const QString& path);

private:
    UniversalButton* m_settings = nullptr;
    UniversalButton* m_file = nullptr;
    UniversalButton* m_capture = nullptr;
    UniversalButton* m_record = nullptr;
    UniversalButton* m_feature = nullptr;
    UniversalButton* m_exit = nullptr;
};

#endif
