#include "RecordingView.h"

#include <QElapsedTimer>
#include <QThread>

#include "ICameraPresenter.h"

namespace {

QString list(const QStringList& items) {
    return QLatin1Char('[') + items.join(QLatin1Char('|')) + QLatin1Char(']');
}

QString values(const int* v, int count) {
    QStringList items;
    for (int i = 0; v && i < count; ++i) {
        items.append(QString::number(v[i]));
    }
    return list(items);
}

QString b(bool v) {
    return v ? QStringLiteral("true") : QStringLiteral("false");
}

}  // namespace

void RecordingView::log(const QString& report) {
    QMutexLocker lock(&m_mutex);
    m_reports.append(report);
}

QStringList RecordingView::reports() const {
    QMutexLocker lock(&m_mutex);
    return m_reports;
}

QStringList RecordingView::take() {
    QMutexLocker lock(&m_mutex);
    QStringList out;
    out.swap(m_reports);
    return out;
}

void RecordingView::clear() {
    QMutexLocker lock(&m_mutex);
    m_reports.clear();
}

QStringList RecordingView::matching(const QString& prefix) const {
    QStringList out;
    for (const QString& r : reports()) {
        if (r.startsWith(prefix)) {
            out.append(r);
        }
    }
    return out;
}

QString RecordingView::last(const QString& prefix) const {
    const QStringList m = matching(prefix);
    return m.isEmpty() ? QString() : m.last();
}

bool RecordingView::waitFor(const QString& prefix, int timeoutMs) const {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (!matching(prefix).isEmpty()) {
            return true;
        }
        QThread::msleep(10);
    }
    return !matching(prefix).isEmpty();
}

bool RecordingView::SetCameraList(const QStringList& names) {
    log(QStringLiteral("SetCameraList(%1)").arg(list(names)));
    if (names.isEmpty()) {
        return false;
    }
    if (openOnCameraList && presenter) {
        presenter->OpenCamera(openName.isEmpty() ? openIndex : names.indexOf(openName));
    }
    return true;
}

void RecordingView::SetStreamCount(int count) {
    log(QStringLiteral("SetStreamCount(%1)").arg(count));
    if (chooseStreamMode && presenter) {
        presenter->SetStreamMode(count == 2 ? 1 : (count == 3 ? 2 : 0));
    }
}

void RecordingView::MediaTypeListReady(int stream, const QStringList& l, int d) {
    log(QStringLiteral("MediaTypeListReady(%1,%2,%3)").arg(stream).arg(list(l)).arg(d));
}
void RecordingView::ResolutionListReady(int stream, const QStringList& l, int d) {
    log(QStringLiteral("ResolutionListReady(%1,%2,%3)").arg(stream).arg(list(l)).arg(d));
}
void RecordingView::FPSListReady(int stream, const QStringList& l, int d) {
    log(QStringLiteral("FPSListReady(%1,%2,%3)").arg(stream).arg(list(l)).arg(d));
}
void RecordingView::EnableStillCapture(bool s) {
    log(QStringLiteral("EnableStillCapture(%1)").arg(b(s)));
}
void RecordingView::StillMediaTypeListReady(const QStringList& l, int d) {
    log(QStringLiteral("StillMediaTypeListReady(%1,%2)").arg(list(l)).arg(d));
}
void RecordingView::StillResolutionListReady(const QStringList& l, int d) {
    log(QStringLiteral("StillResolutionListReady(%1,%2)").arg(list(l)).arg(d));
}
void RecordingView::StillFPSListReady(const QStringList& l, int d) {
    log(QStringLiteral("StillFPSListReady(%1,%2)").arg(list(l)).arg(d));
}
void RecordingView::SetDeviceMID(const QString& t) {
    log(QStringLiteral("SetDeviceMID(%1)").arg(t));
}
void RecordingView::SetDeviceFWVersion(const QString& t) {
    log(QStringLiteral("SetDeviceFWVersion(%1)").arg(t));
}
void RecordingView::SetDeviceSDKVersion(const QString& t) {
    log(QStringLiteral("SetDeviceSDKVersion(%1)").arg(t));
}
void RecordingView::SetDeviceName(const QString& t) {
    log(QStringLiteral("SetDeviceName(%1)").arg(t));
}
void RecordingView::SetDevicePIDVID(const QString& t) {
    log(QStringLiteral("SetDevicePIDVID(%1)").arg(t));
}
void RecordingView::SetSensorList(const QStringList& n) {
    log(QStringLiteral("SetSensorList(%1)").arg(list(n)));
}
void RecordingView::SetCurrentSensor(int i) {
    log(QStringLiteral("SetCurrentSensor(%1)").arg(i));
}
void RecordingView::EnableFlip(bool e) {
    log(QStringLiteral("EnableFlip(%1)").arg(b(e)));
}
void RecordingView::SetFlip(bool c) {
    log(QStringLiteral("SetFlip(%1)").arg(b(c)));
}
void RecordingView::EnableMirror(bool e) {
    log(QStringLiteral("EnableMirror(%1)").arg(b(e)));
}
void RecordingView::SetMirror(bool c) {
    log(QStringLiteral("SetMirror(%1)").arg(b(c)));
}
void RecordingView::EnableFps(int s, bool e) {
    log(QStringLiteral("EnableFps(%1,%2)").arg(s).arg(b(e)));
}
void RecordingView::EnableBps(int s, bool e) {
    log(QStringLiteral("EnableBps(%1,%2)").arg(s).arg(b(e)));
}
void RecordingView::EnableGop(int s, bool e) {
    log(QStringLiteral("EnableGop(%1,%2)").arg(s).arg(b(e)));
}
void RecordingView::EnableFaceTracking(bool e) {
    log(QStringLiteral("EnableFaceTracking(%1)").arg(b(e)));
}
void RecordingView::CheckFaceTracking(bool c) {
    log(QStringLiteral("CheckFaceTracking(%1)").arg(b(c)));
}
void RecordingView::EnableSoundTracking(bool e) {
    log(QStringLiteral("EnableSoundTracking(%1)").arg(b(e)));
}
void RecordingView::CheckSoundTracking(bool c) {
    log(QStringLiteral("CheckSoundTracking(%1)").arg(b(c)));
}
void RecordingView::EnableHandGesture(const int* v, int n) {
    log(QStringLiteral("EnableHandGesture(%1,%2)").arg(values(v, n)).arg(n));
}
void RecordingView::CheckHandGesture(int v) {
    log(QStringLiteral("CheckHandGesture(%1)").arg(v));
}
void RecordingView::EnableCanvas(const int* v, int n) {
    log(QStringLiteral("EnableCanvas(%1,%2)").arg(values(v, n)).arg(n));
}
void RecordingView::CheckCanvas(int v) {
    log(QStringLiteral("CheckCanvas(%1)").arg(v));
}
void RecordingView::EnableSub1Ai(const int* v, int n) {
    log(QStringLiteral("EnableSub1Ai(%1,%2)").arg(values(v, n)).arg(n));
}
void RecordingView::CheckSub1Ai(int v) {
    log(QStringLiteral("CheckSub1Ai(%1)").arg(v));
}
void RecordingView::EnableMosaic(const int* v, int n) {
    log(QStringLiteral("EnableMosaic(%1,%2)").arg(values(v, n)).arg(n));
}
void RecordingView::CheckMosaic(int v) {
    log(QStringLiteral("CheckMosaic(%1)").arg(v));
}
void RecordingView::EnableDeviceInfo(bool s) {
    log(QStringLiteral("EnableDeviceInfo(%1)").arg(b(s)));
}
void RecordingView::SetAutoFocusMode(int m) {
    log(QStringLiteral("SetAutoFocusMode(%1)").arg(m));
}
void RecordingView::CheckAutoFocus(int on) {
    log(QStringLiteral("CheckAutoFocus(%1)").arg(on));
}
void RecordingView::EnablePip(bool e) {
    log(QStringLiteral("EnablePip(%1)").arg(b(e)));
}
void RecordingView::CheckPip(bool c) {
    log(QStringLiteral("CheckPip(%1)").arg(b(c)));
}
void RecordingView::EnableHideMode(bool e) {
    log(QStringLiteral("EnableHideMode(%1)").arg(b(e)));
}
void RecordingView::CheckHideMode(bool on) {
    log(QStringLiteral("CheckHideMode(%1)").arg(b(on)));
}
void RecordingView::EnableDoaTest(bool e) {
    log(QStringLiteral("EnableDoaTest(%1)").arg(b(e)));
}
void RecordingView::CheckDoaTest(bool c) {
    log(QStringLiteral("CheckDoaTest(%1)").arg(b(c)));
}
void RecordingView::EnableSensor(bool s) {
    log(QStringLiteral("EnableSensor(%1)").arg(b(s)));
}
void RecordingView::EnableAudioMode(bool e, bool e1) {
    log(QStringLiteral("EnableAudioMode(%1,%2)").arg(b(e), b(e1)));
}
void RecordingView::AcousticBaffle(const QStringList& n) {
    log(QStringLiteral("AcousticBaffle(%1)").arg(list(n)));
}
void RecordingView::SetAudioMode(int on, int on1, int id) {
    log(QStringLiteral("SetAudioMode(%1,%2,%3)").arg(on).arg(on1).arg(id));
}
void RecordingView::EnableNonStitching(bool e) {
    log(QStringLiteral("EnableNonStitching(%1)").arg(b(e)));
}
void RecordingView::CheckNonStitching(bool c) {
    log(QStringLiteral("CheckNonStitching(%1)").arg(b(c)));
}
void RecordingView::ShowMessage(const QString& t) {
    log(QStringLiteral("ShowMessage(%1)").arg(t));
}
void RecordingView::SetVideoInfo(int s, const QString& t) {
    log(QStringLiteral("SetVideoInfo(%1,%2)").arg(s).arg(t));
}
void RecordingView::PuCtPropertyList(const QStringList& n) {
    log(QStringLiteral("PuCtPropertyList(%1)").arg(list(n)));
}
void RecordingView::InitSlider(bool e, int min, int max, int step, int value, bool as, bool am) {
    log(QStringLiteral("InitSlider(%1,%2,%3,%4,%5,%6,%7)")
            .arg(b(e))
            .arg(min)
            .arg(max)
            .arg(step)
            .arg(value)
            .arg(b(as), b(am)));
}
void RecordingView::SetSliderPos(int v) {
    log(QStringLiteral("SetSliderPos(%1)").arg(v));
}
void RecordingView::GetPreviewObject(int stream, quintptr& handle, int& width, int& height) {
    log(QStringLiteral("GetPreviewObject(%1)").arg(stream));
    handle = 0;
    width = height = 0;
    if (stream != m_stream) {
        return;
    }
    handle = windowHandle;
    width = windowWidth;
    height = windowHeight;
}
void RecordingView::SetAudioList(const QStringList& n, int d) {
    log(QStringLiteral("SetAudioList(%1,%2)").arg(list(n)).arg(d));
}
void RecordingView::SetProgressVolume(int l) {
    log(QStringLiteral("SetProgressVolume(%1)").arg(l));
}
void RecordingView::EnableFrequency(bool e) {
    log(QStringLiteral("EnableFrequency(%1)").arg(b(e)));
}
void RecordingView::SetFrequency(int i) {
    log(QStringLiteral("SetFrequency(%1)").arg(i));
}
void RecordingView::SetCameraState(int s) {
    log(QStringLiteral("SetCameraState(%1)").arg(s));
}
void RecordingView::UpdateCameraList(const QStringList& n, bool lost) {
    log(QStringLiteral("UpdateCameraList(%1,%2)").arg(list(n), b(lost)));
}
void RecordingView::PhotoFinished(const QString& path, int error) {
    log(QStringLiteral("PhotoFinished(%1,%2)").arg(path).arg(error));
}
void RecordingView::RecordingFailed(const QString& path, int error, qint64 keptMs) {
    log(QStringLiteral("RecordingFailed(%1,%2,%3)").arg(path).arg(error).arg(keptMs));
}
void RecordingView::ShowRefusal(CameraRefusal refusal, const QString& path, int error) {
    static const char* const kNames[] = {"OpenFailed",        "StreamModeRefused", "MediaTypeRefused",
                                         "ResolutionRefused", "FrameRateRefused",  "PreviewFailed",
                                         "StillNotJpeg",      "StillNotSaved"};
    log(QStringLiteral("ShowRefusal(%1,%2,%3)").arg(QLatin1String(kNames[int(refusal)]), path).arg(error));
}
