// The camera model: the only class that talks to the camera libraries.
#ifndef CORVIX_CCAMERA_MODEL_H
#define CORVIX_CCAMERA_MODEL_H

#include <QFile>
#include <QMutex>
#include <atomic>

#include "CameraStreamSelection.h"
#include "ICameraModel.h"

class CCameraModel final : public ICameraModel {
public:
    static constexpr int kMaxStreams = 3;

    CCameraModel();
    ~CCameraModel();
    CCameraModel(const CCameraModel&) = delete;
    CCameraModel& operator=(const CCameraModel&) = delete;

    // Libraries and cameras
    bool Init() override;
    void Uninit() override;
    void SetDeviceChangedCallback(CameraDeviceChangedFn fn) override;
    QStringList GetCameraList() override;
    bool Open(int index) override;

    bool ShowDeviceSettingsPages() override;
    bool ShowImageSettingsPages() override;

    // Image properties and power-line frequency
    bool PuCtGetRange(int id, bool& supported, int& min, int& max, int& step, int& def,
                      bool& autoSupported) override;
    bool PuCtGet(int id, int& value, bool& autoMode) override;
    bool PuCtSet(int id, int value, bool autoMode) override;
    bool IsSupportFrequency() override;
    bool SetFrequency(int index) override;
    int GetFrequency() override;

    // Device information
    bool IsSupportDeviceInfo() override;
    QString GetFwVersion() override;
    bool IsSupportSdkVersion() override;
    QString GetSdkVersion() override;
    bool IsSupportMid() override;
    QString GetMid() override;
    QString GetCameraName() override;
    QString GetCameraVidPid() override;

    // Camera features
    bool IsSupportFlip() override;
    bool GetFlip() override;
    bool SetFlip(bool on) override;
    bool IsSupportMirror() override;
    bool GetMirror() override;
    bool SetMirror(bool on) override;
    bool ReservedFeatureSupport() override;
    bool ReservedFeatureGet(int& value) override;
    bool ReservedFeatureSet(int value) override;
    bool IsSupportHandGesture() override;
    bool GetHandGestureMask(int* values, int& count) override;
    bool GetHandGesture(int& value) override;
    bool SetHandGesture(int value) override;
    bool IsSupportCanvas() override;
    bool GetCanvasMask(int* values, int& count) override;
    bool GetCanvas(int& value) override;
    bool SetCanvas(int value) override;
    bool IsSupportSub1Ai() override;
    bool GetSub1AiMask(int* values, int& count) override;
    bool GetSub1Ai(int& value) override;
    bool SetSub1Ai(int value) override;
    bool IsSupportMosaic() override;
    bool GetMosaicMask(int* values, int& count) override;
    bool GetMosaic(int& value) override;
    bool SetMosaic(int value) override;
    bool IsSupportFaceTracking() override;
    bool GetFaceTracking() override;
    bool SetFaceTracking(bool on) override;
    bool IsSupportSoundTracking() override;
    bool GetSoundTracking() override;
    bool SetSoundTracking(bool on) override;
    bool IsSupportAutoFocus() override;
    bool SetAutoFocus(int on) override;
    bool GetAutoFocus(int& on) override;
    bool GetAutoFocusMode(int& mode) override;
    bool IsSupportPip() override;
    bool GetPip() override;
    bool SetPip(bool on) override;
    bool IsSupportHideMode() override;
    bool GetHideMode() override;
    bool SetHideMode(bool on) override;
    bool IsSupportDoaTest() override;
    bool GetDoaTest() override;
    bool SetDoaTest(bool on) override;
    bool IsSupportSensor() override;
    int GetSensor() override;
    bool SetSensor(int value) override;
    bool IsSupportAudioMode() override;
    bool GetAudioModeMask(int* values, int& count) override;
    QStringList GetAcousticBaffleList() override;
    bool SetAudioMode(int on, int on1, int id) override;
    bool GetAudioMode(int& on, int& on1, int& id) override;
    bool IsSupportFactoryTest() override;
    bool GetFactoryTestMask(int* values, int& count) override;
    bool GetFactoryTest(int& value) override;
    bool SetFactoryTest(const int* values, int count) override;

    // Streams
    int GetStreamCount() override;
    bool SetMaxStreamIndex(int index) override;
    int GetMaxStreamIndex() override;
    QStringList GetMediaTypeList(int stream) override;
    bool SetMediaTypeIndex(int stream, int index) override;
    QStringList GetResolutionList(int stream) override;
    bool SetResolutionIndex(int stream, int index) override;
    QStringList GetFpsList(int stream) override;
    bool SetFpsIndex(int stream, int index) override;
    bool IsSupportFps(int stream) override;
    bool IsSupportBps(int stream) override;
    bool IsSupportGop(int stream) override;
    bool SetBps(int stream, int kilobytesPerSecond) override;
    bool SetGop(int stream, int frames) override;
    QStringList GetSensorList() override;

    // Preview
    void SetVideoInfoCallback(CameraVideoInfoFn fn) override;
    bool StartPreview(const QList<PreviewWindowRecord*>& windows) override;

    // Recording
    void SetRecordKeepAudio(bool keep) override;
    bool StartRecord(const QString& path) override;
    void StopRecord() override;

    // Still pin
    void SetStillCallback(CameraStillResultFn fn) override;
    bool IsSupportStillCapture() override;
    bool CaptureStillImage() override;
    QStringList GetStillMediaTypeList() override;
    bool SetStillMediaTypeIndex(int index) override;
    QStringList GetStillResolutionList() override;
    bool SetStillResolutionIndex(int index) override;
    QStringList GetStillFpsList() override;
    bool SetStillFpsIndex(int index) override;

    void StopPreview() override;
    bool Close() override;
    void Release() override;

    // Files and microphone
    void OpenOutputFolder() override;
    QStringList GetAudioInputList() override;
    bool SetCurAudioInput(int index) override;
    void SetVolumeCallback(CameraVolumeFn fn) override;
    bool StartAudioTest() override;
    void StopAudioTest() override;
    void PlayTestSound() override;

    bool IsOpen() override;
    bool IsPreview() override;
    void CapturePreviewFrame(const QByteArray& path) override;

    // State for diagnostics.
    QString GetOutputDir() const { return m_strOutputDir; }
    bool IsRecording();
    bool IsAudioTestRunning();
    QByteArray GetDecoderKey(int stream);
    QByteArray GetRenderKey(int stream);

    // The output folder: appDir + "/output" when it can be created and written, otherwise
    // fallbackBase + "/output". Missing folders are created.
    static QString ChooseOutputDir(const QString& appDir, const QString& fallbackBase);

private:
    // The still pin in the format look-ups below.
    static constexpr int kStillPin = -1;

    // Library callbacks (plain functions) reaching the model through the process-wide pointer.
    static void DeviceChangedThunk(int event, int param);
    static void PreviewThunk(int cam, int pin, int stream, int mediaType, int width, int height,
                             long timestampUs, unsigned char* data, int size);
    static void AudioThunk(unsigned char* data, int size, long timestampUs);

    void OnDeviceChanged();
    void OnPreviewFrame(int cam, int pin, int stream, int mediaType, int width, int height,
                        unsigned char* data, int size);
    void OnStillFrame(int mediaType, const unsigned char* data, int size);
    void OnAudioBlock(const unsigned char* data, int size);
    void ServeSnapshot(CameraStreamSelection& s, const unsigned char* data, int size, bool decoded,
                       int decodedSize);

    // Format look-ups. stream kStillPin addresses the still pin; with a max stream index of 0
    // every stream goes through the plain calls (stream 0's formats).
    bool ValidStream(int stream) const;
    bool QueryMediaTypeCount(int stream, int& count);
    bool QueryMediaType(int stream, int index, int& mediaType);
    bool QueryResolutionCount(int stream, int mediaType, int& count);
    bool QueryResolution(int stream, int mediaType, int index, int& width, int& height);
    bool QueryFpsCount(int stream, int mediaType, int width, int height, int& count);
    bool QueryFps(int stream, int mediaType, int width, int height, int index, int& fps);
    // The stored selection of a stream (or the still pin) resolved into values.
    bool SelectedMediaType(int stream, int& mediaType);
    bool SelectedResolution(int stream, int& mediaType, int& width, int& height);
    bool SelectedFormat(int stream, int& mediaType, int& width, int& height, int& fps);
    QStringList MediaTypeList(int stream);
    QStringList ResolutionList(int stream);
    QStringList FpsList(int stream);

    void NormaliseSelection(int stream);
    bool SetUpStream(int stream);
    void ReleaseStreams();
    bool EuFlag(int code) const;
    static bool IsEncoded(int mediaType) { return mediaType == 3 || mediaType == 4; }
    QString OutputFilePath(const QString& name) const;

    bool m_bInit = false;
    bool m_bOpen = false;
    std::atomic<bool> m_bPreview{false};
    bool m_bRecording = false;  // written under m_mutex and m_audioMutex; read under either
    std::atomic<int> m_nCamID{-1};
    QString m_strCamName;  // guarded by m_nameMutex (read on the hot-plug thread)
    int m_nStreamCount = -1;

    // Extension-unit support flags by code, read at opening.
    static constexpr int kEuCodeCount = 32;
    bool m_bEuSupport[kEuCodeCount] = {};
    bool m_bSupportStillCapture = false;
    bool m_bSupportFrequency = false;

    int m_nMaxStreamIndex = 0;
    CameraStreamSelection m_streams[kMaxStreams];
    int m_nStillMediaTypeIndex = -1;
    int m_nStillResolutionIndex = -1;
    int m_nStillFpsIndex = -1;

    QString m_strOutputDir;

    // Recording and microphone.
    char m_strMuxer[QEL_TEXT_BUFFER_SIZE] = {};
    std::atomic<bool> m_bRecordKeepAudio{false};
    bool m_bRecordMicStarted = false;  // the running recording started the microphone
    int m_nCurAudioInputID = -1;
    QStringList m_audioInputNames;
    QFile m_pcmFile;
    bool m_bAudioToFile = false;  // guarded by m_audioMutex

    // Preview photo request: the path is stored under m_snapshotMutex before the flag is set.
    std::atomic<bool> m_bSnapshotPending{false};
    QByteArray m_snapshotPath;
    QMutex m_snapshotMutex;

    std::atomic<CameraDeviceChangedFn> m_fnDeviceChanged{nullptr};
    std::atomic<CameraVideoInfoFn> m_fnVideoInfo{nullptr};
    std::atomic<CameraStillResultFn> m_fnStillResult{nullptr};
    std::atomic<CameraVolumeFn> m_fnVolume{nullptr};

    // Held by the preview callback for the whole of each frame.
    QMutex m_mutex;
    // Held by the microphone callback; guards the muxer key, the PCM test file and their flags.
    // Lock order: m_mutex before m_audioMutex.
    QMutex m_audioMutex;
    QMutex m_nameMutex;

    static std::atomic<CCameraModel*> s_pModel;
};

#endif
