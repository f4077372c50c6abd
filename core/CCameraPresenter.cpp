#include "CCameraPresenter.h"

#include <QDesktopServices>
#include <QUrl>
#include <chrono>
#include <cstring>

#include "CCameraModel.h"
#include "CoreLog.h"
#include "ICameraView.h"

std::atomic<CCameraPresenter*> CCameraPresenter::s_pPresenter{nullptr};

namespace {

// Index of the first entry containing `text` (a substring test), 0 when none does.
int firstContaining(const QStringList& list, const QString& text) {
    for (int i = 0; i < list.size(); ++i) {
        if (list.at(i).contains(text)) {
            return i;
        }
    }
    return 0;
}

qint64 steadyClockMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

CCameraPresenter::CCameraPresenter(ICameraView* mainView)
    : m_pModel(new CCameraModel), m_pMainView(mainView) {
    ResetVideoInfoPace();
    s_pPresenter.store(this);
}

CCameraPresenter::~CCameraPresenter() {
    // Uninit joins the library threads, so no callback reaches this presenter afterwards.
    m_pModel->Uninit();
    CCameraPresenter* self = this;
    s_pPresenter.compare_exchange_strong(self, nullptr);
    delete m_pModel;
    m_pModel = nullptr;
}

bool CCameraPresenter::Init() {
    const bool ok = m_pModel->Init();
    if (!ok) {
        qCWarning(lcCamera) << "the camera libraries did not start";
        return false;
    }
    m_pModel->SetDeviceChangedCallback(&CCameraPresenter::OnDeviceChanged);
    const QStringList names = m_pModel->GetCameraList();
    m_nCameraCount = names.size();
    if (m_pMainView) {
        m_pMainView->SetCameraList(names);
    }
    m_bHasCameras = m_nCameraCount > 0;
    if (m_pMainView) {
        m_pMainView->SetAudioList(m_pModel->GetAudioInputList(), 0);
    }
    m_pModel->SetStillCallback(&CCameraPresenter::OnStillResult);
    m_pModel->SetPhotoCallback(&CCameraPresenter::OnPhotoResult);
    m_pModel->SetRecordFailedCallback(&CCameraPresenter::OnRecordFailed);
    return true;
}

bool CCameraPresenter::Refused(bool ok, CameraRefusal refusal) {
    if (!ok && m_pMainView) {
        m_pMainView->ShowRefusal(refusal, QString(), 0);
    }
    return !ok;
}

void CCameraPresenter::Uninit() {
    m_pModel->Uninit();
}

// ---- Stream formats ----------------------------------------------------------------------

void CCameraPresenter::SetStreamMode(int maxStreamIndex) {
    if (Refused(m_pModel->SetMaxStreamIndex(maxStreamIndex), CameraRefusal::StreamModeRefused)) {
        return;
    }
    for (int s = 0; s <= maxStreamIndex; ++s) {
        const QStringList list = m_pModel->GetMediaTypeList(s);
        const int def = maxStreamIndex == 0 ? 0 : firstContaining(list, QStringLiteral("H264"));
        if (m_pMainView) {
            m_pMainView->MediaTypeListReady(s, list, def);
        }
    }
}

void CCameraPresenter::SetMediaType(int stream, int index) {
    if (Refused(m_pModel->SetMediaTypeIndex(stream, index), CameraRefusal::MediaTypeRefused)) {
        return;
    }
    const QStringList list = m_pModel->GetResolutionList(stream);
    int def = 0;
    if (m_pModel->GetMaxStreamIndex() > 0) {
        if (stream == 0) {
            def = firstContaining(list, QStringLiteral("1920 x 1080"));
        } else if (stream == 1) {
            def = firstContaining(list, QStringLiteral("640 x 360"));
        }
    }
    if (m_pMainView) {
        m_pMainView->ResolutionListReady(stream, list, def);
    }
}

void CCameraPresenter::SetResolution(int stream, int index) {
    if (Refused(m_pModel->SetResolutionIndex(stream, index), CameraRefusal::ResolutionRefused)) {
        return;
    }
    const QStringList list = m_pModel->GetFpsList(stream);
    int def = 0;
    if (m_pModel->GetMaxStreamIndex() > 0) {
        static const char* const kPreferred[] = {"25", "15", "10"};
        if (stream >= 0 && stream < 3) {
            def = firstContaining(list, QString::fromLatin1(kPreferred[stream]));
        }
    }
    if (m_pMainView) {
        m_pMainView->FPSListReady(stream, list, def);
    }
}

void CCameraPresenter::SetFps(int stream, int index) {
    Refused(m_pModel->SetFpsIndex(stream, index), CameraRefusal::FrameRateRefused);
}

bool CCameraPresenter::SetBps(int stream, int kilobytesPerSecond) {
    return m_pModel->SetBps(stream, kilobytesPerSecond);
}

bool CCameraPresenter::SetGop(int stream, int frames) {
    return m_pModel->SetGop(stream, frames);
}

void CCameraPresenter::SetStillMediaType(int index) {
    if (Refused(m_pModel->SetStillMediaTypeIndex(index), CameraRefusal::MediaTypeRefused)) {
        return;
    }
    if (m_pMainView) {
        m_pMainView->StillResolutionListReady(m_pModel->GetStillResolutionList(), 0);
    }
}

void CCameraPresenter::SetStillResolution(int index) {
    if (Refused(m_pModel->SetStillResolutionIndex(index), CameraRefusal::ResolutionRefused)) {
        return;
    }
    if (m_pMainView) {
        m_pMainView->StillFPSListReady(m_pModel->GetStillFpsList(), 0);
    }
}

void CCameraPresenter::SetStillFps(int index) {
    Refused(m_pModel->SetStillFpsIndex(index), CameraRefusal::FrameRateRefused);
}

// ---- Preview -----------------------------------------------------------------------------

void CCameraPresenter::RegisterView(int stream, ICameraView* view) {
    // A replaced view keeps the entry's window record: a renderer may still hold its address.
    ViewEntry& entry = m_views[stream];
    entry.stream = stream;
    entry.view = view;
}

void CCameraPresenter::UpdatePreviewSize(int stream, int width, int height) {
    auto it = m_views.find(stream);
    if (it == m_views.end() || !it->second.window) {
        return;
    }
    it->second.window->width = width;
    it->second.window->height = height;
}

bool CCameraPresenter::StartPreview() {
    if (m_pModel->IsPreview()) {
        // The running renderers hold the window records that are refilled below.
        StopPreview();
    }
    QList<PreviewWindowRecord*> windows;
    for (auto& item : m_views) {
        ViewEntry& entry = item.second;
        if (!entry.view) {
            continue;
        }
        quintptr handle = 0;
        int width = 0;
        int height = 0;
        entry.view->GetPreviewObject(entry.stream, handle, width, height);
        if (handle == 0) {
            continue;
        }
        if (!entry.window) {
            entry.window = std::make_unique<PreviewWindowRecord>();
        }
        entry.window->width = width;
        entry.window->height = height;
        entry.window->handle = handle;
        windows.append(entry.window.get());
    }
    // No frame flows now: the new preview's first figures are reported at once.
    ResetVideoInfoPace();
    m_pModel->SetVideoInfoCallback(&CCameraPresenter::OnVideoInfo);
    if (Refused(m_pModel->StartPreview(windows), CameraRefusal::PreviewFailed)) {
        return false;
    }
    const int last = m_pModel->GetMaxStreamIndex();
    for (int stream = 0; stream <= last; ++stream) {
        if (m_pModel->IsSupportFps(stream) && m_pMainView) {
            m_pMainView->EnableFps(stream, true);
        }
    }
    return true;
}

void CCameraPresenter::StopPreview() {
    StopRecord();
    m_pModel->StopPreview();
}

void CCameraPresenter::SetCameraState(int state) {
    if (state == m_nCameraState) {
        return;
    }
    m_nCameraState = state;
    if (m_pMainView) {
        m_pMainView->SetCameraState(state);
    }
}

// ---- Files, recording and microphone -----------------------------------------------------

void CCameraPresenter::SetRecordKeepAudio(bool keep) {
    m_pModel->SetRecordKeepAudio(keep);
}

bool CCameraPresenter::StartRecord(const QString& path) {
    m_pModel->SetVolumeCallback(&CCameraPresenter::OnVolume);
    return m_pModel->StartRecord(path);
}

void CCameraPresenter::StopRecord() {
    m_pModel->StopRecord();
    if (m_pMainView) {
        m_pMainView->SetProgressVolume(0);
    }
}

bool CCameraPresenter::CaptureStillImage() {
    return m_pModel->CaptureStillImage();
}

void CCameraPresenter::CapturePreviewFrame(const QByteArray& path, const PhotoStamp& stamp) {
    m_pModel->CapturePreviewFrame(path, stamp);
}

void CCameraPresenter::OpenOutputFolder() {
    m_pModel->OpenOutputFolder();
}

bool CCameraPresenter::SetCurAudioInput(int index) {
    return m_pModel->SetCurAudioInput(index);
}

bool CCameraPresenter::StartAudioTest() {
    m_pModel->SetVolumeCallback(&CCameraPresenter::OnVolume);
    return m_pModel->StartAudioTest();
}

void CCameraPresenter::StopAudioTest() {
    m_pModel->StopAudioTest();
    if (m_pMainView) {
        m_pMainView->SetProgressVolume(0);
    }
}

void CCameraPresenter::PlayTestSound() {
    m_pModel->PlayTestSound();
}

// ---- Library callbacks -------------------------------------------------------------------

void CCameraPresenter::Queue(std::function<void()> task) {
    if (m_taskQueue) {
        m_taskQueue(std::move(task));
    } else {
        task();
    }
}

void CCameraPresenter::OnDeviceChanged(int, int) {
    if (CCameraPresenter* p = s_pPresenter.load()) {
        p->Queue([p] { p->ReportDeviceChange(); });
    }
}

void CCameraPresenter::ReportDeviceChange() {
    const bool lost = m_pModel->RefreshOpenCamera();
    const QStringList names = m_pModel->GetCameraList();
    if (m_pMainView) {
        m_pMainView->UpdateCameraList(names, lost);
    }
}

void CCameraPresenter::OnRecordFailed() {
    if (CCameraPresenter* p = s_pPresenter.load()) {
        p->Queue([p] { p->ReportRecordFailure(); });
    }
}

void CCameraPresenter::ReportRecordFailure() {
    const CCameraModel::RecordFailure failure = m_pModel->TakeRecordFailure();
    if (!failure.failed) {
        return;  // stopped meanwhile
    }
    if (m_pMainView) {
        m_pMainView->SetProgressVolume(0);
        m_pMainView->RecordingFailed(failure.path, failure.error, failure.keptMs);
    }
}

void CCameraPresenter::OnPhotoResult(const QString& path, int error) {
    CCameraPresenter* p = s_pPresenter.load();
    if (p && p->m_pMainView) {
        p->m_pMainView->PhotoFinished(path, error);
    }
}

void CCameraPresenter::OnStillResult(int result, const QString& path, int error) {
    CCameraPresenter* p = s_pPresenter.load();
    if (!p) {
        return;
    }
    if (result == 0) {
        // Shown in the desktop's viewer; not from the photo writer's thread.
        p->Queue([path] {
            if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
                qCWarning(lcCamera) << "cannot open the still photo:" << path;
            }
        });
    } else if (result == 1) {
        if (p->m_pMainView) {
            p->m_pMainView->ShowRefusal(CameraRefusal::StillNotJpeg, QString(), 0);
        }
    } else if (p->m_pMainView) {
        p->m_pMainView->ShowRefusal(CameraRefusal::StillNotSaved, path, error);
    }
}

void CCameraPresenter::OnVideoInfo(int, int stream, const char* mediaTypeName, int width, int height,
                                   double fps, double kilobytesPerSecond) {
    CCameraPresenter* p = s_pPresenter.load();
    if (!p || !p->m_pMainView || !p->VideoInfoDue(stream)) {
        return;
    }
    const QString fpsText = QString::number(fps, 'f', 0);
    const QString rateText = QString::number(kilobytesPerSecond, 'f', 0);
    const QString text =
        QStringLiteral("%1.%2.%3x%4.%5.%6KB/S.%7.%8KB/S")
            .arg(QString::number(stream), QString::fromLatin1(mediaTypeName), QString::number(width),
                 QString::number(height), fpsText, rateText, fpsText, rateText);
    p->m_pMainView->SetVideoInfo(stream, text);
}

void CCameraPresenter::ResetVideoInfoPace() {
    for (std::atomic<qint64>& last : m_lastInfoMs) {
        last.store(kNever, std::memory_order_relaxed);
    }
}

bool CCameraPresenter::VideoInfoDue(int stream) {
    if (stream < 0 || stream >= kPacedStreams) {
        return true;
    }
    const Clock clock = m_infoClock.load(std::memory_order_relaxed);
    const qint64 now = clock ? clock() : steadyClockMs();
    std::atomic<qint64>& last = m_lastInfoMs[stream];
    qint64 previous = last.load(std::memory_order_relaxed);
    if (previous != kNever && now - previous < kVideoInfoIntervalMs) {
        return false;
    }
    // Of two frames racing for the same turn, one reports.
    return last.compare_exchange_strong(previous, now, std::memory_order_relaxed);
}

void CCameraPresenter::OnVolume(int level) {
    CCameraPresenter* p = s_pPresenter.load();
    if (p && p->m_pMainView) {
        p->m_pMainView->SetProgressVolume(level);
    }
}
