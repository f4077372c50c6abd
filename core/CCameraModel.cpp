// Camera model: libraries, cameras, stream formats and the preview pipeline.
#include "CCameraModel.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <climits>
#include <cstring>

#include "CoreLog.h"
#include "PhotoWriter.h"
#include "qelaudioinput.h"
#include "qelconvert.h"
#include "qelds.h"
#include "qelmuxer.h"
#include "qelrenderqt.h"
#include "qelrenderqt_extra.h"

std::atomic<CCameraModel*> CCameraModel::s_pModel{nullptr};

namespace {

// Extension-unit codes in the order they are read at opening (17 is read twice: hand gesture
// and the reserved feature share it).
const int kEuCodesAtOpen[] = {0, 1, 4, 5, 12, 17, 13, 7, 9, 10, 15, 19, 18, 20, 16, 17, 21, 23, 22, 25};

// A folder is usable when it exists (or can be made) and a file can be created in it.
bool usableFolder(const QString& dir) {
    if (!QDir().mkpath(dir)) {
        return false;
    }
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral(".write-probe-XXXXXX")));
    return probe.open();
}

}  // namespace

CCameraModel::CCameraModel()
    : m_photoWriter(new PhotoWriter([this](const QString& path, int error) { OnPhotoWritten(path, error); })),
      m_stillWriter(
          new PhotoWriter([this](const QString& path, int error) { OnStillWritten(path, error); })) {
    m_strOutputDir = ChooseOutputDir(QCoreApplication::applicationDirPath(),
                                     QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

CCameraModel::~CCameraModel() {
    StopAudioTest();
    Uninit();
    StopAudioDrain();
    CCameraModel* self = this;
    s_pModel.compare_exchange_strong(self, nullptr);
    // Queued photos are still written (and reported) before the model goes.
    m_photoWriter.reset();
    m_stillWriter.reset();
}

bool CCameraModel::IsEncoded(int mediaType) {
    return mediaType == QEL_MEDIA_H264 || mediaType == QEL_MEDIA_H265;
}

QString CCameraModel::ChooseOutputDir(const QString& appDir, const QString& fallbackBase) {
    const QString preferred = appDir + QStringLiteral("/output");
    // An installed program's folder (/usr/bin, /opt/...) is never written into, even by root.
    const QString dir = QDir::cleanPath(appDir);
    const bool systemFolder = dir.startsWith(QStringLiteral("/usr/")) ||
                              dir.startsWith(QStringLiteral("/opt/")) || dir == QStringLiteral("/bin") ||
                              dir == QStringLiteral("/sbin");
    if (!systemFolder && usableFolder(preferred)) {
        return preferred;
    }
    if (!fallbackBase.isEmpty()) {
        const QString fallback = fallbackBase + QStringLiteral("/output");
        if (usableFolder(fallback)) {
            qCDebug(lcCamera) << "output folder not writable:" << preferred << "using:" << fallback;
            return fallback;
        }
        qCWarning(lcCamera) << "Failed to create output directory:" << fallback;
        return fallback;
    }
    qCWarning(lcCamera) << "Failed to create output directory:" << preferred;
    return preferred;
}

QString CCameraModel::OutputFilePath(const QString& name) const {
    return QDir::toNativeSeparators(QDir(m_strOutputDir).filePath(name));
}

// ---- Libraries ---------------------------------------------------------------------------

bool CCameraModel::Init() {
    if (m_bInit) {
        Uninit();
    }
    m_bInit = false;
    s_pModel.store(this);
    if (qelcamera_init() == 0) {
        qCWarning(lcCamera) << "CCameraModel::Init qelcamera_init failed";
        return false;
    }
    if (qelconvert_init() == 0) {
        qCWarning(lcCamera) << "CCameraModel::Init qelconvert_init failed";
        qelcamera_uninit();
        return false;
    }
    if (qelrender_init() == 0) {
        qCWarning(lcCamera) << "CCameraModel::Init qelrender_init failed";
    }
    m_bInit = true;
    if (qelcamera_set_device_changed_callback(&CCameraModel::DeviceChangedThunk) == 0) {
        qCWarning(lcCamera) << "CCameraModel::Init qelcamera_set_device_changed_callback failed";
    }
    if (qelaudioinput_init() == 0) {
        qCWarning(lcCamera) << "CCameraModel::Init qelaudioinput_init failed";
    }
    return true;
}

void CCameraModel::Uninit() {
    if (!m_bInit) {
        return;
    }
    if (m_bPreview) {
        StopPreview();
    }
    if (m_bOpen) {
        Close();
    }
    StopAudioTest();
    qelcamera_uninit();
    qelconvert_uninit();
    qelrender_uninit();
    m_bInit = false;
}

void CCameraModel::Release() {
    Close();
    ReleaseStreams();
    qelconvert_release_all_decoder();
    if (m_bInit) {
        StopAudioTest();
        qelcamera_uninit();
        qelconvert_uninit();
        qelrender_uninit();
        m_bInit = false;
    }
}

void CCameraModel::SetDeviceChangedCallback(CameraDeviceChangedFn fn) {
    m_fnDeviceChanged.store(fn);
}

// ---- Cameras -----------------------------------------------------------------------------

QStringList CCameraModel::GetCameraList() {
    QStringList names;
    if (!m_bInit) {
        return names;
    }
    int count = 0;
    const int ok = qelcamera_get_camera_count(&count);
    if (ok == 0 || count < 1) {
        return names;
    }
    for (int i = 0; i < count; ++i) {
        char name[QEL_TEXT_BUFFER_SIZE] = {};
        if (qelcamera_get_camera_name(i, name) == 1) {
            name[QEL_TEXT_BUFFER_SIZE - 1] = '\0';
            names.append(QString::fromLocal8Bit(name));
        }
    }
    return names;
}

bool CCameraModel::Open(int index) {
    if (!m_bInit) {
        return false;
    }
    if (m_bPreview) {
        StopPreview();
    }
    if (m_bOpen) {
        Close();
    }
    if (qelcamera_open(index) != 1) {
        qCWarning(lcCamera) << "CCameraModel::Open qelcamera_open failed:" << index;
        return false;
    }
    m_bOpen = true;
    m_nCamID = index;
    const QStringList names = GetCameraList();
    m_strCamName = (index >= 0 && index < names.size()) ? names.at(index) : QString();
    SetPhotoCameraName(m_strCamName);
    if (m_strCamName != m_strChoicesCamera) {
        for (int i = 0; i < kMaxStreams; ++i) {
            std::unique_lock<std::mutex> lock(m_streamMutex[i]);
            CameraStreamSelection& s = m_streams[i];
            s.mediaTypeIndex = s.resolutionIndex = s.fpsIndex = 0;
            s.bitrateKBps = s.gop = 0;
        }
        m_strChoicesCamera = m_strCamName;
    }
    int streams = 0;
    if (qelcamera_get_stream_count(index, &streams) == 0) {
        qCWarning(lcCamera) << "CCameraModel::Open qelcamera_get_stream_count failed";
        streams = 0;
    }
    m_nStreamCount = streams;

    for (bool& flag : m_bEuSupport) {
        flag = false;
    }
    for (int code : kEuCodesAtOpen) {
        int flag = 0;
        m_bEuSupport[code] = qelcamera_eu_support(index, code, &flag) != 0 && flag == 1;
    }
    int still = 0;
    m_bSupportStillCapture = qelcamera_is_support_still_capture(index, &still) != 0 && still == 1;
    int frequency = 0;
    m_bSupportFrequency = qelcamera_get_frequency(index, &frequency) != 0;
    return true;
}

bool CCameraModel::Close() {
    if (m_bPreview) {
        StopPreview();
    }
    if (m_bOpen && qelcamera_close(m_nCamID) == 0) {
        qCWarning(lcCamera) << "CCameraModel::Close qelcamera_close failed:" << m_nCamID.load();
    }
    m_bOpen = false;
    m_bSupportStillCapture = false;
    m_bPreview = false;
    m_bSupportFrequency = false;
    for (bool& flag : m_bEuSupport) {
        flag = false;
    }
    m_nStreamCount = -1;
    m_nCamID = -1;
    m_nCurAudioInputID = -1;
    m_nStillMediaTypeIndex = -1;
    m_nStillFpsIndex = -1;
    return true;
}

bool CCameraModel::IsOpen() {
    return m_bOpen;
}

bool CCameraModel::IsPreview() {
    return m_bPreview;
}

bool CCameraModel::EuFlag(int code) const {
    return m_bOpen && code >= 0 && code < kEuCodeCount && m_bEuSupport[code];
}

void CCameraModel::DeviceChangedThunk(int event, int) {
    // Only passed on: the owner thread looks at the new list (RefreshOpenCamera).
    CCameraModel* model = s_pModel.load();
    if (!model) {
        return;
    }
    if (const CameraDeviceChangedFn fn = model->m_fnDeviceChanged.load()) {
        fn(event, 0);
    }
}

bool CCameraModel::RefreshOpenCamera() {
    if (!m_bOpen) {
        return false;
    }
    const QStringList names = GetCameraList();
    int found = -1;
    for (int i = 0; i < names.size(); ++i) {
        if (names.at(i).compare(m_strCamName, Qt::CaseInsensitive) == 0) {
            found = i;
            break;
        }
    }
    m_nCamID = found;
    return found < 0;
}

// ---- Preview -----------------------------------------------------------------------------

void CCameraModel::SetVideoInfoCallback(CameraVideoInfoFn fn) {
    m_fnVideoInfo.store(fn);
}

bool CCameraModel::SetUpStream(int stream) {
    NormaliseSelection(stream);
    CameraStreamSelection& s = m_streams[stream];
    int type = 0;
    int w = 0;
    int h = 0;
    int fps = 0;
    if (!SelectedFormat(stream, type, w, h, fps)) {
        qCWarning(lcCamera) << "CCameraModel::StartPreview no format for the selection of stream" << stream;
        return false;
    }
    if (qelcamera_set_preview_params(m_nCamID, stream, 1, type, w, h, fps) == 0) {
        qCWarning(lcCamera) << "CCameraModel::StartPreview qelcamera_set_preview_params failed:" << stream
                            << type << w << h << fps;
        return false;
    }
    if (IsEncoded(type)) {
        // Values the user has not chosen yet (0) leave the camera's own encoder settings alone.
        const qint64 bits = qint64(s.bitrateKBps) * 8192;
        if (EuFlag(0) && bits > 0 && bits <= INT_MAX && qelcamera_set_bps(m_nCamID, stream, int(bits)) == 0) {
            qCWarning(lcCamera) << "CCameraModel::StartPreview qelcamera_set_bps failed:" << stream
                                << s.bitrateKBps;
        }
        if (EuFlag(1) && s.gop > 0 && qelcamera_set_gop(m_nCamID, stream, s.gop) == 0) {
            qCWarning(lcCamera) << "CCameraModel::StartPreview qelcamera_set_gop failed:" << stream << s.gop;
        }
    }
    std::unique_lock<std::mutex> lock(m_streamMutex[stream]);
    s.runningMediaType = type;
    s.runningWidth = w;
    s.runningHeight = h;
    s.runningFps = fps;

    const int colorSpace = QEL_COLORSPACE_YUV420P;
    if (qelconver_create_video_decoder(s.decoderKey, 0, type, w, h, colorSpace) == 1) {
        int bytes = 0;
        if (qelconvert_count_colorspace_buffer_size(colorSpace, w, h, &bytes) != 0 && bytes > 0) {
            s.frameBuffer.assign(static_cast<size_t>(bytes), 0);
        } else {
            qCWarning(lcCamera)
                << "CCameraModel::StartPreview qelconvert_count_colorspace_buffer_size failed:" << w << h;
            qelconvert_release_video_decoder(s.decoderKey);
            s.decoderKey[0] = '\0';
        }
    } else {
        qCWarning(lcCamera) << "CCameraModel::StartPreview qelconver_create_video_decoder failed:" << stream
                            << type;
        s.decoderKey[0] = '\0';
    }

    SetUpHalfDecoder(s, type, w, h);

    if (!s.window) {
        qCWarning(lcCamera) << "CCameraModel::StartPreview no window for stream" << stream;
    } else if (qelrender_create_render(s.renderKey, 0, colorSpace, w, h, s.window) != 1) {
        qCWarning(lcCamera) << "CCameraModel::StartPreview qelrender_create_render failed:" << stream;
        s.renderKey[0] = '\0';
    }
    return true;
}

bool CCameraModel::StartPreview(const QList<PreviewWindowRecord*>& windows) {
    if (!m_bInit || !m_bOpen) {
        return false;
    }
    if (m_bPreview) {
        // A second start would leak the running decoders and renderers: stop first.
        qCWarning(lcCamera)
            << "CCameraModel::StartPreview while previewing: stopping the running preview first";
        StopPreview();
    }
    for (int i = 0; i < kMaxStreams; ++i) {
        m_streams[i].window = i < windows.size() ? windows.at(i) : nullptr;
    }
    const int lastStream = qMin(m_nMaxStreamIndex, kMaxStreams - 1);
    for (int stream = 0; stream <= lastStream; ++stream) {
        if (!SetUpStream(stream)) {
            ReleaseStreams();
            return false;
        }
    }
    // Streams left out of this run must not keep running from an earlier multi-stream run.
    for (int stream = lastStream + 1; stream < qMin(m_nStreamCount, kMaxStreams); ++stream) {
        int type = 0;
        int w = 0;
        int h = 0;
        int fps = 0;
        if (qelcamera_get_stream_media_type_value(m_nCamID, stream, 0, &type) != 0 &&
            qelcamera_get_stream_resolution_value(m_nCamID, stream, type, 0, &w, &h) != 0 &&
            qelcamera_get_stream_fps_value(m_nCamID, stream, type, w, h, 0, &fps) == 1) {
            qelcamera_set_preview_params(m_nCamID, stream, 0, type, w, h, fps);
        }
    }
    if (m_bSupportStillCapture) {
        int type = 0;
        int w = 0;
        int h = 0;
        int fps = 0;
        if (!SelectedFormat(kStillPin, type, w, h, fps) ||
            qelcamera_set_still_pin_params(m_nCamID, 1, type, w, h, fps) == 0) {
            qCWarning(lcCamera) << "CCameraModel::StartPreview qelcamera_set_still_pin_params failed:" << type
                                << w << h << fps;
            ReleaseStreams();
            return false;
        }
    }
    if (qelcamera_set_preview_callback(m_nCamID, &CCameraModel::PreviewThunk) == 0) {
        qCWarning(lcCamera) << "CCameraModel::StartPreview qelcamera_set_preview_callback failed";
    }
    // Set before the library starts so that no first frame is dropped.
    m_bPreview = true;
    if (qelcamera_start_preview(m_nCamID) == 0) {
        qCWarning(lcCamera) << "CCameraModel::StartPreview qelcamera_start_preview failed";
        m_bPreview = false;
        ReleaseStreams();
        return false;
    }
    return true;
}

void CCameraModel::PreviewThunk(int cam, int pin, int stream, int mediaType, int width, int height,
                                long timestampUs, unsigned char* data, int size) {
    if (CCameraModel* model = s_pModel.load()) {
        model->OnPreviewFrame(cam, pin, stream, mediaType, width, height, timestampUs, data, size);
    }
}

void CCameraModel::StopPreview() {
    // A frame in flight holds its stream's lock: once each was taken, no frame uses the pipeline,
    // and later frames see the flag clear.
    m_bPreview = false;
    for (std::mutex& mutex : m_streamMutex) {
        std::unique_lock<std::mutex> lock(mutex);
    }
    // A photo asked for that no frame will serve any more is answered now, not forgotten.
    QByteArray unserved;
    {
        std::unique_lock<std::mutex> lock(m_snapshotMutex);
        if (m_bSnapshotPending.exchange(false)) {
            unserved = m_snapshotPath;
            m_snapshotPath.clear();
        }
    }
    if (!unserved.isEmpty()) {
        OnPhotoWritten(QString::fromUtf8(unserved), kPhotoNoFrame);
    }
    if (qelcamera_stop_preview(m_nCamID) == 0) {
        qCWarning(lcCamera) << "CCameraModel::StopPreview qelcamera_stop_preview failed:" << m_nCamID.load();
    }
    ReleaseStreams();
    StopRecord();
}

void CCameraModel::ReleaseStreams() {
    for (int i = 0; i < kMaxStreams; ++i) {
        CameraStreamSelection& s = m_streams[i];
        std::unique_lock<std::mutex> lock(m_streamMutex[i]);
        if (s.decoderKey[0] != '\0') {
            qelconvert_release_video_decoder(s.decoderKey);
            s.decoderKey[0] = '\0';
        }
        if (s.halfDecoderKey[0] != '\0') {
            qelconvert_release_video_decoder(s.halfDecoderKey);
            s.halfDecoderKey[0] = '\0';
        }
        if (s.renderKey[0] != '\0') {
            qelrender_release_render(s.renderKey);
            s.renderKey[0] = '\0';
        }
        std::vector<unsigned char>().swap(s.frameBuffer);
        std::vector<unsigned char>().swap(s.halfBuffer);
        s.runningMediaType = 0;
        s.runningWidth = s.runningHeight = s.runningFps = 0;
    }
}

QByteArray CCameraModel::GetDecoderKey(int stream) {
    if (stream < 0 || stream >= kMaxStreams) {
        return QByteArray();
    }
    std::unique_lock<std::mutex> lock(m_streamMutex[stream]);
    return QByteArray(m_streams[stream].decoderKey);
}

QByteArray CCameraModel::GetRenderKey(int stream) {
    if (stream < 0 || stream >= kMaxStreams) {
        return QByteArray();
    }
    std::unique_lock<std::mutex> lock(m_streamMutex[stream]);
    return QByteArray(m_streams[stream].renderKey);
}
