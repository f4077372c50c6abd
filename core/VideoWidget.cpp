#include "VideoWidget.h"

#include <QDebug>
#include <QMutexLocker>
#include <QPainter>
#include <QStyleOption>
#include <QtMath>

#include "CCameraPresenter.h"
#include "StartTasks.h"

namespace {
std::atomic<CCameraPresenter*> g_presenter{nullptr};
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
    // The renderer is set up on the start task: create the native window here, in the GUI thread.
    m_nativeHandle = quintptr(winId());
    updatePhysicalSize();

    if (!g_presenter.load()) {
        g_presenter.store(new CCameraPresenter(this));
    }
    g_presenter.load()->RegisterView(m_nStream, this);
}

VideoWidget::~VideoWidget() {
    waitForStart();
    CCameraPresenter* presenter = g_presenter.exchange(nullptr);
    if (presenter) {
        presenter->StopPreview();
        presenter->Uninit();
        delete presenter;
    }
}

CCameraPresenter* VideoWidget::presenter() {
    return g_presenter.load();
}

QStringList VideoWidget::knownCameras() const {
    QMutexLocker lock(&m_namesMutex);
    return m_cameraNames;
}

// ---------------------------------------------------------------------------------------------
// Starting and stopping

void VideoWidget::startPreviewAsync() {
    qDebug() << "CCameraPresenter::Init()::startPreviewAsync() start";
    if (!presenter()) {
        return;
    }
    StartTasks::run([this] {
        startPreview();
        m_bReady = true;
        emit sigVideoReady();
        QMetaObject::invokeMethod(
            this, [] {}, Qt::QueuedConnection);
    });
}

void VideoWidget::waitForStart() {
    StartTasks::waitForAll();
}

void VideoWidget::startPreview() {
    qDebug() << "CCameraPresenter::Init()::startPreview:";
    CCameraPresenter* p = presenter();
    if (!p) {
        return;
    }
    QMutexLocker lock(&m_mutex);
    m_nStop = 0;
    qDebug() << "VideoWidget::startPreview CCameraPresenter::Init()::startPreview:"
             << (m_bStarted ? "true" : "false");
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
    qDebug() << "VCCameraPresenter::Init()::startPreview 11111:" << (m_bStarted ? "true" : "false");
    if (!m_bStarted || !m_bHasCamera) {
        // Nothing to show: the no-device state has been reported already.
        return;
    }
    p->StartPreview();
}

void VideoWidget::stopPreview() {
    QMutexLocker lock(&m_mutex);
    m_nStop.store(1, std::memory_order_seq_cst);
    if (CCameraPresenter* p = presenter()) {
        p->StopPreview();
    }
}

// ---------------------------------------------------------------------------------------------
// Requests

void VideoWidget::openCamera(int index) {
    if (auto* p = presenter()) {
        p->OpenCamera(index);
    }
}

void VideoWidget::setStreamMode(int n) {
    if (auto* p = presenter()) {
        p->SetStreamMode(n);
    }
}

void VideoWidget::setMediaType(int stream, int index) {
    if (auto* p = presenter()) {
        p->SetMediaType(stream, index);
    }
}

void VideoWidget::setResolution(int stream, int index) {
    if (auto* p = presenter()) {
        p->SetResolution(stream, index);
    }
}

void VideoWidget::setFps(int stream, int index) {
    if (auto* p = presenter()) {
        p->SetFps(stream, index);
    }
}

void VideoWidget::setBps(int stream, int value) {
    if (auto* p = presenter()) {
        p->SetBps(stream, value);
    }
}

void VideoWidget::setGop(int stream, int value) {
    if (auto* p = presenter()) {
        p->SetGop(stream, value);
    }
}

void VideoWidget::setFlip(bool on) {
    if (auto* p = presenter()) {
        p->SetFlip(on);
    }
}

void VideoWidget::setMirror(bool on) {
    if (auto* p = presenter()) {
        p->SetMirror(on);
    }
}

void VideoWidget::enableFaceTracking(bool on) {
    if (auto* p = presenter()) {
        p->EnableFaceTracking(on);
    }
}

void VideoWidget::enableSoundTracking(bool on) {
    if (auto* p = presenter()) {
        p->EnableSoundTracking(on);
    }
}

void VideoWidget::setHandGesture(int value) {
    if (auto* p = presenter()) {
        p->SetHandGesture(value);
    }
}

void VideoWidget::setCanvas(int value) {
    if (auto* p = presenter()) {
        p->SetCanvas(value);
    }
}

void VideoWidget::setSub1Ai(int value) {
    if (auto* p = presenter()) {
        p->SetSub1Ai(value);
    }
}

void VideoWidget::setMosaic(int value) {
    if (auto* p = presenter()) {
        p->SetMosaic(value);
    }
}

void VideoWidget::setPip(bool on) {
    if (auto* p = presenter()) {
        p->SetPip(on);
    }
}

void VideoWidget::setHideMode(bool on) {
    if (auto* p = presenter()) {
        p->SetHideMode(on);
    }
}

void VideoWidget::setSensor(int value) {
    if (auto* p = presenter()) {
        p->SetSensor(value);
    }
}

void VideoWidget::initSlider(int id) {
    if (auto* p = presenter()) {
        p->InitSlider(id);
    }
}

void VideoWidget::setPuCtValue(int id, int value) {
    if (auto* p = presenter()) {
        p->SetPuCtAuto(id, false);
        p->SetPuCtValue(id, value);
    }
}

void VideoWidget::setPuCtAuto(int id, bool autoMode) {
    if (auto* p = presenter()) {
        p->SetPuCtAuto(id, autoMode);
    }
}

void VideoWidget::setFrequency(int index) {
    if (auto* p = presenter()) {
        p->SetFrequency(index);
    }
}

bool VideoWidget::startRecord(const QString& path) {
    auto* p = presenter();
    if (!p) {
        qWarning() << "VideoWidget::startRecord without a camera core:" << path;
        return false;
    }
    return p->StartRecord(path);
}

void VideoWidget::stopRecord() {
    qDebug("VideoWidget:: stopRecord( start\n)");
    if (auto* p = presenter()) {
        p->StopRecord();
    }
}

void VideoWidget::capturePreviewFrame(const QString& path) {
    if (auto* p = presenter()) {
        p->CapturePreviewFrame(path.toUtf8());
    }
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
    m_physicalWidth = qRound(width() * ratio);
    m_physicalHeight = qRound(height() * ratio);
    if (auto* p = presenter()) {
        p->UpdatePreviewSize(m_nStream, m_physicalWidth, m_physicalHeight);
    }
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
