#ifndef CORVIX_MAIN_WINDOW_H
#define CORVIX_MAIN_WINDOW_H

#include <QMainWindow>
#include <QPointer>
#include <QSet>
#include <QVector>
#include <atomic>
#include <functional>
#include <memory>

#include "StreamSettings.h"

class CameraController;
class CameraSettingsPanel;
class QTimer;
class CaptureWatch;
class OverlayWidget;
class SubVideoHintOverlay;
class VideoWidget;

// Start-up choices: the command line and the remembered camera.
struct MainWindowOptions {
    bool windowed = false;  // a normal resizable window instead of full screen
    QString cameraName;     // open this camera whenever it is present
    QString lastCamera;     // the last run's camera: opened when present and no name is given
    std::function<void(const QString&)> cameraOpened;  // told each opened camera's name (GUI thread)
    QString saveFolder;                                // instead of the default save folder
    QString startError;                                // shown as an error toast once the window is up
};

// The full-screen main window: the live picture fills it and the controls float over it. It owns
// the three video widgets, the settings mediator, the control overlay and the hint overlays, and
// it is the switchboard between them: it names the photo and recording files, reacts to the
// camera state and to hot-plug, and opens the save folder.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    explicit MainWindow(const MainWindowOptions& options, QWidget* parent = nullptr);
    ~MainWindow() override;

    CameraController* controller() const { return m_controller; }
    VideoWidget* videoWidget(int stream) const;
    OverlayWidget* overlay() const { return m_overlay.get(); }
    SubVideoHintOverlay* hintOverlay(int stream) const;
    bool noCamera() const { return bNoCamera; }
    bool supportStream() const { return bSupportStream; }
    CameraSettingsPanel* settingsPanel() const { return m_panel; }
    // The pause between stopping the preview and applying new stream settings.
    void setApplyPause(int ms) { m_applyPauseMs = ms; }
    bool isApplyPending() const;

    // How long a photo may take to appear in the save folder.
    void setCaptureDeadline(int ms) { m_captureDeadlineMs = ms; }

public slots:
    void onCameraSettingsApplied(QVector<StreamSettings> settings, int nStreamCount);
    void onEnableHandGesture(QVector<long> mask);
    void onEnableCanvas(QVector<long> mask);
    void onEnableMosaic(QVector<long> mask);
    void onEnableSub1Ai(QVector<long> mask);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void connectVideo();
    void connectController();
    void connectOverlay();
    void connectPanel();
    void connectPanelReports();
    void showPanel();
    void finishApplySettings();
    void onSensorChosen(int index);
    void layoutChildren();

    void onCameraState(int stateType);
    void onVideoReady();
    void onUpdateCameraList(const QStringList& camerasList, bool restartRequested);
    void onGetRecordParam();
    void onCapture();
    void startNextCapture();
    // The photo being taken is done: by the camera core's answer, or by the folder watch.
    void finishCapture(bool success, const QString& path, const QString& reason);
    void onPhotoResult(bool ok, const QString& path, const QString& reason);
    void onOpenFile();
    void onSupportStream(bool enable);
    // Puts the opened camera's remembered choices back: stream 1's, and in the multi-stream mode
    // those of every stream the panel applies, in one apply.
    void restoreRememberedStreams();
    void onMediaTypeListReady(int stream);
    void restartCamera(int index);
    void setFeatureIcon(int code);
    QString saveFolder() const;
    // Asks the update server for a newer version; the result goes to the device page.
    void startUpdateCheck();
    void connectCameraChoice();
    void onCameraListReady(const QStringList& names);
    int preferredCamera(const QStringList& names) const;

    CameraController* m_controller = nullptr;
    VideoWidget* m_video[3] = {nullptr, nullptr, nullptr};
    // A top-level window of its own, so not a Qt child of this window.
    std::unique_ptr<OverlayWidget> m_overlay;
    SubVideoHintOverlay* m_hint[3] = {nullptr, nullptr, nullptr};
    CameraSettingsPanel* m_panel = nullptr;
    bool bNoCamera = true;
    bool m_bStreamConfigured = false;
    bool bSupportStream = false;
    bool m_bFaceTracking = false;
    // The sensor the camera last reported or was sent, so that its echo is not sent back.
    int m_nReportedSensor = -1;
    // Applying stream settings: the preview is stopped, the new settings wait for the pause.
    QTimer* m_applyTimer = nullptr;
    int m_applyPauseMs = 500;
    QVector<StreamSettings> m_pendingSettings;
    int m_nPendingStreamCount = 0;
    bool m_bReportAppliedInfo[3] = {false, false, false};  // log each stream's first figures after an apply
    int m_captureDeadlineMs = 2000;
    QSet<QString> m_pendingPhotos;  // photos asked for and not yet seen in the folder
    QStringList m_captureQueue;     // photos waiting for the one being taken
    bool m_captureActive = false;
    MainWindowOptions m_options;
    bool m_bCameraNameChecked = false;  // the named camera was looked for in a first list
    // The user picked a camera on the panel: it, not the named or last one, is opened from then on.
    // Written on the GUI thread, read on the camera-control thread between listing and opening.
    std::atomic<bool> m_bCameraChosen{false};
    QPointer<CaptureWatch> m_captureWatch;  // of the photo being taken
    QString m_cameraName;                   // the opened camera's, for its remembered stream choices
    bool m_bRestoreChoices = false;         // a camera was opened: restore its choices once it runs
    // In the multi-stream mode restoring waits for the format list of the last stream (-1: none).
    // Like every field here, GUI thread only.
    int m_nRestoreAfterList = -1;
};

#endif
