#ifndef CORVIX_MAIN_WINDOW_H
#define CORVIX_MAIN_WINDOW_H

#include <QMainWindow>
#include <QPointer>
#include <QSet>
#include <QVector>
#include <memory>

class CameraController;
class CaptureWatch;
class OverlayWidget;
class SubVideoHintOverlay;
class VideoWidget;

// The full-screen main window: the live picture fills it and the controls float over it. It owns
// the three video widgets, the settings mediator, the control overlay and the hint overlays, and
// it is the switchboard between them: it names the photo and recording files, reacts to the
// camera state and to hot-plug, and opens the save folder.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    CameraController* controller() const { return m_controller; }
    VideoWidget* videoWidget(int stream) const;
    OverlayWidget* overlay() const { return m_overlay.get(); }
    SubVideoHintOverlay* hintOverlay(int stream) const;
    bool noCamera() const { return bNoCamera; }
    bool supportStream() const { return bSupportStream; }

    // How long a photo may take to appear in the save folder.
    void setCaptureDeadline(int ms) { m_captureDeadlineMs = ms; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void connectVideo();
    void connectController();
    void connectOverlay();
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
    void restartCamera(int index);
    void setFeatureIcon(int code);
    QString saveFolder() const;

    CameraController* m_controller = nullptr;
    VideoWidget* m_video[3] = {nullptr, nullptr, nullptr};
    // A top-level window of its own, so not a Qt child of this window.
    std::unique_ptr<OverlayWidget> m_overlay;
    SubVideoHintOverlay* m_hint[3] = {nullptr, nullptr, nullptr};
    bool bNoCamera = true;
    bool m_bStreamConfigured = false;
    bool bSupportStream = false;
    bool m_bFaceTracking = false;
    int m_captureDeadlineMs = 2000;
    QSet<QString> m_pendingPhotos;  // photos asked for and not yet seen in the folder
    QStringList m_captureQueue;     // photos waiting for the one being taken
    bool m_captureActive = false;
    QPointer<CaptureWatch> m_captureWatch;  // of the photo being taken
};

#endif
