// Video widget: the presenter's reports, forwarded as Qt signals.
#include <cerrno>
#include <cstring>

#include "CoreLog.h"
#include "ICameraModel.h"
#include "VideoWidget.h"

bool VideoWidget::SetCameraList(const QStringList& names) {
    if (names.isEmpty()) {
        m_bHasCamera = false;
        QMetaObject::invokeMethod(
            this, [this] { emit sigCameraState(0); }, Qt::QueuedConnection);
        return false;
    }
    m_bHasCamera = true;
    QMetaObject::invokeMethod(
        this, [this] { emit sigCameraState(2); }, Qt::QueuedConnection);
    {
        std::unique_lock<std::mutex> lock(m_namesMutex);
        m_cameraNames = names;
    }
    emit sigCameraListReady(names);
    openCamera(m_nCurCamera);
    return true;
}

void VideoWidget::SetStreamCount(int count) {
    setStreamMode(count == 2 ? 1 : count == 3 ? 2 : 0);
}

void VideoWidget::MediaTypeListReady(int stream, const QStringList& list, int defaultIndex) {
    emit sigMediaTypeListReady(stream, list, defaultIndex);
}

void VideoWidget::ResolutionListReady(int stream, const QStringList& list, int defaultIndex) {
    emit sigResolutionListReady(stream, list, defaultIndex);
}

void VideoWidget::FPSListReady(int stream, const QStringList& list, int defaultIndex) {
    emit sigFPSListReady(stream, list, defaultIndex);
}

void VideoWidget::SetDeviceMID(const QString& text) {
    emit sigDeviceMID(text);
}
void VideoWidget::SetDeviceFWVersion(const QString& text) {
    emit sigDeviceFWVersion(text);
}
void VideoWidget::SetDeviceSDKVersion(const QString& text) {
    emit sigDeviceSDKVersion(text);
}
void VideoWidget::SetDeviceName(const QString& text) {
    emit sigDeviceName(text);
}
void VideoWidget::SetDevicePIDVID(const QString& text) {
    emit sigDevicePIDVID(text);
}

QString VideoWidget::sensorDisplayName(const QString& name) {
    // "Ultra-Wide Angle" contains "Wide Angle": test it first.
    static const QList<QPair<QString, QString>> names = {
        {"Ultra-Wide Angle", "超广角"}, {"Wide Angle", "广角镜头"}, {"Standard View", "标准镜头"},
        {"Distant View", "远景镜头"},   {"Left View", "左摄"},      {"Right View", "右摄"},
    };
    for (const auto& entry : names) {
        if (name.contains(entry.first, Qt::CaseInsensitive)) {
            return entry.second;
        }
    }
    return name;
}

void VideoWidget::SetSensorList(const QStringList& names) {
    QStringList vc;
    vc.reserve(names.size());
    for (const QString& name : names) {
        vc.append(sensorDisplayName(name));
    }
    emit getSensorList(vc);
}

void VideoWidget::SetCurrentSensor(int index) {
    emit setCurrentSensor(index);
}
void VideoWidget::EnableFlip(bool enable) {
    emit sigEnableFlip(enable);
}
void VideoWidget::SetFlip(bool checked) {
    emit sigSetFlip(checked);
}
void VideoWidget::EnableMirror(bool enable) {
    emit sigEnableMirror(enable);
}
void VideoWidget::SetMirror(bool checked) {
    emit sigSetMirror(checked);
}
void VideoWidget::EnableBps(int stream, bool enable) {
    emit sigEnableBps(stream, enable);
}
void VideoWidget::EnableGop(int stream, bool enable) {
    emit sigEnableGop(stream, enable);
}
void VideoWidget::EnableFaceTracking(bool enable) {
    emit sigEnableFaceTracking(enable);
}
void VideoWidget::CheckFaceTracking(bool check) {
    emit sigCheckFaceTracking(check);
}
void VideoWidget::EnableSoundTracking(bool enable) {
    emit sigEnableSoundTracking(enable);
}
void VideoWidget::CheckSoundTracking(bool check) {
    emit sigCheckSoundTracking(check);
}

QVector<long> VideoWidget::maskOf(const int* values, int count) {
    QVector<long> mask;
    if (values && count > 0) {
        mask.reserve(count);
        for (int i = 0; i < count; ++i) {
            mask.append(values[i]);
        }
    }
    return mask;
}

void VideoWidget::EnableHandGesture(const int* values, int count) {
    emit sigEnableHandGesture(maskOf(values, count));
}
void VideoWidget::CheckHandGesture(int value) {
    emit checkedHandGesture(value);
}
void VideoWidget::EnableCanvas(const int* values, int count) {
    emit sigEnableCanvas(maskOf(values, count));
}
void VideoWidget::CheckCanvas(int value) {
    emit sigCheckedCanvas(value);
}
void VideoWidget::EnableSub1Ai(const int* values, int count) {
    emit sigEnableSub1Ai(maskOf(values, count));
}
void VideoWidget::CheckSub1Ai(int value) {
    emit sigCheckSub1Ai(value);
}
void VideoWidget::EnableMosaic(const int* values, int count) {
    emit sigEnableMosaic(maskOf(values, count));
}
void VideoWidget::CheckMosaic(int value) {
    emit sigCheckMosaic(value);
}
void VideoWidget::EnablePip(bool enable) {
    emit sigEnablePip(enable);
}
void VideoWidget::CheckPip(bool check) {
    emit sigCheckPip(check);
}
void VideoWidget::EnableHideMode(bool enable) {
    emit enableHideMode(enable);
}
void VideoWidget::CheckHideMode(bool on) {
    emit sigCheckHideMode(on);
}
void VideoWidget::EnableSensor(bool supported) {
    emit sensorSupportChanged(supported);
}
void VideoWidget::EnableAudioMode(bool enable, bool enable1) {
    emit sigEnableAudioMode(enable, enable1);
}
void VideoWidget::AcousticBaffle(const QStringList& names) {
    emit sigAcousticBaffle(names);
}
void VideoWidget::SetAudioMode(int on, int on1, int id) {
    emit sigSetAudioMode(on, on1, id);
}
void VideoWidget::EnableNonStitching(bool enable) {
    emit sigEnableNonStitching(enable);
}
void VideoWidget::CheckNonStitching(bool check) {
    emit sigCheckNonStitching(check);
}

void VideoWidget::ShowMessage(const QString& text) {
    qCWarning(lcVideo) << "shown to the user:" << text;
    emit sigShowMessage(text);
}

void VideoWidget::ShowRefusal(CameraRefusal refusal, const QString& path, int error) {
    ShowMessage(refusalText(refusal, path, error));
}

QString VideoWidget::refusalText(CameraRefusal refusal, const QString& path, int error) {
    switch (refusal) {
        case CameraRefusal::OpenFailed:
            return tr("打开设备失败");
        case CameraRefusal::StreamModeRefused:
            return tr("设置码流失败");
        case CameraRefusal::MediaTypeRefused:
            return tr("设置视频格式失败");
        case CameraRefusal::ResolutionRefused:
            return tr("设置分辨率失败");
        case CameraRefusal::FrameRateRefused:
            return tr("设置帧率失败");
        case CameraRefusal::PreviewFailed:
            return tr("open failed");
        case CameraRefusal::StillNotJpeg:
            return tr("静态拍照失败：相机送来的照片不是JPEG格式，无法保存");
        case CameraRefusal::StillNotSaved:
            return tr("静态拍照失败：无法保存文件 %1（%2）").arg(path, saveErrorText(error));
    }
    return QString();
}

void VideoWidget::SetVideoInfo(int stream, const QString& text) {
    emit sigVideoInfo(stream, text);
}
void VideoWidget::PuCtPropertyList(const QStringList& names) {
    emit sigPuCtPropertyList(names);
}

void VideoWidget::InitSlider(bool enable, int min, int max, int step, int value, bool autoSupported,
                             bool autoMode) {
    emit sigInitSlider(enable, min, max, step, value, autoSupported, autoMode);
}

void VideoWidget::SetSliderPos(int value) {
    emit sigSetSliderPos(value);
}

void VideoWidget::GetPreviewObject(int stream, quintptr& handle, int& width, int& height) {
    handle = 0;
    width = 0;
    height = 0;
    if (stream != m_nStream) {
        return;
    }
    handle = m_nativeHandle;
    width = m_physicalWidth;
    height = m_physicalHeight;
}

void VideoWidget::SetAudioList(const QStringList& names, int defaultIndex) {
    emit sigAudioList(names, defaultIndex);
}
void VideoWidget::SetProgressVolume(int level) {
    emit sigSetProgressVolume(level);
}
void VideoWidget::EnableFrequency(bool enable) {
    emit sigEnableFrequency(enable);
}
void VideoWidget::SetFrequency(int index) {
    emit sigSetFrequency(index);
}

void VideoWidget::SetCameraState(int state) {
    if (state == 2) {
        emit sigCameraState(2);
        startPreviewAsync();
    } else {
        emit sigCameraState(0);
    }
}

void VideoWidget::UpdateCameraList(const QStringList& names, bool lost) {
    int known = 0;
    {
        std::unique_lock<std::mutex> lock(m_namesMutex);
        known = m_cameraNames.size();
    }
    // A start that found no camera is also restarted, so that a camera plugged in later appears.
    const bool restartRequested = lost || known < 2 || !m_bHasCamera;
    if (restartRequested) {
        m_bRestartRequested = true;
    }
    qCDebug(lcVideo) << "camera list changed:" << names << "open camera lost:" << lost;
    emit sigUpdateCameraList(names, restartRequested);
}

void VideoWidget::PhotoFinished(const QString& path, int error) {
    emit sigPhotoResult(error == 0, path, error == 0 ? QString() : saveErrorText(error));
}

void VideoWidget::RecordingFailed(const QString& path, int error, qint64 keptMs) {
    emit sigRecordFailed(path, saveErrorText(error), keptMs);
}

QString VideoWidget::saveErrorText(int error) {
    switch (error) {
        case 0:
            return tr("无法写入文件");
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return tr("磁盘空间不足");
        case EACCES:
        case EPERM:
        case EROFS:
            return tr("文件夹不可写");
        case ENOENT:
        case ENOTDIR:
            return tr("文件夹不存在");
        case kPhotoNotEncoded:
        case kPhotoNoFrame:
            return tr("画面无法保存为照片");
        default:
            return error > 0 ? QString::fromLocal8Bit(std::strerror(error)) : tr("无法写入文件");
    }
}
