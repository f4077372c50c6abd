// The camera model: the only class that talks to the camera libraries.
//
// Threads: every operation runs on the one thread that owns the model (the camera-control thread,
// see CameraControl.h; a test may own it directly). The library calls back on its capture threads
// (one per stream), its microphone thread and its hot-plug thread: those touch only what is marked
// below, each stream's pipeline under that stream's lock, the recording under m_recordMutex.
#ifndef CORVIX_CCAMERA_MODEL_H
#define CORVIX_CCAMERA_MODEL_H

#include <QFile>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "AudioRing.h"
#include "CameraStreamSelection.h"
#include "ICameraModel.h"

class PhotoWriter;

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
    bool Supported(CameraFeature feature) override;
    bool Get(CameraFeature feature, int& value) override;
    bool Set(CameraFeature feature, int value) override;
    bool Mask(CameraFeature feature, int* values, int& count) override;
    bool GetAutoFocusMode(int& mode) override;
    bool IsSupportSensor() { return Supported(CameraFeature::Sensor); }
    QStringList GetSensorList() override;
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
    void CapturePreviewFrame(const QByteArray& path, const PhotoStamp& stamp = PhotoStamp()) override;

    // Preview photos are written by a worker: the result arrives there.
    void SetPhotoCallback(CameraPhotoResultFn fn) { m_fnPhotoResult.store(fn); }
    // The first refusal of the muxer ends the recording; fn is told on the capture thread.
    void SetRecordFailedCallback(CameraRecordFailedFn fn) { m_fnRecordFailed.store(fn); }
    struct RecordFailure {
        bool failed = false;
        QString path;
        int error = 0;      // errno of the failed write, 0 when unknown
        qint64 keptMs = 0;  // length of the recording up to the failure
    };
    // Finishes a recording that ended on a failure (its file keeps what was written) and answers
    // what happened; failed is false when no failure is pending.
    RecordFailure TakeRecordFailure();
    // Hot plug: finds the open camera in the new list. Answers whether it has gone.
    bool RefreshOpenCamera();

    // State for diagnostics.
    QString GetOutputDir() const { return m_strOutputDir; }
    bool IsRecording();
    bool IsAudioTestRunning();
    // Microphone blocks dropped because the drain fell behind (since the model was made).
    long long AudioOverruns() const { return m_audioRing.overruns(); }
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

    void OnPreviewFrame(int cam, int pin, int stream, int mediaType, int width, int height, long timestampUs,
                        unsigned char* data, int size);
    void OnStillFrame(int mediaType, const unsigned char* data, int size);
    void OnAudioBlock(const unsigned char* data, int size, long timestampUs);
    void StartAudioDrain();
    // Joins the drain after the microphone has stopped and hands on what was left in the ring.
    void StopAudioDrain();
    void DrainAudio();
    void HandleAudioBlock(const unsigned char* data, int size, long long timestampUs);
    // Hands a frame or a sound block to the running recording; the first failure ends it.
    void Mux(const unsigned char* data, int size, int kind, long timestampUs);
    // Whether a preview frame must be decoded: false only when the renderer would pass it over
    // and nothing else (the recording) takes it. Capture thread, under the stream's lock.
    bool NeedsDecodedFrame(int stream, int mediaType, const CameraStreamSelection& s);
    // Decodes and renders a JPEG frame nothing but the screen needs straight from the decoder's
    // planes, at half size when the window shows it so; false when the frame must take the
    // ordinary way (decoded to 4:2:0, then rendered). Capture thread, under the stream's lock.
    bool RenderForScreenOnly(int stream, int mediaType, CameraStreamSelection& s, const unsigned char* data,
                             int size, long timestampUs);
    // The half-size decoder of a JPEG stream (none for other types or odd sizes). Under the
    // stream's lock.
    static void SetUpHalfDecoder(CameraStreamSelection& s, int type, int width, int height);
    void ServeSnapshot(const CameraStreamSelection& s, const unsigned char* data, int size, bool decoded,
                       int decodedSize);
    void OnPhotoWritten(const QString& path, int error);
    // The camera name the photos' EXIF gives (read on the capture threads).
    void SetPhotoCameraName(const QString& name);
    void OnStillWritten(const QString& path, int error);

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
    static bool IsEncoded(int mediaType);
    QString OutputFilePath(const QString& name) const;

    // Owner thread only, unless marked.
    bool m_bInit = false;
    bool m_bOpen = false;
    std::atomic<bool> m_bPreview{false};  // read by the capture threads
    std::atomic<int> m_nCamID{-1};        // read by the capture threads (frame figures)
    QString m_strCamName;
    // The camera the stream choices were made for: another camera starts from its own defaults
    // (format indices of one camera mean nothing for another).
    QString m_strChoicesCamera;
    int m_nStreamCount = -1;

    // Extension-unit support flags by code, read at opening.
    static constexpr int kEuCodeCount = 32;
    bool m_bEuSupport[kEuCodeCount] = {};
    bool m_bSupportStillCapture = false;
    bool m_bSupportFrequency = false;

    int m_nMaxStreamIndex = 0;
    // The choice fields are the owner's; the pipeline fields (keys, buffer, running format) are
    // written by the owner only under m_streamMutex[i], which stream i's capture thread holds for
    // a frame. The streams decode at the same time, each on its own thread.
    CameraStreamSelection m_streams[kMaxStreams];
    std::mutex m_streamMutex[kMaxStreams];
    int m_nStillMediaTypeIndex = -1;
    int m_nStillResolutionIndex = -1;
    int m_nStillFpsIndex = -1;

    QString m_strOutputDir;

    // Recording: guarded by m_recordMutex (held by a capture thread only to hand one frame on).
    std::mutex m_recordMutex;
    char m_strMuxer[QEL_TEXT_BUFFER_SIZE] = {};
    bool m_bRecording = false;  // frames and sound go to m_strMuxer
    RecordFailure m_recordFailure;
    QString m_strRecordPath;
    qint64 m_recordStartMs = 0;  // steady clock

    std::atomic<bool> m_bRecordKeepAudio{false};
    bool m_bRecordMicStarted = false;  // the running recording started the microphone
    int m_nCurAudioInputID = -1;
    QStringList m_audioInputNames;
    // Microphone: the real-time callback only copies into the ring; the drain thread (running
    // while the microphone runs; started and joined by the owner) hands the blocks on.
    static constexpr int kAudioRingBytes = 2 * 48000 * 2 * 2;  // two seconds of 48-kHz stereo
    AudioRing m_audioRing{kAudioRingBytes};
    std::thread m_audioDrain;
    std::atomic<bool> m_bDrainRunning{false};
    std::vector<unsigned char> m_drainBlock;  // the drain's (or, once joined, the owner's)
    // Microphone test file: guarded by m_audioMutex.
    QFile m_pcmFile;
    bool m_bAudioToFile = false;

    // Preview photo request: the path is stored under m_snapshotMutex before the flag is set.
    std::atomic<bool> m_bSnapshotPending{false};
    QByteArray m_snapshotPath;   // guarded by m_snapshotMutex
    PhotoStamp m_snapshotStamp;  // guarded by m_snapshotMutex
    QString m_photoCameraName;   // guarded by m_snapshotMutex: the open camera, for the EXIF
    std::mutex m_snapshotMutex;
    // Encodes and writes photos off the capture threads (created with the model).
    std::unique_ptr<PhotoWriter> m_photoWriter;
    std::unique_ptr<PhotoWriter> m_stillWriter;

    std::atomic<CameraDeviceChangedFn> m_fnDeviceChanged{nullptr};
    std::atomic<CameraVideoInfoFn> m_fnVideoInfo{nullptr};
    std::atomic<CameraStillResultFn> m_fnStillResult{nullptr};
    std::atomic<CameraVolumeFn> m_fnVolume{nullptr};
    std::atomic<CameraPhotoResultFn> m_fnPhotoResult{nullptr};
    std::atomic<CameraRecordFailedFn> m_fnRecordFailed{nullptr};

    // Lock order: m_streamMutex[i] before m_recordMutex before m_audioMutex.
    std::mutex m_audioMutex;

    static std::atomic<CCameraModel*> s_pModel;
};

#endif
