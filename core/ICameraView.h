// What the presenter reports to a screen. The video widget implements it; every operation may
// be called on the camera start task or a library thread, so implementations only hand the
// reports on (for example as queued Qt signals).
#ifndef CORVIX_ICAMERA_VIEW_H
#define CORVIX_ICAMERA_VIEW_H

#include <QString>
#include <QStringList>
#include <QtGlobal>

// What the camera core refused or could not do, for the view to tell the user in its own words.
enum class CameraRefusal {
    OpenFailed,         // the camera did not open
    StreamModeRefused,  // the stream count was not accepted
    MediaTypeRefused,
    ResolutionRefused,
    FrameRateRefused,
    PreviewFailed,  // the preview did not start
    StillNotJpeg,   // the still pin sent a frame that cannot be saved as it is
    StillNotSaved   // the still photo could not be written (path, errno)
};

class ICameraView {
public:
    virtual ~ICameraView() = default;

    // Cameras and stream formats
    virtual bool SetCameraList(const QStringList& names) = 0;
    virtual void SetStreamCount(int count) = 0;
    virtual void MediaTypeListReady(int stream, const QStringList& list, int defaultIndex) = 0;
    virtual void ResolutionListReady(int stream, const QStringList& list, int defaultIndex) = 0;
    virtual void FPSListReady(int stream, const QStringList& list, int defaultIndex) = 0;
    // Still pin
    virtual void EnableStillCapture(bool supported) = 0;
    virtual void StillMediaTypeListReady(const QStringList& list, int defaultIndex) = 0;
    virtual void StillResolutionListReady(const QStringList& list, int defaultIndex) = 0;
    virtual void StillFPSListReady(const QStringList& list, int defaultIndex) = 0;
    // Device information
    virtual void SetDeviceMID(const QString& text) = 0;
    virtual void SetDeviceFWVersion(const QString& text) = 0;
    virtual void SetDeviceSDKVersion(const QString& text) = 0;
    virtual void SetDeviceName(const QString& text) = 0;
    virtual void SetDevicePIDVID(const QString& text) = 0;
    // Sensors, flip and mirror
    virtual void SetSensorList(const QStringList& names) = 0;
    virtual void SetCurrentSensor(int index) = 0;
    virtual void EnableFlip(bool enable) = 0;
    virtual void SetFlip(bool checked) = 0;
    virtual void EnableMirror(bool enable) = 0;
    virtual void SetMirror(bool checked) = 0;
    // Live stream settings
    virtual void EnableFps(int stream, bool enable) = 0;
    virtual void EnableBps(int stream, bool enable) = 0;
    virtual void EnableGop(int stream, bool enable) = 0;
    // AI features; option lists hold `count` values, values[i] = 1 meaning option i + 1 is offered
    virtual void EnableFaceTracking(bool enable) = 0;
    virtual void CheckFaceTracking(bool check) = 0;
    virtual void EnableSoundTracking(bool enable) = 0;
    virtual void CheckSoundTracking(bool check) = 0;
    virtual void EnableHandGesture(const int* values, int count) = 0;
    virtual void CheckHandGesture(int value) = 0;
    virtual void EnableCanvas(const int* values, int count) = 0;
    virtual void CheckCanvas(int value) = 0;
    virtual void EnableSub1Ai(const int* values, int count) = 0;
    virtual void CheckSub1Ai(int value) = 0;
    virtual void EnableMosaic(const int* values, int count) = 0;
    virtual void CheckMosaic(int value) = 0;
    // Device information support and auto focus
    virtual void EnableDeviceInfo(bool supported) = 0;
    virtual void SetAutoFocusMode(int mode) = 0;
    virtual void CheckAutoFocus(int on) = 0;
    // Picture-in-picture, hide mode, direction-of-arrival test
    virtual void EnablePip(bool enable) = 0;
    virtual void CheckPip(bool check) = 0;
    virtual void EnableHideMode(bool enable) = 0;
    virtual void CheckHideMode(bool on) = 0;
    virtual void EnableDoaTest(bool enable) = 0;
    virtual void CheckDoaTest(bool check) = 0;
    // Sensor support, audio mode, non-stitching (factory test)
    virtual void EnableSensor(bool supported) = 0;
    virtual void EnableAudioMode(bool enable, bool enable1) = 0;
    virtual void AcousticBaffle(const QStringList& names) = 0;
    virtual void SetAudioMode(int on, int on1, int id) = 0;
    virtual void EnableNonStitching(bool enable) = 0;
    virtual void CheckNonStitching(bool check) = 0;
    // Messages and live information
    virtual void ShowMessage(const QString& text) = 0;
    // A refusal of the camera core; path and error (an errno) where the refusal has them.
    virtual void ShowRefusal(CameraRefusal refusal, const QString& path, int error) = 0;
    virtual void SetVideoInfo(int stream, const QString& text) = 0;
    // Image properties
    virtual void PuCtPropertyList(const QStringList& names) = 0;
    virtual void InitSlider(bool enable, int min, int max, int step, int value, bool autoSupported,
                            bool autoMode) = 0;
    virtual void SetSliderPos(int value) = 0;
    // The native window a stream is rendered into; handle 0 when `stream` is not this view's.
    virtual void GetPreviewObject(int stream, quintptr& handle, int& width, int& height) = 0;
    // Microphones
    virtual void SetAudioList(const QStringList& names, int defaultIndex) = 0;
    virtual void SetProgressVolume(int level) = 0;
    // Power-line frequency
    virtual void EnableFrequency(bool enable) = 0;
    virtual void SetFrequency(int index) = 0;
    // Camera state (0 no camera, 2 present and starting) and hot-plug
    virtual void SetCameraState(int state) = 0;
    virtual void UpdateCameraList(const QStringList& names, bool lost) = 0;
    // A preview photo has been written (error 0) or not: an errno value or a CameraPhotoError.
    virtual void PhotoFinished(const QString& path, int error) {
        Q_UNUSED(path)
        Q_UNUSED(error)
    }
    // The recording ended on a write failure (error: errno, 0 unknown); its file keeps keptMs.
    virtual void RecordingFailed(const QString& path, int error, qint64 keptMs) {
        Q_UNUSED(path)
        Q_UNUSED(error)
        Q_UNUSED(keptMs)
    }
};

#endif
