// The camera presenter: between the camera model and the views. It is used from one thread, its
// owner (the camera-control thread, CameraControl.h); the library threads' callbacks that need
// the model are queued to the owner through the task queue.
#ifndef CORVIX_CCAMERA_PRESENTER_H
#define CORVIX_CCAMERA_PRESENTER_H

#include <QtGlobal>
#include <atomic>
#include <functional>
#include <limits>
#include <map>
#include <memory>

#include "ICameraModel.h"
#include "ICameraPresenter.h"
#include "ICameraView.h"
#include "PreviewWindowRecord.h"

class CCameraModel;

class CCameraPresenter final : public ICameraPresenter {
public:
    // mainView receives every report except the preview windows.
    explicit CCameraPresenter(ICameraView* mainView);
    ~CCameraPresenter() override;
    CCameraPresenter(const CCameraPresenter&) = delete;
    CCameraPresenter& operator=(const CCameraPresenter&) = delete;

    bool Init() override;
    void Uninit() override;
    void OpenCamera(int index) override;
    void SetStreamMode(int maxStreamIndex) override;
    void SetMediaType(int stream, int index) override;
    void SetResolution(int stream, int index) override;
    void SetFps(int stream, int index) override;
    bool SetBps(int stream, int kilobytesPerSecond) override;
    bool SetGop(int stream, int frames) override;
    void SetStillMediaType(int index) override;
    void SetStillResolution(int index) override;
    void SetStillFps(int index) override;
    void ShowSdkVersion() override;
    bool SetFlip(bool on) override;
    bool SetMirror(bool on) override;
    void ReservedOperation1() override {}
    bool EnableFaceTracking(bool on) override;
    bool EnableSoundTracking(bool on) override;
    bool SetHandGesture(int value) override;
    bool SetCanvas(int value) override;
    bool SetSub1Ai(int value) override;
    bool SetMosaic(int value) override;
    void ReservedOperation2() override {}
    bool ToggleSoundTracking() override;
    void ShowFwVersion() override;
    bool SetAutoFocus(int on) override;
    bool GetPip() override;
    bool SetPip(bool on) override;
    bool GetHideMode() override;
    bool SetHideMode(bool on) override;
    bool GetDoaTest() override;
    bool SetDoaTest(bool on) override;
    int GetSensor() override;
    bool SetSensor(int value) override;
    bool SetAudioMode(int on, int on1, int id) override;
    bool SetFactoryTest(int value) override;
    void InitSlider(int id) override;
    void ResetPuCt(int id) override;
    bool SetPuCtAuto(int id, bool autoMode) override;
    bool SetPuCtValue(int id, int value) override;
    bool ShowDeviceSettingsPages() override;
    bool ShowImageSettingsPages() override;
    bool StartPreview() override;
    void RegisterView(int stream, ICameraView* view) override;
    void UpdatePreviewSize(int stream, int width, int height) override;
    void SetRecordKeepAudio(bool keep) override;
    bool StartRecord(const QString& path) override;
    void StopRecord() override;
    bool CaptureStillImage() override;
    void StopPreview() override;
    void OpenOutputFolder() override;
    bool SetCurAudioInput(int index) override;
    bool StartAudioTest() override;
    void StopAudioTest() override;
    void PlayTestSound() override;
    bool SetFrequency(int index) override;
    void CapturePreviewFrame(const QByteArray& path, const PhotoStamp& stamp = PhotoStamp()) override;
    void SetCameraState(int state) override;

    // The stream information is reported at most once per interval per stream (the first frame's
    // at once): the overlay shows it no more often, and building it every frame costs the camera thread.
    static constexpr qint64 kVideoInfoIntervalMs = 100;
    // The monotonic clock (milliseconds) that paces it; null: the steady clock. Replaceable for tests.
    using Clock = qint64 (*)();
    void SetVideoInfoClock(Clock clock) { m_infoClock.store(clock); }

    // Runs a task on the owner thread (queued from a library thread). Unset: the task runs at
    // once on the calling thread (tests that drive the presenter from one thread).
    using TaskQueue = std::function<void(std::function<void()>)>;
    void SetTaskQueue(TaskQueue queue) { m_taskQueue = std::move(queue); }

    CCameraModel* Model() const { return m_pModel; }
    int CameraCount() const { return m_nCameraCount; }
    bool HasCameras() const { return m_bHasCameras; }

private:
    void SwitchOffOtherAiFeatures(CameraFeature keep);
    bool SetAiFeature(CameraFeature feature, int value);
    // The feature's current value, 0 when it cannot be read.
    int FeatureValue(CameraFeature feature);
    // Answers whether the model refused (ok false), telling the main view if so.
    bool Refused(bool ok, CameraRefusal refusal);
    void ReportOptionFeatures();
    void ReportAudioAndFactoryTest();

    // Plain callbacks installed in the model, reaching the presenter through s_pPresenter.
    static void OnDeviceChanged(int event, int lost);
    static void OnStillResult(int result, const QString& path, int error);
    static void OnPhotoResult(const QString& path, int error);
    static void OnRecordFailed();
    void Queue(std::function<void()> task);
    void ReportDeviceChange();
    void ReportRecordFailure();
    static void OnVideoInfo(int cam, int stream, const char* mediaTypeName, int width, int height, double fps,
                            double kilobytesPerSecond);
    static void OnVolume(int level);
    // Answers whether this frame's information is to be reported, and takes the turn if so.
    bool VideoInfoDue(int stream);
    void ResetVideoInfoPace();

    struct ViewEntry {
        int stream = -1;
        ICameraView* view = nullptr;
        // Handed to the renderer, which keeps its address: it lives as long as the presenter.
        std::unique_ptr<PreviewWindowRecord> window;
    };

    TaskQueue m_taskQueue;  // set before any library thread runs
    CCameraModel* m_pModel = nullptr;
    ICameraView* m_pMainView = nullptr;
    std::map<int, ViewEntry> m_views;
    int m_nCameraCount = 0;
    bool m_bHasCameras = false;
    int m_nCameraState = 0;

    // When each stream's information was last reported (kNever: not since the preview started).
    static constexpr int kPacedStreams = 3;
    static constexpr qint64 kNever = std::numeric_limits<qint64>::min();
    std::atomic<Clock> m_infoClock{nullptr};
    std::atomic<qint64> m_lastInfoMs[kPacedStreams];

    static std::atomic<CCameraPresenter*> s_pPresenter;
};

#endif
