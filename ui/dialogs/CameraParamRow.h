#ifndef CORVIX_CAMERA_PARAM_ROW_H
#define CORVIX_CAMERA_PARAM_ROW_H

#include <QWidget>

class QCheckBox;
class QLabel;
class QSlider;

// One numeric camera property: title, slider, value and an "auto" box with its own frame and
// tick. The row knows nothing about cameras; its owner feeds it ranges and listens to the two
// signals. Only a user's change of the slider is reported as valueChanged.
class CameraParamRow : public QWidget {
    Q_OBJECT

public:
    explicit CameraParamRow(const QString& title, QWidget* parent = nullptr);

    void setParamEnabled(bool enabled);
    void setRange(int min, int max, int step, int value, bool supportAuto, bool defaultAuto);
    void setAutoSupported(bool supported);
    // Sets the auto state without emitting autoChanged.
    void setAuto(bool on);
    void setAutoLocked(bool locked) { setAutoSupported(!locked); }
    // Sets the slider without emitting valueChanged.
    void setValue(int value);
    int value() const;
    bool isAuto() const;
    bool isAutoSupported() const;

    QSlider* slider() const { return m_slider; }
    QCheckBox* autoBox() const { return m_autoBox; }
    QLabel* valueLabel() const { return m_valueLabel; }
    QLabel* checkMark() const { return m_checkMark; }
    QWidget* autoFrame() const { return m_autoFrame; }

signals:
    void valueChanged(int value);
    void autoChanged(bool on);

private:
    void applyAutoLook(bool on);
    static void repolish(QWidget* widget);

    QLabel* m_nameLabel = nullptr;
    QSlider* m_slider = nullptr;
    QLabel* m_valueLabel = nullptr;
    QWidget* m_autoFrame = nullptr;
    QCheckBox* m_autoBox = nullptr;
    QLabel* m_checkMark = nullptr;
};

#endif
