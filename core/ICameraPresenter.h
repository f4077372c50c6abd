// What the views may ask of the camera: the presenter turns these requests into model calls and
// the model's answers into view reports.
#ifndef CORVIX_ICAMERA_PRESENTER_H
#define CORVIX_ICAMERA_PRESENTER_H

#include <QByteArray>
#include <QString>

#include "PhotoStamp.h"

class ICameraView;

class ICameraPresenter {
public:
    virtual ~ICameraPresenter() = default;

    virtual bool Init() = 0;
    virtual void Uninit() = 0;
    virtual void OpenCamera(int index) = 0;
    virtual void SetStreamMode(int maxStreamIndex) = 0;
    virtual void SetMediaType(int stream, int index) = 0;
    virtual void SetResolution(int stream, int index) = 0;
    virtual void SetFps(int stream, int index) = 0;
    virtual bool SetBps(int stream, int kilobytesPerSecond) = 0;
    virtual bool SetGop(int stream, int frames) = 0;
    virtual void SetStillMediaType(int index) = 0;
    virtual void SetStillResolution(int index) = 0;
    virtual void SetStillFps(int index) = 0;
    virtual void ShowSdkVersion() = 0;
    virtual bool SetFlip(bool on) = 0;
    virtual bool SetMirror(bool on) = 0;
    virtual void ReservedOperation1() = 0;
    virtual bool EnableFaceTracking(bool on) = 0;
    virtual bool EnableSoundTracking(bool on) = 0;
    virtual bool SetHandGesture(int value) = 0;
    virtual bool SetCanvas(int value) = 0;
    virtual bool SetSub1Ai(int value) = 0;
    virtual bool SetMosaic(int value) = 0;
    virtual void ReservedOperation2() = 0;
    virtual bool ToggleSoundTracking() = 0;
    virtual void ShowFwVersion() = 0;
    virtual bool SetAutoFocus(int on) = 0;
    virtual bool GetPip() = 0;
    virtual bool SetPip(bool on) = 0;
    virtual bool GetHideMode() = 0;
    virtual bool SetHideMode(bool on) = 0;
    virtual bool GetDoaTest() = 0;
    virtual bool SetDoaTest(bool on) = 0;
    virtual int GetSensor() = 0;
    virtual bool SetSensor(int value) = 0;
    virtual bool SetAudioMode(int on, int on1, int id) = 0;
    virtual bool SetFactoryTest(int value) = 0;
    virtual void InitSlider(int id) = 0;
    virtual void ResetPuCt(int id) = 0;
    virtual bool SetPuCtAuto(int id, bool autoMode) = 0;
    virtual bool SetPuCtValue(int id, int value) = 0;
    virtual bool ShowDeviceSettingsPages() = 0;
    virtual bool ShowImageSettingsPages() = 0;
    virtual bool StartPreview() = 0;
    virtual void RegisterView(int stream, ICameraView* view) = 0;
    virtual void UpdatePreviewSize(int stream, int width, int height) = 0;
    virtual void SetRecordKeepAudio(bool keep) = 0;
    virtual bool StartRecord(const QString& path) = 0;
    virtual void StopRecord() = 0;
    virtual bool CaptureStillImage() = 0;
    virtual void StopPreview() = 0;
    virtual void OpenOutputFolder() = 0;
    virtual bool SetCurAudioInput(int index) = 0;
    virtual bool StartAudioTest() = 0;
    virtual void StopAudioTest() = 0;
    virtual void PlayTestSound() = 0;
    virtual bool SetFrequency(int index) = 0;
    // path: UTF-8 bytes of the photo's file path; stamp: drawn into the photo when enabled.
    virtual void CapturePreviewFrame(const QByteArray& path, const PhotoStamp& stamp = PhotoStamp()) = 0;
    virtual void SetCameraState(int state) = 0;
};

#endif
