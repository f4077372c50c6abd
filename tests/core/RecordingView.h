// A camera view that writes down every report it receives, as "Operation(arg,arg,...)".
// Lists are written as [a|b|c]. Reports may arrive on library threads.
#ifndef CORVIX_TESTS_RECORDING_VIEW_H
#define CORVIX_TESTS_RECORDING_VIEW_H

#include <QMutex>
#include <QStringList>

#include "ICameraView.h"

class ICameraPresenter;

// The reports with one argument, recorded as they come.
// clang-format off
#define RECORDING_VIEW_SIMPLE_REPORTS(X)                                                                 \
    X(EnableStillCapture, bool) X(EnableFlip, bool) X(SetFlip, bool) X(EnableMirror, bool)              \
    X(SetMirror, bool) X(EnableFaceTracking, bool) X(CheckFaceTracking, bool)                           \
    X(EnableSoundTracking, bool) X(CheckSoundTracking, bool) X(EnableDeviceInfo, bool)                  \
    X(EnablePip, bool) X(CheckPip, bool) X(EnableHideMode, bool) X(CheckHideMode, bool)                 \
    X(EnableDoaTest, bool) X(CheckDoaTest, bool) X(EnableSensor, bool) X(EnableNonStitching, bool)      \
    X(CheckNonStitching, bool) X(EnableFrequency, bool)                                                 \
    X(SetCurrentSensor, int) X(CheckHandGesture, int) X(CheckCanvas, int) X(CheckSub1Ai, int)           \
    X(CheckMosaic, int) X(SetAutoFocusMode, int) X(CheckAutoFocus, int) X(SetSliderPos, int)            \
    X(SetProgressVolume, int) X(SetFrequency, int) X(SetCameraState, int)                               \
    X(SetDeviceMID, const QString&) X(SetDeviceFWVersion, const QString&)                               \
    X(SetDeviceSDKVersion, const QString&) X(SetDeviceName, const QString&)                             \
    X(SetDevicePIDVID, const QString&) X(ShowMessage, const QString&)                                   \
    X(SetSensorList, const QStringList&) X(AcousticBaffle, const QStringList&)                          \
    X(PuCtPropertyList, const QStringList&)
// clang-format on

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

#define RECORDING_VIEW_DECLARE(name, type) void name(type value) override;
    RECORDING_VIEW_SIMPLE_REPORTS(RECORDING_VIEW_DECLARE)
#undef RECORDING_VIEW_DECLARE
    bool SetCameraList(const QStringList& names) override;
    void SetStreamCount(int count) override;
    void MediaTypeListReady(int stream, const QStringList& list, int defaultIndex) override;
    void ResolutionListReady(int stream, const QStringList& list, int defaultIndex) override;
    void FPSListReady(int stream, const QStringList& list, int defaultIndex) override;
    void StillMediaTypeListReady(const QStringList& list, int defaultIndex) override;
    void StillResolutionListReady(const QStringList& list, int defaultIndex) override;
    void StillFPSListReady(const QStringList& list, int defaultIndex) override;
    void EnableFps(int stream, bool enable) override;
    void EnableBps(int stream, bool enable) override;
    void EnableGop(int stream, bool enable) override;
    void EnableHandGesture(const int* values, int count) override;
    void EnableCanvas(const int* values, int count) override;
    void EnableSub1Ai(const int* values, int count) override;
    void EnableMosaic(const int* values, int count) override;
    void EnableAudioMode(bool enable, bool enable1) override;
    void SetAudioMode(int on, int on1, int id) override;
    void SetVideoInfo(int stream, const QString& text) override;
    void InitSlider(bool enable, int min, int max, int step, int value, bool autoSupported,
                    bool autoMode) override;
    void GetPreviewObject(int stream, quintptr& handle, int& width, int& height) override;
    void SetAudioList(const QStringList& names, int defaultIndex) override;
    void UpdateCameraList(const QStringList& names, bool lost) override;
    void PhotoFinished(const QString& path, int error) override;
    void ShowRefusal(CameraRefusal refusal, const QString& path, int error) override;
    void RecordingFailed(const QString& path, int error, qint64 keptMs) override;

private:
    template <typename... Args>
    void log(const char* name, const Args&... args);

    int m_stream;
    mutable QMutex m_mutex;
    QStringList m_reports;
};

#endif
