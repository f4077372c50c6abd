// Camera model: photos, recordings, the microphone test and the output folder.
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QUrl>
#include <chrono>
#include <cstring>

#include "CCameraModel.h"
#include "CoreLog.h"
#include "PhotoWriter.h"
#include "UniqueFileName.h"
#include "WavFile.h"
#include "YuvConverter.h"
#include "qelaudioinput.h"
#include "qelds.h"
#include "qelmuxer.h"

namespace {

constexpr int kAudioChannels = 2;
constexpr int kAudioSampleRate = 48000;
constexpr int kAudioBits = 16;
// Longest still-pin photo path (local 8-bit bytes) written to the output folder.
constexpr int kMaxStillPathBytes = 258;

qint64 steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

// ---- Recording ---------------------------------------------------------------------------

void CCameraModel::SetRecordKeepAudio(bool keep) {
    m_bRecordKeepAudio = keep;
}

bool CCameraModel::IsRecording() {
    std::unique_lock<std::mutex> lock(m_recordMutex);
    return m_bRecording;
}

bool CCameraModel::StartRecord(const QString& path) {
    if (!m_bInit || !m_bOpen || !m_bPreview) {
        return false;
    }
    if (IsRecording()) {
        qCWarning(lcAudio) << "CCameraModel::StartRecord a recording is already running";
        return false;
    }
    // The muxer gets the format stream 0 is actually running with.
    const CameraStreamSelection& s0 = m_streams[0];
    int type = 0;
    int w = 0;
    int h = 0;
    int fps = 0;
    {
        std::unique_lock<std::mutex> lock(m_streamMutex[0]);
        type = s0.runningMediaType;
        w = s0.runningWidth;
        h = s0.runningHeight;
        fps = s0.runningFps;
    }
    if (type == 0) {
        qCWarning(lcAudio) << "CCameraModel::StartRecord stream 0 is not running";
        return false;
    }
    const QByteArray utf8Path = path.toUtf8();
    const bool keepAudio = m_bRecordKeepAudio;
    qCDebug(lcCamera) << "recording to" << path << "with sound:" << keepAudio;
    // Decoded frames of both uncompressed kinds reach the muxer as YUV 4:2:0.
    const int muxerType = IsEncoded(type) ? type : QEL_MUXER_INPUT_YUV420P;
    char key[QEL_TEXT_BUFFER_SIZE] = {};
    if (keepAudio) {
        qelaudioinput_set_callback(&CCameraModel::AudioThunk);
        StartAudioDrain();
        const int started =
            qelaudioinput_start_recording(m_nCurAudioInputID, kAudioChannels, kAudioSampleRate, kAudioBits);
        if (started == 0) {
            qCWarning(lcAudio) << "the microphone did not start:" << m_nCurAudioInputID;
            StopAudioDrain();
            return false;
        }
        m_bRecordMicStarted = true;
        const int created = qelmuxer_create_muxer(key, utf8Path.constData(), w, h, muxerType, fps, s0.gop, 1,
                                                  kAudioChannels, kAudioSampleRate, kAudioBits);
        if (created != 1) {
            qCWarning(lcCamera) << "the recording file cannot be created:" << path;
            // Nothing records: the microphone must not keep running.
            qelaudioinput_stop_recording();
            StopAudioDrain();
            m_bRecordMicStarted = false;
            return false;
        }
    } else {
        const int created =
            qelmuxer_create_muxer(key, utf8Path.constData(), w, h, muxerType, fps, s0.gop, 0, 0, 0, 0);
        if (created != 1) {
            qCWarning(lcCamera) << "the recording file cannot be created:" << path;
            return false;
        }
    }
    {
        std::unique_lock<std::mutex> lock(m_recordMutex);
        std::memcpy(m_strMuxer, key, sizeof(m_strMuxer));
        m_strMuxer[QEL_TEXT_BUFFER_SIZE - 1] = '\0';
        m_bRecording = true;
        m_recordFailure = RecordFailure();
        m_strRecordPath = path;
        m_recordStartMs = steadyMs();
    }
    if (type == QEL_MEDIA_H264 || type == QEL_MEDIA_H265) {
        // The file starts at a keyframe: ask for one now instead of waiting for the next GOP
        // (GOP 0 keeps the camera's GOP). A camera that cannot only costs that wait.
        if (qelcamera_set_gop(m_nCamID, 0, 0) == 0) {
            qCWarning(lcAudio)
                << "CCameraModel::StartRecord the camera gives no keyframe on request; the recording"
                   " starts at its next keyframe";
        }
    }
    return true;
}

void CCameraModel::StopRecord() {
    if (m_bRecordMicStarted) {
        // Waits until no microphone callback runs; the drain then hands on the rest.
        qelaudioinput_stop_recording();
        StopAudioDrain();
        m_bRecordMicStarted = false;
    }
    char key[QEL_TEXT_BUFFER_SIZE] = {};
    {
        // Once the lock is held no frame or block is inside the muxer; after it is released none
        // will be handed to it, so the muxer can be finished without holding it.
        std::unique_lock<std::mutex> lock(m_recordMutex);
        m_bRecording = false;
        std::memcpy(key, m_strMuxer, sizeof(key));
        m_strMuxer[0] = '\0';
    }
    if (key[0] != '\0' && qelmuxer_release_muxer(key) != 1) {
        qCWarning(lcCamera) << "the recording was not finished cleanly:" << key;
    }
}

void CCameraModel::Mux(const unsigned char* data, int size, int kind, long timestampUs) {
    std::unique_lock<std::mutex> lock(m_recordMutex);
    if (!m_bRecording || (kind == QEL_MUXER_AUDIO && !m_bRecordKeepAudio)) {
        return;
    }
    const int v = qelmuxer_muxer_at(m_strMuxer, data, size, kind, timestampUs);
    if (v == 0 || v == QEL_MUXER_REFUSED_QUEUE_FULL) {
        return;  // a full queue drops this one frame; the recording goes on
    }
    // Anything else ends the recording at once: no frame more, and one report, not one per frame.
    m_bRecording = false;
    m_recordFailure.failed = true;
    m_recordFailure.path = m_strRecordPath;
    m_recordFailure.error = qelmuxer_last_error(m_strMuxer);
    m_recordFailure.keptMs = steadyMs() - m_recordStartMs;
    lock.unlock();
    qCWarning(lcCamera) << "the recording ended on a muxer failure:" << v;
    if (const CameraRecordFailedFn fn = m_fnRecordFailed.load()) {
        fn();
    }
}

CCameraModel::RecordFailure CCameraModel::TakeRecordFailure() {
    RecordFailure failure;
    {
        std::unique_lock<std::mutex> lock(m_recordMutex);
        failure = m_recordFailure;
        m_recordFailure = RecordFailure();
    }
    if (failure.failed) {
        // The muxer keeps what it has written; this releases it and the microphone.
        StopRecord();
    }
    return failure;
}

// ---- Microphone --------------------------------------------------------------------------

void CCameraModel::AudioThunk(unsigned char* data, int size, long timestampUs) {
    if (CCameraModel* model = s_pModel.load()) {
        model->OnAudioBlock(data, size, timestampUs);
    }
}

void CCameraModel::OnAudioBlock(const unsigned char* data, int size, long timestampUs) {
    // Real-time thread: no lock, allocation or I/O; a block that does not fit is counted and lost.
    m_audioRing.push(data, size, timestampUs);
}

void CCameraModel::StartAudioDrain() {
    if (m_bDrainRunning) {
        return;
    }
    m_audioRing.clear();
    m_bDrainRunning = true;
    m_audioDrain = std::thread([this] {
        while (m_bDrainRunning.load(std::memory_order_acquire)) {
            DrainAudio();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
}

void CCameraModel::StopAudioDrain() {
    if (!m_audioDrain.joinable()) {
        return;
    }
    m_bDrainRunning = false;
    m_audioDrain.join();
    DrainAudio();
    if (m_audioRing.overruns() > 0) {
        qCWarning(lcAudio) << "microphone blocks lost so far (the drain fell behind):"
                           << m_audioRing.overruns();
    }
}

void CCameraModel::DrainAudio() {
    long long timestampUs = 0;
    while (m_audioRing.pop(m_drainBlock, timestampUs)) {
        HandleAudioBlock(m_drainBlock.data(), int(m_drainBlock.size()), timestampUs);
    }
}

void CCameraModel::HandleAudioBlock(const unsigned char* data, int size, long long timestampUs) {
    bool toFile = false;
    {
        std::unique_lock<std::mutex> lock(m_audioMutex);
        toFile = m_bAudioToFile;
        if (toFile && m_pcmFile.write(reinterpret_cast<const char*>(data), size) != size) {
            qCWarning(lcAudio) << "microphone test write failed:" << m_pcmFile.errorString();
        }
    }
    if (!toFile) {
        Mux(data, size, QEL_MUXER_AUDIO, long(timestampUs));
    }
    if (const CameraVolumeFn fn = m_fnVolume.load()) {
        int level = 0;
        if (qelaudioinput_calculate_volume(data, size, &level) != 0) {
            fn(level);
        }
    }
}

QStringList CCameraModel::GetAudioInputList() {
    QStringList names;
    if (!m_bInit) {
        return names;
    }
    int count = 0;
    if (qelaudioinput_get_device_count(&count) == 0) {
        count = 0;
    }
    for (int i = 0; i < count; ++i) {
        char name[QEL_TEXT_BUFFER_SIZE] = {};
        if (qelaudioinput_get_device_name(i, name) == 1) {
            name[QEL_TEXT_BUFFER_SIZE - 1] = '\0';
            names.append(QString::fromLocal8Bit(name));
        }
    }
    m_audioInputNames = names;
    return names;
}

bool CCameraModel::SetCurAudioInput(int index) {
    if (!m_bInit || index < 0 || index >= m_audioInputNames.size()) {
        return false;
    }
    m_nCurAudioInputID = index;
    return true;
}

void CCameraModel::SetVolumeCallback(CameraVolumeFn fn) {
    m_fnVolume.store(fn);
}

bool CCameraModel::IsAudioTestRunning() {
    std::unique_lock<std::mutex> lock(m_audioMutex);
    return m_bAudioToFile;
}

bool CCameraModel::StartAudioTest() {
    if (!m_bInit) {
        return false;
    }
    if (IsAudioTestRunning()) {
        return true;
    }
    qelaudioinput_set_callback(&CCameraModel::AudioThunk);
    StartAudioDrain();
    if (qelaudioinput_start_recording(m_nCurAudioInputID, kAudioChannels, kAudioSampleRate, kAudioBits) ==
        0) {
        qCWarning(lcAudio) << "CCameraModel::StartAudioTest qelaudioinput_start_recording failed:"
                           << m_nCurAudioInputID;
        StopAudioDrain();
        return false;
    }
    QDir().mkpath(m_strOutputDir);
    std::unique_lock<std::mutex> lock(m_audioMutex);
    m_pcmFile.setFileName(OutputFilePath(QStringLiteral("sound.pcm")));
    if (!m_pcmFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qCWarning(lcAudio) << "CCameraModel::StartAudioTest cannot write:" << m_pcmFile.fileName()
                           << m_pcmFile.errorString();
        lock.unlock();
        qelaudioinput_stop_recording();
        StopAudioDrain();
        return false;
    }
    m_bAudioToFile = true;
    return true;
}

void CCameraModel::StopAudioTest() {
    if (!IsAudioTestRunning()) {
        // Nothing to stop; a recording's microphone is left alone.
        return;
    }
    qelaudioinput_stop_recording();
    StopAudioDrain();
    {
        std::unique_lock<std::mutex> lock(m_audioMutex);
        m_bAudioToFile = false;
        m_pcmFile.close();
    }
    // The test sound is played from a WAV file made of the PCM just captured.
    if (!writeWavFromPcm(OutputFilePath(QStringLiteral("sound.pcm")),
                         OutputFilePath(QStringLiteral("sound.wav")), kAudioChannels, kAudioSampleRate,
                         kAudioBits)) {
        qCWarning(lcAudio) << "CCameraModel::StopAudioTest cannot write sound.wav";
    }
}

void CCameraModel::PlayTestSound() {
    const QString pcm = OutputFilePath(QStringLiteral("sound.pcm"));
    if (!QFile::exists(pcm)) {
        qCWarning(lcAudio) << "CCameraModel::PlayTestSound no test sound:" << pcm;
        return;
    }
    // Played through the default output device rather than handed to whatever player the
    // desktop associates with WAV files.
    if (qelaudioinput_play_file(QFile::encodeName(pcm).constData(), kAudioChannels, kAudioSampleRate,
                                kAudioBits) != 1) {
        qCWarning(lcAudio) << "CCameraModel::PlayTestSound cannot play:" << pcm;
    }
}

void CCameraModel::OpenOutputFolder() {
    if (!QDir().mkpath(m_strOutputDir)) {
        qCWarning(lcAudio) << "Failed to create output directory:" << m_strOutputDir;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(m_strOutputDir))) {
        qCWarning(lcAudio) << "CCameraModel::OpenOutputFolder cannot open:" << m_strOutputDir;
    }
}

// ---- Still pin ---------------------------------------------------------------------------

void CCameraModel::SetStillCallback(CameraStillResultFn fn) {
    m_fnStillResult.store(fn);
}

bool CCameraModel::CaptureStillImage() {
    if (!m_bPreview) {
        return false;
    }
    return qelcamera_capture_still_image(m_nCamID) != 0;
}

void CCameraModel::OnStillFrame(int mediaType, const unsigned char* data, int size) {
    if (mediaType != QEL_MEDIA_MJPEG || !data || size <= 0) {
        if (const CameraStillResultFn fn = m_fnStillResult.load()) {
            fn(1, QString(), 0);
        }
        return;
    }
    const QDateTime taken = QDateTime::currentDateTime();
    const QString name = taken.toString(QStringLiteral("yyyyMMdd_HHmmss")) + QStringLiteral(".jpg");
    QString path = uniqueFilePath(OutputFilePath(name));
    if (QFile::encodeName(path).size() > kMaxStillPathBytes) {
        path =
            uniqueFilePath(QDir::toNativeSeparators(QDir::current().filePath(QStringLiteral("error.jpg"))));
    }
    PhotoWriter::Job job;
    job.path = path;
    job.jpeg = QByteArray(reinterpret_cast<const char*>(data), size);
    job.taken = taken;
    {
        std::unique_lock<std::mutex> lock(m_snapshotMutex);
        job.camera = m_photoCameraName;
    }
    m_stillWriter->submit(std::move(job));
}

void CCameraModel::OnStillWritten(const QString& path, int error) {
    if (const CameraStillResultFn fn = m_fnStillResult.load()) {
        fn(error == 0 ? 0 : 2, path, error);
    }
}

// ---- Preview photos ----------------------------------------------------------------------

void CCameraModel::SetPhotoCameraName(const QString& name) {
    std::unique_lock<std::mutex> lock(m_snapshotMutex);
    m_photoCameraName = name;
}

void CCameraModel::CapturePreviewFrame(const QByteArray& path, const PhotoStamp& stamp) {
    {
        std::unique_lock<std::mutex> lock(m_snapshotMutex);
        m_snapshotPath = path;
        m_snapshotStamp = stamp;
    }
    // Published after the path: the preview thread reads the path only after seeing the flag.
    m_bSnapshotPending.store(true, std::memory_order_release);
}

void CCameraModel::ServeSnapshot(const CameraStreamSelection& s, const unsigned char* data, int size,
                                 bool decoded, int decodedSize) {
    QByteArray utf8Path;
    PhotoWriter::Job job;
    {
        std::unique_lock<std::mutex> lock(m_snapshotMutex);
        utf8Path = m_snapshotPath;
        m_snapshotPath.clear();
        job.stamp = m_snapshotStamp;
        job.camera = m_photoCameraName;
        m_bSnapshotPending.store(false, std::memory_order_release);
    }
    const QString path = QString::fromUtf8(utf8Path);
    if (path.isEmpty()) {
        return;
    }
    // The stamp shows the moment the frame was taken, as the EXIF does.
    job.taken = QDateTime::currentDateTime();
    job.stamp.setText(job.taken.toString(QString::fromLatin1(PhotoStamp::kDateFormat)));
    // Only a copy is made here: decoding, encoding and writing happen on the photo writer's thread.
    job.path = path;
    const int w = s.runningWidth;
    const int h = s.runningHeight;
    const int yuy2Bytes = yuy2FrameSize(w, h);
    if (s.runningMediaType == QEL_MEDIA_MJPEG) {
        job.jpeg = QByteArray(reinterpret_cast<const char*>(data), size);
    } else if (s.runningMediaType == QEL_MEDIA_YUY2 && yuy2Bytes > 0 && size >= yuy2Bytes) {
        // Kept as the camera sent it: its 4:2:2 chroma survives into the photo.
        job.yuy2 = QByteArray(reinterpret_cast<const char*>(data), yuy2Bytes);
        job.width = w;
        job.height = h;
    } else if (decoded) {
        job.yuv420 = QByteArray(reinterpret_cast<const char*>(s.frameBuffer.data()), decodedSize);
        job.width = s.runningWidth;
        job.height = s.runningHeight;
    } else {
        qCWarning(lcCamera) << "photo skipped, the frame did not decode:" << path;
        OnPhotoWritten(path, kPhotoNoFrame);
        return;
    }
    m_photoWriter->submit(std::move(job));
}

void CCameraModel::OnPhotoWritten(const QString& path, int error) {
    if (const CameraPhotoResultFn fn = m_fnPhotoResult.load()) {
        fn(path, error);
    }
}
