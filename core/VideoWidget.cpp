#include "VideoWidget.h"

#include <QPainter>
#include <QStyleOption>
#include <QtMath>

#include "CCameraPresenter.h"
#include "CameraControl.h"
#include "CoreLog.h"

namespace {
// The camera-control thread of the process: created by the first video widget, ended by the
// first one destroyed. Written on the GUI thread only.
std::atomic<CameraControl*> g_control{nullptr};
}  // namespace

VideoWidget::VideoWidget(int stream, QWidget* parent) : QWidget(parent), m_nStream(stream) {
    setObjectName("VideoWidget");
    resize(400, 300);
    setWindowTitle("Form");
    setStyleSheet("background:black;");
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);

    showFullScreen();
    setAttribute(Qt::WA_NativeWindow, true);
    setAttribute(Qt::WA_DontCreateNativeAncestors, true);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    // The renderer is set up on the control thread: create the native window here, in the GUI thread.
    m_nativeHandle = quintptr(winId());

    if (!g_control.load()) {
        g_control.store(new CameraControl(this));
    }
    request([this](CCameraPresenter* p) { p->RegisterView(m_nStream, this); });
    updatePhysicalSize();
}

VideoWidget::~VideoWidget() {
    // Queued requests may still name this widget: let them run first.
    waitForStart();
    delete g_control.exchange(nullptr);
}

CameraControl* VideoWidget::control() {
    return g_control.load();
}

CCameraPresenter* VideoWidget::presenter() {
    CameraControl* c = g_control.load();
    return c ? c->presenter() : nullptr;
}

void VideoWidget::request(std::function<void(CCameraPresenter*)> fn) {
    CameraControl* c = g_control.load();
    if (!c) {
        return;
    }
    c->call([c, fn = std::move(fn)] {
        if (CCameraPresenter* p = c->presenter()) {
            fn(p);
        }
    });
}

QStringList VideoWidget::knownCameras() const {
    std::unique_lock<std::mutex> lock(m_namesMutex);
    return m_cameraNames;
}

// ---------------------------------------------------------------------------------------------
// Starting and stopping

void VideoWidget::startPreviewAsync() {
    CameraControl* c = g_control.load();
    if (!c) {
        return;
    }
    // Always queued, also from a report on the control thread: a start never runs inside another
    // presenter call.
    c->post([this] {
        startPreview();
        m_bReady = true;
        emit sigVideoReady();
    });
}

void VideoWidget::waitForStart() {
    if (CameraControl* c = g_control.load()) {
        c->waitIdle();
    }
}

void VideoWidget::startPreview() {
    CCameraPresenter* p = presenter();
    if (!p) {
        return;
    }
    const bool restartRequested = m_bRestartRequested.exchange(false);
    if (!m_bStarted || restartRequested) {
        m_bStarted = false;
        p->Uninit();
        if (p->Init()) {
            m_bStarted = true;
        }
        p->SetRecordKeepAudio(m_bRecordKeepAudio);
        p->SetCurAudioInput(m_nAudioInput);
        // Without a camera there is no stream to set (and no refusal to show for it).
        if (m_bHasCamera) {
            p->SetStreamMode(0);
        }
    }
    qCDebug(lcVideo) << "start: camera core running" << m_bStarted.load() << "camera" << m_bHasCamera.load();
    if (!m_bStarted || !m_bHasCamera) {
        // Nothing to show: the no-device state has been reported already.
        return;
    }
    p->StartPreview();
}

void VideoWidget::stopPreview() {
    request([](CCameraPresenter* p) { p->StopPreview(); });
}

// ---------------------------------------------------------------------------------------------
// Requests (each queued to the camera-control thread)

void VideoWidget::openCamera(int index) {
    request([index](CCameraPresenter* p) { p->OpenCamera(index); });
}

void VideoWidget::setStreamMode(int n) {
    request([n](CCameraPresenter* p) { p->SetStreamMode(n); });
}

void VideoWidget::setMediaType(int stream, int index) {
    request([stream, index](CCameraPresenter* p) { p->SetMediaType(stream, index); });
}

void VideoWidget::setResolution(int stream, int index) {
    request([stream, index](CCameraPresenter* p) { p->SetResolution(stream, index); });
}

void VideoWidget::setFps(int stream, int index) {
    request([stream, index](CCameraPresenter* p) { p->SetFps(stream, index); });
}

void VideoWidget::setBps(int stream, int value) {
    request([stream, value](CCameraPresenter* p) { p->SetBps(stream, value); });
}

void VideoWidget::setGop(int stream, int value) {
    request([stream, value](CCameraPresenter* p) { p->SetGop(stream, value); });
}

void VideoWidget::setFlip(bool on) {
    request([on](CCameraPresenter* p) { p->SetFlip(on); });
}

void VideoWidget::setMirror(bool on) {
    request([on](CCameraPresenter* p) { p->SetMirror(on); });
}

void VideoWidget::enableFaceTracking(bool on) {
    request([on](CCameraPresenter* p) { p->EnableFaceTracking(on); });
}

void VideoWidget::enableSoundTracking(bool on) {
    request([on](CCameraPresenter* p) { p->EnableSoundTracking(on); });
}

void VideoWidget::setHandGesture(int value) {
    request([value](CCameraPresenter* p) { p->SetHandGesture(value); });
}

void VideoWidget::setCanvas(int value) {
    request([value](CCameraPresenter* p) { p->SetCanvas(value); });
}

void VideoWidget::setSub1Ai(int value) {
    request([value](CCameraPresenter* p) { p->SetSub1Ai(value); });
}

void VideoWidget::setMosaic(int value) {
    request([value](CCameraPresenter* p) { p->SetMosaic(value); });
}

void VideoWidget::setPip(bool on) {
    request([on](CCameraPresenter* p) { p->SetPip(on); });
}

void VideoWidget::setHideMode(bool on) {
    request([on](CCameraPresenter* p) { p->SetHideMode(on); });
}

void VideoWidget::setSensor(int value) {
    request([value](CCameraPresenter* p) { p->SetSensor(value); });
}

void VideoWidget::initSlider(int id) {
    request([id](CCameraPresenter* p) { p->InitSlider(id); });
}

void VideoWidget::setPuCtValue(int id, int value) {
    request([id, value](CCameraPresenter* p) {
        p->SetPuCtAuto(id, false);
        p->SetPuCtValue(id, value);
    });
}

void VideoWidget::setPuCtAuto(int id, bool autoMode) {
    request([id, autoMode](CCameraPresenter* p) { p->SetPuCtAuto(id, autoMode); });
}

void VideoWidget::setFrequency(int index) {
    request([index](CCameraPresenter* p) { p->SetFrequency(index); });
}

bool VideoWidget::startRecord(const QString& path) {
    if (!g_control.load()) {
        qCWarning(lcVideo) << "recording asked for without a camera core:" << path;
        return false;
    }
    request([this, path](CCameraPresenter* p) { emit sigRecordStarted(p->StartRecord(path), path); });
    return true;
}

void VideoWidget::stopRecord() {
    request([](CCameraPresenter* p) { p->StopRecord(); });
}

void VideoWidget::capturePreviewFrame(const QString& path) {
    // The stamp's font is the widgets' font (the live date label's family), resized to the photo.
    const PhotoStamp stamp = m_bPhotoDateStamp ? PhotoStamp(font()) : PhotoStamp();
    request([path, stamp](CCameraPresenter* p) { p->CapturePreviewFrame(path.toUtf8(), stamp); });
}

void VideoWidget::setRecordKeepAudio(bool keep) {
    m_bRecordKeepAudio = keep;
    if (auto* p = presenter()) {
        p->SetRecordKeepAudio(keep);
    }
}

void VideoWidget::setCurAudioInput(int index) {
    m_nAudioInput = index;
    if (auto* p = presenter()) {
        p->SetCurAudioInput(index);
    }
}

bool VideoWidget::startAudioTest() {
    auto* p = presenter();
    const bool started = p && p->StartAudioTest();
    if (!started) {
        qWarning() << "VideoWidget::startAudioTest the microphone could not be opened";
    }
    emit sigAudioTestStarted(started);
    return started;
}

void VideoWidget::stopAudioTest() {
    if (auto* p = presenter()) {
        p->StopAudioTest();
        p->PlayTestSound();
    }
}

void VideoWidget::resetPuCt(int id) {
    if (auto* p = presenter()) {
        p->ResetPuCt(id);
    }
}

// ---------------------------------------------------------------------------------------------
// Painting and size

void VideoWidget::updatePhysicalSize() {
    const qreal ratio = devicePixelRatioF();
    const int w = qRound(width() * ratio);
    const int h = qRound(height() * ratio);
    m_physicalWidth = w;
    m_physicalHeight = h;
    const int stream = m_nStream;
    request([stream, w, h](CCameraPresenter* p) { p->UpdatePreviewSize(stream, w, h); });
}

void VideoWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updatePhysicalSize();
}

void VideoWidget::paintEvent(QPaintEvent* /*event*/) {
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    if (m_nStream == 1 || m_nStream == 2) {
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(Qt::white, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
}
