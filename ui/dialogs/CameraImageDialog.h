#ifndef CORVIX_CAMERA_IMAGE_DIALOG_H
#define CORVIX_CAMERA_IMAGE_DIALOG_H

#include <QMap>
#include <QStringList>

#include "PropertyDialogBase.h"

class QLabel;
class SidePopupSelector;
class UniversalButton;

// The camera's image properties (brightness ... backlight compensation) as nine parameter rows,
// plus the power-line frequency. Loading only reads the camera; only the user's changes are
// written back.
class CameraImageDialog : public PropertyDialogBase {
    Q_OBJECT

public:
    CameraImageDialog(CameraController* controller, QWidget* parent);

    CameraParamRow* row(int type) const { return m_rows.value(type); }
    SidePopupSelector* frequencySelector() const { return m_frequencySelector; }
    UniversalButton* resetButton() const { return m_resetButton; }
    UniversalButton* exitButton() const { return m_exitButton; }
    QWidget* content() const { return m_content; }

    // Property types in row and request order.
    static const QVector<int>& propertyTypes();

signals:
    void deviceSelected(int index);
    void sigSetPuCtPropertyType(int index);
    void sigSetFrequency(int index);

public slots:
    void onPuCtPropertyList(QStringList list);
    void onEnableSetFrequency(bool bEnable);
    void onSetFrequency(int index);
    void onInitSlider(int type, bool bEnable, int nMin, int nMax, int nStep, int nValue, bool bIsSupportAuto,
                      bool bDefaultAuto);
    void resetToDefaults();

protected:
    CameraParamRow* rowForType(int type) const override { return m_rows.value(type); }
    void setContentVisible(bool visible) override;
    void requestType(int type) override;
    const char* logName() const override { return "CameraImageDialog"; }

private:
    QMap<int, CameraParamRow*> m_rows;
    QWidget* m_lowerDivider = nullptr;
    QWidget* m_content = nullptr;
    UniversalButton* m_resetButton = nullptr;
    UniversalButton* m_exitButton = nullptr;
    SidePopupSelector* m_frequencySelector = nullptr;
    QLabel* m_frequencyLabel = nullptr;
    bool m_bFrequencySupported = true;
};

#endif
