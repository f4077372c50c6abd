// Camera model: stream formats of the streams and the still pin, and their selection.
#include <climits>

#include "CCameraModel.h"
#include "CoreLog.h"
#include "qelds.h"

// ---- Format look-ups ---------------------------------------------------------------------

bool CCameraModel::ValidStream(int stream) const {
    return m_bOpen && stream >= 0 && stream < m_nStreamCount && stream < kMaxStreams;
}

bool CCameraModel::QueryMediaTypeCount(int stream, int& count) {
    count = 0;
    if (stream == kStillPin) {
        return qelcamera_get_still_pin_media_type_count(m_nCamID, &count) != 0;
    }
    if (m_nMaxStreamIndex == 0) {
        return qelcamera_get_media_type_count(m_nCamID, &count) != 0;
    }
    return qelcamera_get_stream_media_type_count(m_nCamID, stream, &count) != 0;
}

bool CCameraModel::QueryMediaType(int stream, int index, int& mediaType) {
    mediaType = 0;
    if (stream == kStillPin) {
        return qelcamera_get_still_pin_media_type_value(m_nCamID, index, &mediaType) != 0;
    }
    if (m_nMaxStreamIndex == 0) {
        return qelcamera_get_media_type_value(m_nCamID, index, &mediaType) != 0;
    }
    return qelcamera_get_stream_media_type_value(m_nCamID, stream, index, &mediaType) != 0;
}

bool CCameraModel::QueryResolutionCount(int stream, int mediaType, int& count) {
    count = 0;
    if (stream == kStillPin) {
        return qelcamera_get_still_pin_resolution_count(m_nCamID, mediaType, &count) != 0;
    }
    if (m_nMaxStreamIndex == 0) {
        return qelcamera_get_resolution_count(m_nCamID, mediaType, &count) != 0;
    }
    return qelcamera_get_stream_resolution_count(m_nCamID, stream, mediaType, &count) != 0;
}

bool CCameraModel::QueryResolution(int stream, int mediaType, int index, int& width, int& height) {
    width = height = 0;
    if (stream == kStillPin) {
        return qelcamera_get_still_pin_resolution_value(m_nCamID, mediaType, index, &width, &height) != 0;
    }
    if (m_nMaxStreamIndex == 0) {
        return qelcamera_get_resolution_value(m_nCamID, mediaType, index, &width, &height) != 0;
    }
    return qelcamera_get_stream_resolution_value(m_nCamID, stream, mediaType, index, &width, &height) != 0;
}

bool CCameraModel::QueryFpsCount(int stream, int mediaType, int width, int height, int& count) {
    count = 0;
    if (stream == kStillPin) {
        return qelcamera_get_still_pin_fps_count(m_nCamID, mediaType, width, height, &count) != 0;
    }
    if (m_nMaxStreamIndex == 0) {
        return qelcamera_get_fps_count(m_nCamID, mediaType, width, height, &count) != 0;
    }
    return qelcamera_get_stream_fps_count(m_nCamID, stream, mediaType, width, height, &count) != 0;
}

bool CCameraModel::QueryFps(int stream, int mediaType, int width, int height, int index, int& fps) {
    fps = 0;
    if (stream == kStillPin) {
        return qelcamera_get_still_pin_fps_value(m_nCamID, mediaType, width, height, index, &fps) == 1;
    }
    if (m_nMaxStreamIndex == 0) {
        return qelcamera_get_fps_value(m_nCamID, mediaType, width, height, index, &fps) == 1;
    }
    return qelcamera_get_stream_fps_value(m_nCamID, stream, mediaType, width, height, index, &fps) == 1;
}

bool CCameraModel::SelectedMediaType(int stream, int& mediaType) {
    // An unchosen still-pin index (-1) means the first entry.
    const int index =
        stream == kStillPin ? qMax(0, m_nStillMediaTypeIndex) : m_streams[stream].mediaTypeIndex;
    return QueryMediaType(stream, index, mediaType);
}

bool CCameraModel::SelectedResolution(int stream, int& mediaType, int& width, int& height) {
    if (!SelectedMediaType(stream, mediaType)) {
        return false;
    }
    const int index =
        stream == kStillPin ? qMax(0, m_nStillResolutionIndex) : m_streams[stream].resolutionIndex;
    return QueryResolution(stream, mediaType, index, width, height);
}

bool CCameraModel::SelectedFormat(int stream, int& mediaType, int& width, int& height, int& fps) {
    if (!SelectedResolution(stream, mediaType, width, height)) {
        return false;
    }
    const int index = stream == kStillPin ? qMax(0, m_nStillFpsIndex) : m_streams[stream].fpsIndex;
    return QueryFps(stream, mediaType, width, height, index, fps);
}

QStringList CCameraModel::MediaTypeList(int stream) {
    QStringList list;
    int count = 0;
    if (!QueryMediaTypeCount(stream, count)) {
        return list;
    }
    for (int i = 0; i < count; ++i) {
        int type = 0;
        char name[QEL_TEXT_BUFFER_SIZE] = {};
        if (QueryMediaType(stream, i, type) && qeldefine_get_media_type_string(type, name) != 0) {
            name[QEL_TEXT_BUFFER_SIZE - 1] = '\0';
            list.append(QString::fromLatin1(name));
        } else {
            // Keep positions aligned with the library's indices.
            list.append(QString::number(type));
        }
    }
    return list;
}

QStringList CCameraModel::ResolutionList(int stream) {
    QStringList list;
    int type = 0;
    int count = 0;
    if (!SelectedMediaType(stream, type) || !QueryResolutionCount(stream, type, count)) {
        return list;
    }
    for (int i = 0; i < count; ++i) {
        int w = 0;
        int h = 0;
        QueryResolution(stream, type, i, w, h);
        list.append(QStringLiteral("%1 x %2").arg(w).arg(h));
    }
    return list;
}

QStringList CCameraModel::FpsList(int stream) {
    QStringList list;
    int type = 0;
    int w = 0;
    int h = 0;
    int count = 0;
    if (!SelectedResolution(stream, type, w, h) || !QueryFpsCount(stream, type, w, h, count)) {
        return list;
    }
    for (int i = 0; i < count; ++i) {
        int fps = 0;
        QueryFps(stream, type, w, h, i, fps);
        list.append(QString::number(fps));
    }
    return list;
}

// ---- Streams -----------------------------------------------------------------------------

int CCameraModel::GetStreamCount() {
    return m_bOpen ? m_nStreamCount : 0;
}

bool CCameraModel::SetMaxStreamIndex(int index) {
    if (!m_bOpen || index < 0 || index >= m_nStreamCount || index >= kMaxStreams) {
        return false;
    }
    m_nMaxStreamIndex = index;
    return true;
}

int CCameraModel::GetMaxStreamIndex() {
    return m_bOpen ? m_nMaxStreamIndex : -1;
}

QStringList CCameraModel::GetMediaTypeList(int stream) {
    return ValidStream(stream) ? MediaTypeList(stream) : QStringList();
}

QStringList CCameraModel::GetResolutionList(int stream) {
    return ValidStream(stream) ? ResolutionList(stream) : QStringList();
}

QStringList CCameraModel::GetFpsList(int stream) {
    return ValidStream(stream) ? FpsList(stream) : QStringList();
}

bool CCameraModel::SetMediaTypeIndex(int stream, int index) {
    int count = 0;
    if (!ValidStream(stream) || !QueryMediaTypeCount(stream, count) || index < 0 || index >= count) {
        return false;
    }
    m_streams[stream].mediaTypeIndex = index;
    return true;
}

bool CCameraModel::SetResolutionIndex(int stream, int index) {
    int type = 0;
    int count = 0;
    if (!ValidStream(stream) || !SelectedMediaType(stream, type) ||
        !QueryResolutionCount(stream, type, count) || index < 0 || index >= count) {
        return false;
    }
    m_streams[stream].resolutionIndex = index;
    return true;
}

bool CCameraModel::SetFpsIndex(int stream, int index) {
    int type = 0;
    int w = 0;
    int h = 0;
    int count = 0;
    if (!ValidStream(stream) || !SelectedResolution(stream, type, w, h) ||
        !QueryFpsCount(stream, type, w, h, count) || index < 0 || index >= count) {
        return false;
    }
    m_streams[stream].fpsIndex = index;
    if (m_bPreview && IsSupportFps(stream)) {
        int fps = 0;
        if (QueryFps(stream, type, w, h, index, fps)) {
            if (qelcamera_set_fps(m_nCamID, stream, fps) != 0) {
                std::unique_lock<std::mutex> lock(m_streamMutex[stream]);
                m_streams[stream].runningFps = fps;
            } else {
                qCWarning(lcCamera) << "CCameraModel::SetFpsIndex qelcamera_set_fps failed:" << stream << fps;
            }
        }
    }
    return true;
}

bool CCameraModel::IsSupportFps(int stream) {
    int type = 0;
    return ValidStream(stream) && SelectedMediaType(stream, type) && IsEncoded(type) && EuFlag(4);
}

bool CCameraModel::IsSupportBps(int stream) {
    int type = 0;
    return ValidStream(stream) && SelectedMediaType(stream, type) && IsEncoded(type) && EuFlag(0);
}

bool CCameraModel::IsSupportGop(int stream) {
    int type = 0;
    return ValidStream(stream) && SelectedMediaType(stream, type) && IsEncoded(type) && EuFlag(1);
}

bool CCameraModel::SetBps(int stream, int kilobytesPerSecond) {
    if (!ValidStream(stream)) {
        return false;
    }
    m_streams[stream].bitrateKBps = kilobytesPerSecond;
    if (m_bPreview && IsSupportBps(stream)) {
        const qint64 bits = qint64(kilobytesPerSecond) * 8192;
        if (bits <= 0 || bits > INT_MAX) {
            qCWarning(lcCamera) << "CCameraModel::SetBps bitrate out of range:" << kilobytesPerSecond;
            return false;
        }
        if (qelcamera_set_bps(m_nCamID, stream, int(bits)) == 0) {
            qCWarning(lcCamera) << "CCameraModel::SetBps qelcamera_set_bps failed:" << stream << bits;
            return false;
        }
    }
    return true;
}

bool CCameraModel::SetGop(int stream, int frames) {
    if (!ValidStream(stream)) {
        return false;
    }
    m_streams[stream].gop = frames;
    if (m_bPreview && IsSupportGop(stream)) {
        if (qelcamera_set_gop(m_nCamID, stream, frames) == 0) {
            qCWarning(lcCamera) << "CCameraModel::SetGop qelcamera_set_gop failed:" << stream << frames;
            return false;
        }
    }
    return true;
}

// ---- Still-pin formats -------------------------------------------------------------------

bool CCameraModel::IsSupportStillCapture() {
    if (!m_bInit || !m_bOpen) {
        return false;
    }
    int flag = 0;
    return qelcamera_is_support_still_capture(m_nCamID, &flag) != 0 && flag != 0;
}

QStringList CCameraModel::GetStillMediaTypeList() {
    return IsSupportStillCapture() ? MediaTypeList(kStillPin) : QStringList();
}

QStringList CCameraModel::GetStillResolutionList() {
    return IsSupportStillCapture() ? ResolutionList(kStillPin) : QStringList();
}

QStringList CCameraModel::GetStillFpsList() {
    return IsSupportStillCapture() ? FpsList(kStillPin) : QStringList();
}

bool CCameraModel::SetStillMediaTypeIndex(int index) {
    int count = 0;
    if (!IsSupportStillCapture() || !QueryMediaTypeCount(kStillPin, count) || index < 0 || index >= count) {
        return false;
    }
    m_nStillMediaTypeIndex = index;
    return true;
}

bool CCameraModel::SetStillResolutionIndex(int index) {
    int type = 0;
    int count = 0;
    if (!IsSupportStillCapture() || !SelectedMediaType(kStillPin, type) ||
        !QueryResolutionCount(kStillPin, type, count) || index < 0 || index >= count) {
        return false;
    }
    m_nStillResolutionIndex = index;
    return true;
}

bool CCameraModel::SetStillFpsIndex(int index) {
    int type = 0;
    int w = 0;
    int h = 0;
    int count = 0;
    if (!IsSupportStillCapture() || !SelectedResolution(kStillPin, type, w, h) ||
        !QueryFpsCount(kStillPin, type, w, h, count) || index < 0 || index >= count) {
        return false;
    }
    m_nStillFpsIndex = index;
    return true;
}

// ---- Selection at preview start ----------------------------------------------------------

void CCameraModel::NormaliseSelection(int stream) {
    // Selections survive opening another camera; indices this camera does not have fall back
    // to its first entries instead of failing the preview.
    CameraStreamSelection& s = m_streams[stream];
    int count = 0;
    if (QueryMediaTypeCount(stream, count) && (s.mediaTypeIndex < 0 || s.mediaTypeIndex >= count)) {
        qCWarning(lcCamera) << "CCameraModel::StartPreview media type index out of range, using the first:"
                            << stream << s.mediaTypeIndex;
        s.mediaTypeIndex = 0;
    }
    int type = 0;
    if (SelectedMediaType(stream, type) && QueryResolutionCount(stream, type, count) &&
        (s.resolutionIndex < 0 || s.resolutionIndex >= count)) {
        qCWarning(lcCamera) << "CCameraModel::StartPreview resolution index out of range, using the first:"
                            << stream << s.resolutionIndex;
        s.resolutionIndex = 0;
    }
    int w = 0;
    int h = 0;
    if (SelectedResolution(stream, type, w, h) && QueryFpsCount(stream, type, w, h, count) &&
        (s.fpsIndex < 0 || s.fpsIndex >= count)) {
        qCWarning(lcCamera) << "CCameraModel::StartPreview frame rate index out of range, using the first:"
                            << stream << s.fpsIndex;
        s.fpsIndex = 0;
    }
}
