#ifndef CORVIX_CAMERA_CONTROL_DIALOG_H
#define CORVIX_CAMERA_CONTROL_DIALOG_H

#include <QStringList>

#include "PropertyDialogBase.h"

class QLabel;
class SidePopupSelector;
class UniversalButton;

// Focus, exposure and iris as parameter rows, plus horizontal mirror and vertical flip. Works like
// the image settings dialog; exposure is switched to automatic whenever the camera can.
class CameraControlDialog : public PropertyDialogBase {
    Q_OBJECT

public:
    CameraControlDialog(CameraController* controller, QWidget* parent);

    CameraParamRow* focusRow() const { return m_focusRow; }
    CameraParamRow* exposureRow() const { return m_exposureRow; }
    CameraParamRow* irisRow() const { return m_irisRow; }
    SidePopupSelector* mirrorSelector() const { return m_mirrorSelector; }
    SidePopupSelector* flipSelector() const { return m_flipSelector; }
    QLabel* mirrorLabel() const { return m_mirrorLabel; }
    QLabel* flipLabel() const { return m_flipLabel; }
    UniversalButton* resetButton() const { return m_resetButton; }

    static const QVector<int>& propertyTypes();

signals:
    void sigSetPuCtPropertyType(int index);
    void sigSetChangeMirror(bool bChecked);
    void sigSetChangeFlip(bool bChecked);

public slots:
    void onPuCtPropertyList(QStringList list);
    void onInitSlider(int type, bool bEnable, int nMin, int nMax, int nStep, int nValue, bool bIsSupportAuto,
                      bool bDefaultAuto);
    void resetToDefaults();

protected:
    CameraParamRow* rowForType(int type) const override;
    void setContentVisible(bool visible) override;
    void requestType(int type) override;
    void answerApplied(int type, bool bEnable, int nValue, bool bIsSupportAuto, bool bDefaultAuto) override;
    const char* logName() const override { return "CameraControlDialog"; }

private:
    QLabel* m_autoHeader = nullptr;
    CameraParamRow* m_focusRow = nullptr;
    CameraParamRow* m_exposureRow = nullptr;
    CameraParamRow* m_irisRow = nullptr;
    QLabel* m_mirrorLabel = nullptr;
    SidePopupSelector* m_mirrorSelector = nullptr;
    QLabel* m_flipLabel = nullptr;
    SidePopupSelector* m_flipSelector = nullptr;
    QWidget* m_lowerDivider = nullptr;
    UniversalButton* m_resetButton = nullptr;
    UniversalButton* m_exitButton = nullptr;
};

#endif
