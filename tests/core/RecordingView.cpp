#include "RecordingView.h"

#include <QElapsedTimer>
#include <QThread>

#include "ICameraPresenter.h"

QStringList RecordingView::values(const int* v, int count) {
    QStringList items;
    for (int i = 0; v && i < count; ++i) {
        items.append(QString::number(v[i]));
    }
    return items;
}

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

void RecordingView::GetPreviewObject(int stream, quintptr& handle, int& width, int& height) {
    log("GetPreviewObject", stream);
    const bool own = stream == m_stream;
    handle = own ? windowHandle : 0;
    width = own ? windowWidth : 0;
    height = own ? windowHeight : 0;
}
void RecordingView::ShowRefusal(CameraRefusal refusal, const QString& path, int error) {
    static const char* const kNames[] = {"OpenFailed",        "StreamModeRefused", "MediaTypeRefused",
                                         "ResolutionRefused", "FrameRateRefused",  "PreviewFailed",
                                         "StillNotJpeg",      "StillNotSaved"};
    log("ShowRefusal", QString::fromLatin1(kNames[int(refusal)]), path, error);
}
