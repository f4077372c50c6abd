#ifndef CORVIX_CAMERA_SETTING_IMAGE_PAGE_H
#define CORVIX_CAMERA_SETTING_IMAGE_PAGE_H

#include <QList>
#include <QStringList>
#include <QVector>
#include <QWidget>

#include "GesturePopupWidget.h"

class CameraController;
class CameraControlDialog;
class CameraImageDialog;
class CameraRecordDialog;
class QFrame;
class SidePopupSelector;
class SwitchRow;
class UniversalButton;
namespace UiComponents {
class DashDivider;
}

// The camera feature page of the settings panel: privacy, lens (angle) choice, the AI tracking,
// gesture, framing, board detection and effect modes, picture-in-picture, and the buttons of the
// three property dialogs. A row is shown only when the camera reports the feature; the camera's
// reports set the switches without a signal, the user's clicks become the page's signals.
class CameraSettingImagePage : public QWidget {
    Q_OBJECT

public:
    enum Row {
        Privacy,
        NonStitching,
        HandRaise,
        Face,
        FaceGesture,
        Voice,
        VoiceGesture,
        Standing,
        StandingGesture,
        Whiteboard,
        WhiteboardGesture,
        ImageEnhance,
        GestureHead,
        GestureCamera,
        Gallery,
        Grid,
        RoundTable,
        WhiteboardDetect,
        BlackboardDetect,
        GreenboardDetect,
        Beautify,
        Blur,
        Mosaic,
        Pip,
        RowCount
    };
    Q_ENUM(Row)

    // How long an explanation or legend popup stays.
    static constexpr int kPopupMs = 5000;

    CameraSettingImagePage(CameraController* controller, QWidget* parent);

    // Camera reports (no signal results, except through the angle selector).
    void setSensorSupported(bool supported);
    void setSensorList(const QStringList& names);
    void setCurrentSensor(int n);
    void enableHideMode(bool enable);
    void checkHideMode(bool on);
    void enableNonStitching(bool enable);
    void checkNonStitching(bool on);
    void enableFaceTracking(bool enable);
    void checkFaceTracking(bool on);
    void enableSoundTracking(bool enable);
    void checkSoundTracking(bool on);
    void enablePip(bool enable);
    void checkPip(bool on);
    void enableHandGesture(const QVector<long>& mask);
    void checkHandGesture(long n);
    void enableCanvas(const QVector<long>& mask);
    void checkCanvas(long n);
    void enableMosaic(const QVector<long>& mask);
    void checkMosaic(long n);
    void enableSub1Ai(const QVector<long>& mask);
    void setSupportAdvanceXU(bool on);
    bool supportAdvanceXU() const { return m_bAdvanced; }

    SwitchRow* row(Row r) const { return m_rows[r]; }
    QWidget* angleRow() const { return m_angleRow; }
    SidePopupSelector* angleSelector() const { return m_angleSelector; }
    QWidget* canvasDivider() const;
    QWidget* detectionDivider() const;
    QFrame* effectsLine() const { return m_effectsLine; }
    GesturePopupWidget* gesturePopup() const { return m_popup; }
    UniversalButton* cameraControlButton() const { return m_cameraControlBtn; }
    UniversalButton* imageButton() const { return m_imageBtn; }
    UniversalButton* recordButton() const { return m_recordBtn; }

signals:
    void sensorChanged(int index);
    void hideChanged(bool bEnable);
    void faceTracking(bool bEnable);
    void soundTracking(bool bEnable);
    void sigSetGesture(int index);
    void sigSetCanvas(int index);
    void sigSetPip(bool bChecked);
    void sigSetMoasic(int index);
    void sigSetSub1Ai(int index);

public slots:
    void showCameraControlDialog();
    void showImageDialog();
    void showRecordDialog();

private:
    void buildTree();
    void connectRows();
    void onRowToggled(Row r, bool on);
    void switchOffOthers(Row chosen);
    void setDependent(Row r, bool visible, bool switchOff);
    void showInfo(const QString& icon, const QString& text, int sizeIndex);
    void showLegend(const QList<GesturePopupWidget::Item>& items);
    void placeAndShowPopup();
    void applyHandGestureMask(const QVector<long>& mask);
    void applyCanvasMask(const QVector<long>& mask);
    void applyMosaicMask(const QVector<long>& mask);
    void updateEffectsLine();
    static bool supported(const QVector<long>& mask, int number);

    CameraController* m_controller = nullptr;
    // The property dialogs: camera control from construction, the others on first use.
    CameraControlDialog* m_cameraControlDialog = nullptr;
    CameraImageDialog* m_imageDialog = nullptr;
    CameraRecordDialog* m_recordDialog = nullptr;
    SwitchRow* m_rows[RowCount] = {};
    QList<Row> m_exclusive;
    bool m_bExclusiveGuard = false;
    bool m_bAdvanced = false;
    QVector<long> m_pendingHandGesture;
    QVector<long> m_pendingCanvas;
    QVector<long> m_pendingMosaic;
    QVector<long> m_pendingSub1Ai;
    bool m_bPendingPip = false;

    QWidget* m_angleRow = nullptr;
    SidePopupSelector* m_angleSelector = nullptr;
    UiComponents::DashDivider* m_canvasDivider = nullptr;
    UiComponents::DashDivider* m_detectDivider = nullptr;
    QFrame* m_effectsLine = nullptr;
    UniversalButton* m_cameraControlBtn = nullptr;
    UniversalButton* m_imageBtn = nullptr;
    UniversalButton* m_recordBtn = nullptr;
    GesturePopupWidget* m_popup = nullptr;
};

#endif
