// The camera model's operations: everything the presenter may ask of the camera libraries.
#ifndef CORVIX_ICAMERA_MODEL_H
#define CORVIX_ICAMERA_MODEL_H

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "PhotoStamp.h"
#include "PreviewWindowRecord.h"

// Room for option values a caller gives to Mask and the other mask operations (and the factory
// test block).
constexpr int kCameraOptionCapacity = 64;

// The camera's extension-unit features that hold one value, in one enumeration: the model answers
// them all through Supported/Get/Set/Mask, the differences are in its table.
enum class CameraFeature {
    Flip,
    Mirror,
    FaceTracking,
    SoundTracking,
    Pip,
    HideMode,
    DoaTest,
    AutoFocus,
    Sensor,
    HandGesture,  // option features from here on
    Canvas,
    Sub1Ai,
    Mosaic,
    Count
};

// Plain callbacks the presenter installs; each runs on a library thread.
// Hot-plug: event 1 (camera list changed); lost 1 exactly when the open camera has gone.
using CameraDeviceChangedFn = void (*)(int event, int lost);
// Once per frame while previewing: frames per second and data rate in kilobytes per second.
using CameraVideoInfoFn = void (*)(int cam, int stream, const char* mediaTypeName, int width, int height,
                                   double fps, double kilobytesPerSecond);
// Still-pin capture: result 0 with the saved photo's path, 1 when the camera sent no JPEG (nothing
// written), 2 when the photo could not be written (nothing left behind; error: the errno).
using CameraStillResultFn = void (*)(int result, const QString& path, int error);
// A preview photo has been written (error 0) or has failed: an errno value, or a CameraPhotoError.
// Called on the photo writer's thread.
using CameraPhotoResultFn = void (*)(const QString& path, int error);
enum CameraPhotoError { kPhotoNotEncoded = -1, kPhotoNoFrame = -2 };
// The running recording has ended on a failure of its muxer (called on a capture thread; the
// recording is finished by TakeRecordFailure on the control thread).
using CameraRecordFailedFn = void (*)();
// Microphone level 0-100 of each captured block.
using CameraVolumeFn = void (*)(int level);

// Operations answer true on success; open-gated ones answer false, 0 or empty with no camera open.
// The presenter creates and destroys its model as the concrete class, so no virtual destructor.
class ICameraModel {
public:
    // Libraries and cameras
    virtual bool Init() = 0;
    virtual void Uninit() = 0;
    virtual void SetDeviceChangedCallback(CameraDeviceChangedFn fn) = 0;
    virtual QStringList GetCameraList() = 0;
    virtual bool Open(int index) = 0;

    // The library's own property dialogs
    virtual bool ShowDeviceSettingsPages() = 0;
    virtual bool ShowImageSettingsPages() = 0;

    // Image properties and power-line frequency
    virtual bool PuCtGetRange(int id, bool& supported, int& min, int& max, int& step, int& def,
                              bool& autoSupported) = 0;
    virtual bool PuCtGet(int id, int& value, bool& autoMode) = 0;
    virtual bool PuCtSet(int id, int value, bool autoMode) = 0;
    virtual bool IsSupportFrequency() = 0;
    virtual bool SetFrequency(int index) = 0;
    virtual int GetFrequency() = 0;

    // Device information
    virtual bool IsSupportDeviceInfo() = 0;
    virtual QString GetFwVersion() = 0;
    virtual bool IsSupportSdkVersion() = 0;
    virtual QString GetSdkVersion() = 0;
    virtual bool IsSupportMid() = 0;
    virtual QString GetMid() = 0;
    virtual QString GetCameraName() = 0;
    virtual QString GetCameraVidPid() = 0;

    // Camera features with one value each (CameraFeature): on/off features answer 0 or 1, option
    // features an option number (0: none). Supported: the open camera offers it.
    virtual bool Supported(CameraFeature feature) = 0;
    virtual bool Get(CameraFeature feature, int& value) = 0;
    virtual bool Set(CameraFeature feature, int value) = 0;
    // The options an option feature offers: values[i] 1 means option i + 1 (room for
    // kCameraOptionCapacity values). False for the on/off features.
    virtual bool Mask(CameraFeature feature, int* values, int& count) = 0;
    virtual bool GetAutoFocusMode(int& mode) = 0;
    virtual bool IsSupportAudioMode() = 0;
    virtual bool GetAudioModeMask(int* values, int& count) = 0;
    virtual QStringList GetAcousticBaffleList() = 0;
    virtual bool SetAudioMode(int on, int on1, int id) = 0;
    virtual bool GetAudioMode(int& on, int& on1, int& id) = 0;
    virtual bool IsSupportFactoryTest() = 0;
    virtual bool GetFactoryTestMask(int* values, int& count) = 0;
    virtual bool GetFactoryTest(int& value) = 0;
    virtual bool SetFactoryTest(const int* values, int count) = 0;

    // Streams
    virtual int GetStreamCount() = 0;
    virtual bool SetMaxStreamIndex(int index) = 0;
    virtual int GetMaxStreamIndex() = 0;
    virtual QStringList GetMediaTypeList(int stream) = 0;
    virtual bool SetMediaTypeIndex(int stream, int index) = 0;
    virtual QStringList GetResolutionList(int stream) = 0;
    virtual bool SetResolutionIndex(int stream, int index) = 0;
    virtual QStringList GetFpsList(int stream) = 0;
    virtual bool SetFpsIndex(int stream, int index) = 0;
    virtual bool IsSupportFps(int stream) = 0;
    virtual bool IsSupportBps(int stream) = 0;
    virtual bool IsSupportGop(int stream) = 0;
    virtual bool SetBps(int stream, int kilobytesPerSecond) = 0;
    virtual bool SetGop(int stream, int frames) = 0;
    virtual QStringList GetSensorList() = 0;

    // Preview
    virtual void SetVideoInfoCallback(CameraVideoInfoFn fn) = 0;
    virtual bool StartPreview(const QList<PreviewWindowRecord*>& windows) = 0;

    // Recording
    virtual void SetRecordKeepAudio(bool keep) = 0;
    virtual bool StartRecord(const QString& path) = 0;
    virtual void StopRecord() = 0;

    // Still pin
    virtual void SetStillCallback(CameraStillResultFn fn) = 0;
    virtual bool IsSupportStillCapture() = 0;
    virtual bool CaptureStillImage() = 0;
    virtual QStringList GetStillMediaTypeList() = 0;
    virtual bool SetStillMediaTypeIndex(int index) = 0;
    virtual QStringList GetStillResolutionList() = 0;
    virtual bool SetStillResolutionIndex(int index) = 0;
    virtual QStringList GetStillFpsList() = 0;
    virtual bool SetStillFpsIndex(int index) = 0;

    // Shutting down
    virtual void StopPreview() = 0;
    virtual bool Close() = 0;
    virtual void Release() = 0;

    // Files and microphone
    virtual void OpenOutputFolder() = 0;
    virtual QStringList GetAudioInputList() = 0;
    virtual bool SetCurAudioInput(int index) = 0;
    virtual void SetVolumeCallback(CameraVolumeFn fn) = 0;
    virtual bool StartAudioTest() = 0;
    virtual void StopAudioTest() = 0;
    virtual void PlayTestSound() = 0;

    // State and preview photos
    virtual bool IsOpen() = 0;
    virtual bool IsPreview() = 0;
    // path: UTF-8 bytes of the photo's file path; stamp: drawn into the photo when enabled.
    virtual void CapturePreviewFrame(const QByteArray& path, const PhotoStamp& stamp = PhotoStamp()) = 0;

protected:
    ~ICameraModel() = default;
};

#endif
