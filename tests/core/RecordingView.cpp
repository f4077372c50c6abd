#include "RecordingView.h"

#include <QElapsedTimer>
#include <QThread>

#include "ICameraPresenter.h"

namespace {

QString text(bool v) {
    return v ? QStringLiteral("true") : QStringLiteral("false");
}
QString text(int v) {
    return QString::number(v);
}
QString text(qint64 v) {
    return QString::number(v);
}
QString text(const QString& v) {
    return v;
}
QString text(const QStringList& items) {
    return QLatin1Char('[') + items.join(QLatin1Char('|')) + QLatin1Char(']');
}

QStringList values(const int* v, int count) {
    QStringList items;
    for (int i = 0; v && i < count; ++i) {
        items.append(QString::number(v[i]));
    }
    return items;
}

}  // namespace

template <typename... Args>
void RecordingView::log(const char* name, const Args&... args) {
    const QString report = QLatin1String(name) + QLatin1Char('(') +
                           QStringList{text(args)...}.join(QLatin1Char(',')) + QLatin1Char(')');
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

#define RECORDING_VIEW_DEFINE(name, type)  \
    void RecordingView::name(type value) { \
        log(#name, value);                 \
    }
RECORDING_VIEW_SIMPLE_REPORTS(RECORDING_VIEW_DEFINE)
#undef RECORDING_VIEW_DEFINE

bool RecordingView::SetCameraList(const QStringList& names) {
    log("SetCameraList", names);
    if (names.isEmpty()) {
        return false;
    }
    if (openOnCameraList && presenter) {
        presenter->OpenCamera(openName.isEmpty() ? openIndex : names.indexOf(openName));
    }
    return true;
}

void RecordingView::SetStreamCount(int count) {
    log("SetStreamCount", count);
    if (chooseStreamMode && presenter) {
        presenter->SetStreamMode(count == 2 ? 1 : (count == 3 ? 2 : 0));
    }
}

void RecordingView::MediaTypeListReady(int s, const QStringList& l, int d) {
    log("MediaTypeListReady", s, l, d);
}
void RecordingView::ResolutionListReady(int s, const QStringList& l, int d) {
    log("ResolutionListReady", s, l, d);
}
void RecordingView::FPSListReady(int s, const QStringList& l, int d) {
    log("FPSListReady", s, l, d);
}
void RecordingView::StillMediaTypeListReady(const QStringList& l, int d) {
    log("StillMediaTypeListReady", l, d);
}
void RecordingView::StillResolutionListReady(const QStringList& l, int d) {
    log("StillResolutionListReady", l, d);
}
void RecordingView::StillFPSListReady(const QStringList& l, int d) {
    log("StillFPSListReady", l, d);
}
void RecordingView::EnableFps(int s, bool e) {
    log("EnableFps", s, e);
}
void RecordingView::EnableBps(int s, bool e) {
    log("EnableBps", s, e);
}
void RecordingView::EnableGop(int s, bool e) {
    log("EnableGop", s, e);
}
void RecordingView::EnableHandGesture(const int* v, int n) {
    log("EnableHandGesture", values(v, n), n);
}
void RecordingView::EnableCanvas(const int* v, int n) {
    log("EnableCanvas", values(v, n), n);
}
void RecordingView::EnableSub1Ai(const int* v, int n) {
    log("EnableSub1Ai", values(v, n), n);
}
void RecordingView::EnableMosaic(const int* v, int n) {
    log("EnableMosaic", values(v, n), n);
}
void RecordingView::EnableAudioMode(bool e, bool e1) {
    log("EnableAudioMode", e, e1);
}
void RecordingView::SetAudioMode(int on, int on1, int id) {
    log("SetAudioMode", on, on1, id);
}
void RecordingView::SetVideoInfo(int s, const QString& t) {
    log("SetVideoInfo", s, t);
}
void RecordingView::InitSlider(bool e, int min, int max, int step, int value, bool as, bool am) {
    log("InitSlider", e, min, max, step, value, as, am);
}
void RecordingView::GetPreviewObject(int stream, quintptr& handle, int& width, int& height) {
    log("GetPreviewObject", stream);
    const bool own = stream == m_stream;
    handle = own ? windowHandle : 0;
    width = own ? windowWidth : 0;
    height = own ? windowHeight : 0;
}
void RecordingView::SetAudioList(const QStringList& n, int d) {
    log("SetAudioList", n, d);
}
void RecordingView::UpdateCameraList(const QStringList& n, bool lost) {
    log("UpdateCameraList", n, lost);
}
void RecordingView::PhotoFinished(const QString& path, int error) {
    log("PhotoFinished", path, error);
}
void RecordingView::RecordingFailed(const QString& path, int error, qint64 keptMs) {
    log("RecordingFailed", path, error, keptMs);
}
void RecordingView::ShowRefusal(CameraRefusal refusal, const QString& path, int error) {
    static const char* const kNames[] = {"OpenFailed",        "StreamModeRefused", "MediaTypeRefused",
                                         "ResolutionRefused", "FrameRateRefused",  "PreviewFailed",
                                         "StillNotJpeg",      "StillNotSaved"};
    log("ShowRefusal", QString::fromLatin1(kNames[int(refusal)]), path, error);
}
