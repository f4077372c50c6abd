// A camera view that writes down every report it receives, as "Operation(arg,arg,...)".
// Lists are written as [a|b|c]. Reports may arrive on library threads.
#ifndef CORVIX_TESTS_RECORDING_VIEW_H
#define CORVIX_TESTS_RECORDING_VIEW_H

#include <QMutex>
#include <QStringList>

#include "ICameraView.h"

class ICameraPresenter;

class RecordingView : public ICameraView {
public:
    explicit RecordingView(int stream = 0) : m_stream(stream) {}

    // Like the video widget: a camera list opens camera `openIndex`, a stream count selects the
    // stream mode. Either can be switched off.
    ICameraPresenter* presenter = nullptr;
    bool openOnCameraList = true;
    int openIndex = 0;
    QString openName;  // when set, the first camera of this name is opened instead
    bool chooseStreamMode = true;
    // The native window offered for this view's stream (0: none).
    quintptr windowHandle = 0;
    int windowWidth = 0;
    int windowHeight = 0;

    QStringList reports() const;
    QStringList take();
    void clear();
    // Reports starting with prefix.
    QStringList matching(const QString& prefix) const;
    QString last(const QString& prefix) const;
    // Polls until a report starting with prefix exists (reports arrive on library threads).
    bool waitFor(const QString& prefix, int timeoutMs = 5000) const;

    bool SetCameraList(const QStringList& names) override;
    void SetStreamCount(int count) override;
    void MediaTypeListReady(int stream, const QStringList& list, int defaultIndex) override;
    void ResolutionListReady(int stream, const QStringList& list, int defaultIndex) override;
    void FPSListReady(int stream, const QStringList& list, int defaultIndex) override;
    void EnableStillCapture(bool supported) override;
    void StillMediaTypeListReady(const QStringList& list, int defaultIndex) override;
    void StillResolutionListReady(const QStringList& list, int defaultIndex) override;
    void StillFPSListReady(const QStringList& list, int defaultIndex) override;
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
    void EnableFps(int stream, bool enable) override;
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
    void EnableDeviceInfo(bool supported) override;
    void SetAutoFocusMode(int mode) override;
    void CheckAutoFocus(int on) override;
    void EnablePip(bool enable) override;
    void CheckPip(bool check) override;
    void EnableHideMode(bool enable) override;
    void CheckHideMode(bool on) override;
    void EnableDoaTest(bool enable) override;
    void CheckDoaTest(bool check) override;
    void EnableSensor(bool supported) override;
    void EnableAudioMode(bool enable, bool enable1) override;
    void AcousticBaffle(const QStringList& names) override;
    void SetAudioMode(int on, int on1, int id) override;
    void EnableNonStitching(bool enable) override;
    void CheckNonStitching(bool check) override;
    void ShowMessage(const QString& text) override;
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
    void ShowRefusal(CameraRefusal refusal, const QString& path, int error) override;
    void RecordingFailed(const QString& path, int error, qint64 keptMs) override;

private:
    void log(const QString& report);

    int m_stream;
    mutable QMutex m_mutex;
    QStringList m_reports;
};

#endif
