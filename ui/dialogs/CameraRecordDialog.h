#ifndef CORVIX_CAMERA_RECORD_DIALOG_H
#define CORVIX_CAMERA_RECORD_DIALOG_H

#include <QStringList>

#include "FramedPopupDialog.h"

class CameraController;
class QLabel;
class QProgressBar;
class SidePopupSelector;
class SwitchRow;
class ToastLabel;
class UniversalButton;

// The recording choices: length limit, whether recordings carry sound, which microphone, and a
// microphone test (record, then play back). Every choice goes to the mediator and is remembered
// between runs.
class CameraRecordDialog : public FramedPopupDialog {
    Q_OBJECT

public:
    CameraRecordDialog(CameraController* controller, QWidget* parent);

    // Minutes for a duration selector index; any other index gives 10.
    static int minutesForIndex(int index);
    static int indexForMinutes(int minutes);

    SidePopupSelector* durationSelector() const { return m_durationSelector; }
    SidePopupSelector* microphoneSelector() const { return m_microphoneSelector; }
    SwitchRow* keepAudioRow() const { return m_keepAudioRow; }
    UniversalButton* audioTestButton() const { return m_audioTestButton; }
    QProgressBar* levelBar() const { return m_levelBar; }
    ToastLabel* toast() const { return m_toast; }
    UniversalButton* resetButton() const { return m_resetButton; }
    bool isAudioTestShownRunning() const { return m_bTestRunning; }

public slots:
    void deviceTimeSelected(int index);
    void deviceAudioSelected(int index);
    void resetToDefaults();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void onAudioList(const QStringList& audios, int nDefaultSel);
    void fillMicrophones(const QStringList& audios, int nDefaultSel);
    void onAudioTestClicked();
    void showTestRunning(bool running);

    SwitchRow* m_keepAudioRow = nullptr;
    CameraController* m_controller = nullptr;
    SidePopupSelector* m_microphoneSelector = nullptr;
    SidePopupSelector* m_durationSelector = nullptr;
    UniversalButton* m_audioTestButton = nullptr;
    QLabel* m_audioTestLabel = nullptr;
    QProgressBar* m_levelBar = nullptr;
    ToastLabel* m_toast = nullptr;
    UniversalButton* m_resetButton = nullptr;
    UniversalButton* m_exitButton = nullptr;
    bool m_bTestRunning = false;
};

#endif
