#ifndef CORVIX_VIDEO_WIDGET_H
#define CORVIX_VIDEO_WIDGET_H

#include <QStringList>
#include <QVector>
#include <QWidget>
#include <atomic>
#include <functional>
#include <mutex>

#include "ICameraView.h"

class CCameraPresenter;
class CameraControl;

// One stream's picture: a black native child window that the render library draws into. It is
// the presenter's view: every report becomes a Qt signal (emitted from whatever thread the report
// came on, so receivers in the GUI thread get it queued), and its plain members forward the
// screens' requests to the presenter. Stream 0 is the main picture; 1 and 2 are sub-stream windows.
//
// The first video widget creates the camera-control thread (CameraControl), which owns the
// presenter: every request below is queued to it and returns at once, the GUI never waits on the
// camera. A forwarding method is one line:
//     void VideoWidget::setFlip(bool on) { request([on](CCameraPresenter* p) { p->SetFlip(on); }); }
class VideoWidget : public QWidget, public ICameraView {
    Q_OBJECT

public:
    explicit VideoWidget(int stream, QWidget* parent = nullptr);
    ~VideoWidget() override;

    int streamIndex() const { return m_nStream; }
    int currentCameraIndex() const { return m_nCurCamera; }
    // The camera the next start opens.
    void setCurrentCameraIndex(int index) { m_nCurCamera = index; }
    // The next start initialises the camera core again and opens the current camera index (a
    // camera chosen by the user; a start alone keeps the camera that is open).
    void requestRestart() { m_bRestartRequested = true; }
    bool isStarted() const { return m_bStarted; }
    // A camera list change asked for the presenter to be started afresh at the next start.
    bool isRestartPending() const { return m_bRestartRequested; }
    bool isReady() const { return m_bReady; }
    QStringList knownCameras() const;
    // The one presenter of the process (null before the first video widget). Its methods may only
    // be called on the camera-control thread: use request().
    static CCameraPresenter* presenter();
    static CameraControl* control();

    // Starting and stopping the camera (queued; sigVideoReady when a start has finished).
    void startPreviewAsync();
    void stopPreview();
    // Blocks until every queued camera operation has finished (shutdown and tests only).
    static void waitForStart();

    // Requests forwarded to the presenter.
    void openCamera(int index);
    void setStreamMode(int n);
    void setMediaType(int stream, int index);
    void setResolution(int stream, int index);
    void setFps(int stream, int index);
    void setBps(int stream, int value);
    void setGop(int stream, int value);
    void setFlip(bool on);
    void setMirror(bool on);
    void enableFaceTracking(bool on);
    void enableSoundTracking(bool on);
    void setHandGesture(int value);
    void setCanvas(int value);
    void setSub1Ai(int value);
    void setMosaic(int value);
    void setPip(bool on);
    void setHideMode(bool on);
    void setSensor(int value);
    void initSlider(int id);
    void setPuCtValue(int id, int value);
    void setPuCtAuto(int id, bool autoMode);
    void setFrequency(int index);
    // Asks for a recording; answers false only without a camera core. Whether it started comes
    // with sigRecordStarted.
    bool startRecord(const QString& path);
    void stopRecord();
    // The photo gets the date stamp when setPhotoDateStamp(true) was the last word.
    void capturePreviewFrame(const QString& path);
    void setPhotoDateStamp(bool on) { m_bPhotoDateStamp = on; }
    // Kept for every later start of the camera core too.
    void setRecordKeepAudio(bool keep);
    void setCurAudioInput(int index);
    // Answers (and reports through sigAudioTestStarted) whether the microphone test started.
    bool startAudioTest();
    // Ends the microphone test and plays what it captured.
    void stopAudioTest();
    void resetPuCt(int id);

    // ICameraView
    bool SetCameraList(const QStringList& names) override;
    void SetStreamCount(int count) override;
    void MediaTypeListReady(int stream, const QStringList& list, int defaultIndex) override;
    void ResolutionListReady(int stream, const QStringList& list, int defaultIndex) override;
    void FPSListReady(int stream, const QStringList& list, int defaultIndex) override;
    void EnableStillCapture(bool) override {}
    void StillMediaTypeListReady(const QStringList&, int) override {}
    void StillResolutionListReady(const QStringList&, int) override {}
    void StillFPSListReady(const QStringList&, int) override {}
    void SetDeviceMID(const QString& text) override;
    void SetDeviceFWVersion(const QString& text) override;
    void SetDeviceSDKVersion(const QString& text) override;
    void SetDeviceName(const QString& text) override;
    void SetDevicePIDVID(const QString& text) override;
    void SetSensorList(const QStringList& names) override;
    void SetCurrentSensor(int index) override;
    void EnableFlip(bool enable) override;
    void SetFlip(bool checked) override;
    void EnableMirror(bool enable) override;
    void SetMirror(bool checked) override;
    void EnableFps(int, bool) override {}
    void EnableBps(int stream, bool enable) override;
    void EnableGop(int stream, bool enable) override;
    void EnableFaceTracking(bool enable) override;
    void CheckFaceTracking(bool check) override;
    void EnableSoundTracking(bool enable) override;
    void CheckSoundTracking(bool check) override;
    void EnableHandGesture(const int* values, int count) override;
    void CheckHandGesture(int value) override;
    void EnableCanvas(const int* values, int count) override;
    void CheckCanvas(int value) override;
    void EnableSub1Ai(const int* values, int count) override;
    void CheckSub1Ai(int value) override;
    void EnableMosaic(const int* values, int count) override;
    void CheckMosaic(int value) override;
    void EnableDeviceInfo(bool) override {}
    void SetAutoFocusMode(int) override {}
    void CheckAutoFocus(int) override {}
    void EnablePip(bool enable) override;
    void CheckPip(bool check) override;
    void EnableHideMode(bool enable) override;
    void CheckHideMode(bool on) override;
    void EnableDoaTest(bool) override {}
    void CheckDoaTest(bool) override {}
    void EnableSensor(bool supported) override;
    void EnableAudioMode(bool enable, bool enable1) override;
    void AcousticBaffle(const QStringList& names) override;
    void SetAudioMode(int on, int on1, int id) override;
    void EnableNonStitching(bool enable) override;
    void CheckNonStitching(bool check) override;
    void ShowMessage(const QString& text) override;
    void ShowRefusal(CameraRefusal refusal, const QString& path, int error) override;
    // The words the user sees for a refusal of the camera core.
    static QString refusalText(CameraRefusal refusal, const QString& path, int error);
    void SetVideoInfo(int stream, const QString& text) override;
    void PuCtPropertyList(const QStringList& names) override;
    void InitSlider(bool enable, int min, int max, int step, int value, bool autoSupported,
                    bool autoMode) override;
    void SetSliderPos(int value) override;
    void GetPreviewObject(int stream, quintptr& handle, int& width, int& height) override;
    void SetAudioList(const QStringList& names, int defaultIndex) override;
    void SetProgressVolume(int level) override;
    void EnableFrequency(bool enable) override;
    void SetFrequency(int index) override;
    void SetCameraState(int state) override;
    void UpdateCameraList(const QStringList& names, bool lost) override;
    void PhotoFinished(const QString& path, int error) override;
    void RecordingFailed(const QString& path, int error, qint64 keptMs) override;

    // What a failed save tells the user ("磁盘空间不足", ...): error is an errno value or a
    // CameraPhotoError.
    static QString saveErrorText(int error);

    // Display names of the lens types reported by the camera.
    static QString sensorDisplayName(const QString& name);

signals:
    void sigCameraState(int stateType);
    void sigVideoReady();
    void sigCameraListReady(QStringList cameras);
    // restartRequested: the camera is started afresh (the open one has gone, or none was open).
    void sigUpdateCameraList(QStringList camerasList, bool restartRequested);
    void sigMediaTypeListReady(int streamId, QStringList mediaTypes, int nDefaultSel);
    void sigResolutionListReady(int streamId, QStringList resolutions, int nDefaultSel);
    void sigFPSListReady(int streamId, QStringList fpsTypes, int nDefaultSel);
    void sigDeviceMID(QString str);
    void sigDeviceFWVersion(QString str);
    void sigDeviceSDKVersion(QString str);
    void sigDeviceName(QString str);
    void sigDevicePIDVID(QString str);
    void getSensorList(QStringList vc);
    void setCurrentSensor(int nCurrentIndex);
    void sigEnableFlip(bool bEnable);
    void sigSetFlip(bool bChecked);
    void sigEnableMirror(bool bEnable);
    void sigSetMirror(bool bChecked);
    void sigEnableBps(int nStreamID, bool bEnable);
    void sigEnableGop(int nStreamID, bool bEnable);
    void sigEnableFaceTracking(bool bEnable);
    void sigCheckFaceTracking(bool bCheck);
    void sigEnableSoundTracking(bool bEnable);
    void sigCheckSoundTracking(bool bCheck);
    void sigEnableHandGesture(QVector<long> mask);
    void checkedHandGesture(long curIndex);
    void sigEnableCanvas(QVector<long> mask);
    void sigCheckedCanvas(long curIndex);
    void sigEnableSub1Ai(QVector<long> mask);
    void sigCheckSub1Ai(long curIndex);
    void sigEnableMosaic(QVector<long> mask);
    void sigCheckMosaic(long curIndex);
    void sigEnablePip(bool bEnable);
    void sigCheckPip(bool bCheck);
    void enableHideMode(bool bEnable);
    void sigCheckHideMode(bool on);
    void sensorSupportChanged(bool supported);
    void sigEnableAudioMode(bool bEnable, bool bEnable1);
    void sigAcousticBaffle(QStringList acousticBaffleList);
    void sigSetAudioMode(int on, int on1, int id);
    void sigEnableNonStitching(bool bEnable);
    void sigCheckNonStitching(bool bCheck);
    // A refusal of the camera core ("打开设备失败", ...), for the screens to show.
    void sigShowMessage(QString text);
    void sigVideoInfo(int streamID, QString info);
    void sigPuCtPropertyList(QStringList puCtPropertyList);
    void sigInitSlider(bool bEnable, int nMin, int nMax, int nStep, int nValue, bool bIsSupportAuto,
                       bool bDefaultAuto);
    void sigSetSliderPos(int nValue);
    void sigAudioList(QStringList audios, int nDefaultSel);
    void sigSetProgressVolume(int nVolume);
    void sigEnableFrequency(bool bEnable);
    void sigSetFrequency(int index);
    void sigAudioTestStarted(bool started);
    // The answer to startRecord.
    void sigRecordStarted(bool ok, QString path);
    // A recording ended on its own: reason for the user, keptMs recorded before the failure.
    void sigRecordFailed(QString path, QString reason, qint64 keptMs);
    // A photo asked for with capturePreviewFrame: saved, or not with the reason for the user.
    void sigPhotoResult(bool ok, QString path, QString reason);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Runs fn with the presenter on the camera-control thread (queued from any other thread).
    static void request(std::function<void(CCameraPresenter*)> fn);
    void startPreview();
    void updatePhysicalSize();
    static QVector<long> maskOf(const int* values, int count);

    int m_nStream = 0;
    // Written on the control thread, read on the GUI thread.
    std::atomic<int> m_nCurCamera{0};
    std::atomic<bool> m_bStarted{false};
    std::atomic<bool> m_bReady{false};
    std::atomic<bool> m_bHasCamera{false};  // the last camera list was not empty
    // Set by a camera list change that needs the presenter started afresh; taken by the next start.
    std::atomic<bool> m_bRestartRequested{false};
    // The camera list of the last start (replaced, never appended to): guarded by m_namesMutex.
    QStringList m_cameraNames;
    mutable std::mutex m_namesMutex;

    // Read by the render set-up on the start task: kept here so that no widget call leaves the GUI thread.
    quintptr m_nativeHandle = 0;
    std::atomic<int> m_physicalWidth{0};
    std::atomic<int> m_physicalHeight{0};

    bool m_bPhotoDateStamp = false;  // GUI thread only: travels with each photo request

    // Written by the GUI thread, read by the start task at each start.
    std::atomic<bool> m_bRecordKeepAudio{true};
    std::atomic<int> m_nAudioInput{0};
};

#endif
