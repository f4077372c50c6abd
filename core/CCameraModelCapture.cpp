// Camera model: photos, recordings, the microphone test and the output folder.
#include <QDateTime>
#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QUrl>
#include <cstring>

#include "CCameraModel.h"
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

const char* boolText(bool b) {
    return b ? "true" : "false";
}

}  // namespace

// ---- Recording ---------------------------------------------------------------------------

void CCameraModel::SetRecordKeepAudio(bool keep) {
    m_bRecordKeepAudio = keep;
}

bool CCameraModel::IsRecording() {
    QMutexLocker lock(&m_audioMutex);
    return m_bRecording;
}

bool CCameraModel::StartRecord(const QString& path) {
    if (!m_bInit || !m_bOpen || !m_bPreview) {
        return false;
    }
    if (IsRecording()) {
        qWarning() << "CCameraModel::StartRecord a recording is already running";
        return false;
    }
    // The muxer gets the format stream 0 is actually running with.
    const CameraStreamSelection& s0 = m_streams[0];
    const int type = s0.runningMediaType;
    const int w = s0.runningWidth;
    const int h = s0.runningHeight;
    const int fps = s0.runningFps;
    if (type == 0) {
        qWarning() << "CCameraModel::StartRecord stream 0 is not running";
        return false;
    }
    const QByteArray utf8Path = path.toUtf8();
    const bool keepAudio = m_bRecordKeepAudio;
    qDebug() << "chPaht:" << path << ",m_bRecordKeepAudio:" << boolText(keepAudio);
    // Decoded frames of both uncompressed kinds reach the muxer as YUV 4:2:0.
    const int muxerType = type == 1 ? 2 : type;
    char key[QEL_TEXT_BUFFER_SIZE] = {};
    if (keepAudio) {
        qelaudioinput_set_callback(&CCameraModel::AudioThunk);
        const int started =
            qelaudioinput_start_recording(m_nCurAudioInputID, kAudioChannels, kAudioSampleRate, kAudioBits);
        qDebug() << "qelaudioinput_start_recording result:" << started;
        qDebug() << "qelaudioinput_start_recording m_nCurAudioInputID:" << m_nCurAudioInputID;
        if (started == 0) {
            return false;
        }
        m_bRecordMicStarted = true;
        const int created = qelmuxer_create_muxer(key, utf8Path.constData(), w, h, muxerType, fps, s0.gop, 1,
                                                  kAudioChannels, kAudioSampleRate, kAudioBits);
        qDebug() << "qelmuxer_create_muxer result:" << created;
        if (created != 1) {
            // Nothing records: the microphone must not keep running.
            qelaudioinput_stop_recording();
            m_bRecordMicStarted = false;
            return false;
        }
    } else {
        const int created =
            qelmuxer_create_muxer(key, utf8Path.constData(), w, h, muxerType, fps, s0.gop, 0, 0, 0, 0);
        qDebug() << "qelmuxer_create_muxer result:" << created;
        if (created != 1) {
            return false;
        }
    }
    {
        QMutexLocker frameLock(&m_mutex);
        QMutexLocker audioLock(&m_audioMutex);
        std::memcpy(m_strMuxer, key, sizeof(m_strMuxer));
        m_strMuxer[QEL_TEXT_BUFFER_SIZE - 1] = '\0';
        m_bRecording = true;
    }
    if (type == QEL_MEDIA_H264 || type == QEL_MEDIA_H265) {
        // The file starts at a keyframe: ask for one now instead of waiting for the next GOP
        // (GOP 0 keeps the camera's GOP). A camera that cannot only costs that wait.
        if (qelcamera_set_gop(m_nCamID, 0, 0) == 0) {
            qWarning() << "CCameraModel::StartRecord the camera gives no keyframe on request; the recording"
                          " starts at its next keyframe";
        }
    }
    return true;
}

void CCameraModel::StopRecord() {
    qDebug("CCameraModel::StopRecord()");
    if (m_bRecordMicStarted) {
        // Waits until no microphone block is being handed on.
        qelaudioinput_stop_recording();
        m_bRecordMicStarted = false;
    }
    qDebug("CCameraModel::StopRecord() 11111");
    char key[QEL_TEXT_BUFFER_SIZE] = {};
    {
        // Once both locks are held no frame or block is inside the muxer; after they are released
        // none will be handed to it, so the muxer can be finished without holding them.
        QMutexLocker frameLock(&m_mutex);
        QMutexLocker audioLock(&m_audioMutex);
        m_bRecording = false;
        std::memcpy(key, m_strMuxer, sizeof(key));
        m_strMuxer[0] = '\0';
    }
    qDebug("CCameraModel::StopRecord() qelmuxer_release_muxer");
    qDebug() << "CCameraModel::StopRecord() m_strMuxer:" << key;
    if (key[0] != '\0') {
        qDebug() << "Releasing muxer:" << key;
        if (qelmuxer_release_muxer(key) != 1) {
            qWarning() << "CCameraModel::StopRecord qelmuxer_release_muxer failed:" << key;
        }
    }
    qDebug("CCameraModel::StopRecord() qelmuxer_release_muxer end");
}

// ---- Microphone --------------------------------------------------------------------------

void CCameraModel::AudioThunk(unsigned char* data, int size, long) {
    if (CCameraModel* model = s_pModel.load()) {
        model->OnAudioBlock(data, size);
    }
}

void CCameraModel::OnAudioBlock(const unsigned char* data, int size) {
    if (!data || size <= 0) {
        return;
    }
    {
        QMutexLocker lock(&m_audioMutex);
        if (m_bAudioToFile) {
            if (m_pcmFile.write(reinterpret_cast<const char*>(data), size) != size) {
                qWarning() << "CCameraModel microphone test write failed:" << m_pcmFile.errorString();
            }
        } else if (m_bRecording && m_bRecordKeepAudio) {
            const long v = qelmuxer_muxer(m_strMuxer, data, size, QEL_MUXER_AUDIO);
            if (v != 0) {
                qWarning("qelmuxer_muxer audio refused v:%ld", v);
            }
        }
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
            const QString text = QString::fromLocal8Bit(name);
            qDebug() << "qelaudioinput_get_device_name:" << text;
            names.append(text);
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
    QMutexLocker lock(&m_audioMutex);
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
    if (qelaudioinput_start_recording(m_nCurAudioInputID, kAudioChannels, kAudioSampleRate, kAudioBits) ==
        0) {
        qWarning() << "CCameraModel::StartAudioTest qelaudioinput_start_recording failed:"
                   << m_nCurAudioInputID;
        return false;
    }
    QDir().mkpath(m_strOutputDir);
    QMutexLocker lock(&m_audioMutex);
    m_pcmFile.setFileName(OutputFilePath(QStringLiteral("sound.pcm")));
    if (!m_pcmFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qWarning() << "CCameraModel::StartAudioTest cannot write:" << m_pcmFile.fileName()
                   << m_pcmFile.errorString();
        lock.unlock();
        qelaudioinput_stop_recording();
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
    {
        QMutexLocker lock(&m_audioMutex);
        m_bAudioToFile = false;
        m_pcmFile.close();
    }
    // The test sound is played from a WAV file made of the PCM just captured.
    if (!writeWavFromPcm(OutputFilePath(QStringLiteral("sound.pcm")),
                         OutputFilePath(QStringLiteral("sound.wav")), kAudioChannels, kAudioSampleRate,
                         kAudioBits)) {
        qWarning() << "CCameraModel::StopAudioTest cannot write sound.wav";
    }
}

void CCameraModel::PlayTestSound() {
    const QString pcm = OutputFilePath(QStringLiteral("sound.pcm"));
    if (!QFile::exists(pcm)) {
        qWarning() << "CCameraModel::PlayTestSound no test sound:" << pcm;
        return;
    }
    // Played through the default output device rather than handed to whatever player the
    // desktop associates with WAV files.
    if (qelaudioinput_play_file(QFile::encodeName(pcm).constData(), kAudioChannels, kAudioSampleRate,
                                kAudioBits) != 1) {
        qWarning() << "CCameraModel::PlayTestSound cannot play:" << pcm;
    }
}

void CCameraModel::OpenOutputFolder() {
    if (!QDir().mkpath(m_strOutputDir)) {
        qWarning() << "Failed to create output directory:" << m_strOutputDir;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(m_strOutputDir))) {
        qWarning() << "CCameraModel::OpenOutputFolder cannot open:" << m_strOutputDir;
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
    const CameraStillResultFn fn = m_fnStillResult.load();
    if (mediaType != 1 || !data || size <= 0) {
        if (fn) {
            fn(1, QString());
        }
        return;
    }
    const QString name =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss")) + QStringLiteral(".jpg");
    QString path = uniqueFilePath(OutputFilePath(name));
    if (QFile::encodeName(path).size() > kMaxStillPathBytes) {
        path =
            uniqueFilePath(QDir::toNativeSeparators(QDir::current().filePath(QStringLiteral("error.jpg"))));
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(reinterpret_cast<const char*>(data), size) != size ||
        !file.flush()) {
        qWarning() << "CCameraModel still photo cannot be written:" << path << file.errorString();
        file.close();
        file.remove();
        if (fn) {
            fn(2, path);
        }
        return;
    }
    file.close();
    if (fn) {
        fn(0, path);
    }
}

// ---- Preview photos ----------------------------------------------------------------------

void CCameraModel::CapturePreviewFrame(const QByteArray& path) {
    {
        QMutexLocker lock(&m_snapshotMutex);
        m_snapshotPath = path;
    }
    // Published after the path: the preview thread reads the path only after seeing the flag.
    m_bSnapshotPending.store(true, std::memory_order_release);
}

void CCameraModel::ServeSnapshot(CameraStreamSelection& s, const unsigned char* data, int size, bool decoded,
                                 int decodedSize) {
    QByteArray utf8Path;
    {
        QMutexLocker lock(&m_snapshotMutex);
        utf8Path = m_snapshotPath;
        m_snapshotPath.clear();
        m_bSnapshotPending.store(false, std::memory_order_release);
    }
    const QString path = QString::fromUtf8(utf8Path);
    if (path.isEmpty()) {
        return;
    }
    if (s.runningMediaType == 1) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            qWarning() << "CCameraModel photo cannot be written:" << path << file.errorString();
            return;
        }
        if (file.write(reinterpret_cast<const char*>(data), size) != size) {
            qWarning() << "CCameraModel photo write failed:" << path << file.errorString();
        }
        return;
    }
    if (!decoded) {
        qWarning() << "CCameraModel photo skipped, the frame did not decode:" << path;
        return;
    }
    const QImage image = yuv420pToImage(s.frameBuffer.data(), decodedSize, s.runningWidth, s.runningHeight);
    if (image.isNull() || !image.save(path, "JPG")) {
        qWarning() << "CCameraModel photo cannot be saved:" << path;
    }
}
