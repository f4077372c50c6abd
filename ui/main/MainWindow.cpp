#include "MainWindow.h"

#include <QDateTime>
#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "CameraController.h"
#include "CameraSettingDevicePage.h"
#include "CameraSettingImagePage.h"
#include "CameraSettingsPanel.h"
#include "CaptureWatch.h"
#include "OverlayWidget.h"
#include "RecordSettingsStore.h"
#include "ServiceConfig.h"
#include "SubVideoHintOverlay.h"
#include "TranslucentWindowMask.h"
#include "UiScale.h"
#include "UniqueFileName.h"
#include "UpdateManager.h"
#include "VideoWidget.h"

MainWindow::MainWindow(QWidget* parent) : MainWindow(MainWindowOptions(), parent) {}

MainWindow::MainWindow(const MainWindowOptions& options, QWidget* parent)
    : QMainWindow(parent), m_options(options) {
    setObjectName("MainWindow");
    resize(800, 600);
    auto* first = new QWidget(this);
    first->setObjectName("centralwidget");
    setCentralWidget(first);
    setWindowTitle(tr("MainWindow"));
    setStyleSheet("background:black;");
    setAttribute(Qt::WA_TranslucentBackground, true);
    TranslucentWindowMask::applyWhole(this);  // the video fills it

    m_controller = new CameraController(this);
    // The save folder until the device page chooses one.
    const QString folder =
        options.saveFolder.isEmpty() ? CameraController::defaultSaveFolder() : options.saveFolder;
    if (!QDir().mkpath(folder)) {
        qWarning() << "MainWindow: cannot create the save folder" << folder;
        if (!options.saveFolder.isEmpty()) {
            const QString error = tr("无法创建保存文件夹：%1").arg(folder);
            m_options.startError =
                m_options.startError.isEmpty() ? error : m_options.startError + "；" + error;
        }
    }
    m_controller->setRecordOutputDir(folder);

    auto* central = new QWidget(this);
    central->setObjectName("centralWidget");
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    setCentralWidget(central);
    m_video[0] = new VideoWidget(0, central);
    layout->addWidget(m_video[0]);

    // Without a window manager (a bare X server) the full-screen state alone does not resize the
    // window, so take the screen's geometry first.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        setGeometry(m_options.windowed ? QRect(screen->availableGeometry().topLeft() + QPoint(40, 40),
                                               screen->availableGeometry().size() * 2 / 3)
                                       : screen->geometry());
    }
    if (m_options.windowed) {
        showNormal();
    } else {
        showFullScreen();
    }
    m_video[0]->show();

    m_overlay = std::make_unique<OverlayWidget>();
    m_overlay->attachVideoWidget(m_video[0]);

    m_video[1] = new VideoWidget(1, central);
    m_video[1]->setFixedSize(scaled(700), scaled(400));
    m_video[2] = new VideoWidget(2, central);
    m_video[2]->setFixedSize(scaled(320), scaled(180));

    for (int i = 0; i < 3; ++i) {
        m_hint[i] = new SubVideoHintOverlay(m_video[i]);
        m_hint[i]->setGeometry(0, 0, m_video[i]->width(), m_video[i]->height());
        m_hint[i]->setVisible(i == 0);
    }

    QTimer::singleShot(0, this, [this] {
        m_video[1]->hide();
        m_video[2]->hide();
        m_overlay->show();
        repaint();
        layoutChildren();
        if (!m_options.startError.isEmpty()) {
            m_overlay->showToast(m_options.startError, 2);
        }
    });

    m_panel = new CameraSettingsPanel(m_controller, this);
    m_panel->hide();
    if (!options.saveFolder.isEmpty()) {
        // An explicit --save-folder wins over the remembered one, for this run only.
        m_panel->devicePage()->useFolderForThisRun(folder);
        m_controller->setRecordOutputDir(folder);
    }
    connect(m_overlay.get(), &OverlayWidget::settingsClicked, this, [this] {
        qDebug("MainWindow:OverlayWidget::settingsClicked bNoCamera:%d\n", bNoCamera);
        showPanel();
    });
    m_applyTimer = new QTimer(this);
    m_applyTimer->setSingleShot(true);
    connect(m_applyTimer, &QTimer::timeout, this, &MainWindow::finishApplySettings);

    m_bStreamConfigured = false;
    connect(m_video[0], &VideoWidget::sigVideoReady, this, &MainWindow::onVideoReady);
    connectCameraChoice();

    connectVideo();
    connectController();
    // The remembered record length, sound and microphone reach the mediator before any dialog.
    RecordSettingsStore::restore(m_controller);
    connectOverlay();
    QTimer::singleShot(1000, this, &MainWindow::startUpdateCheck);
    connectPanel();
    connectPanelReports();
    // The device page's switches (remembered or default) reach the screens they drive from the start.
    m_panel->devicePage()->publishSwitches();
    // Last: the start task reports from its own thread at once, and a report sent before its
    // connection exists is lost (the panel's camera list among them).
    m_video[0]->startPreviewAsync();
}

MainWindow::~MainWindow() {
    // The video widgets stop the camera; do it while the overlay and the hint layers still exist.
    for (VideoWidget*& video : m_video) {
        if (video) {
            video->disconnect(this);
        }
    }
    for (int i = 0; i < 3; ++i) {
        delete m_video[i];
        m_video[i] = nullptr;
        m_hint[i] = nullptr;
    }
    m_overlay.reset();
}

VideoWidget* MainWindow::videoWidget(int stream) const {
    return stream >= 0 && stream < 3 ? m_video[stream] : nullptr;
}

SubVideoHintOverlay* MainWindow::hintOverlay(int stream) const {
    return stream >= 0 && stream < 3 ? m_hint[stream] : nullptr;
}

QString MainWindow::saveFolder() const {
    return m_controller->recordOutputDir();
}

// ---------------------------------------------------------------------------------------------
// Connections

void MainWindow::connectVideo() {
    VideoWidget* video = m_video[0];
    OverlayWidget* overlay = m_overlay.get();
    connect(video, &VideoWidget::sigCameraState, this, &MainWindow::onCameraState);
    connect(video, &VideoWidget::sigUpdateCameraList, this, &MainWindow::onUpdateCameraList);
    connect(video, &VideoWidget::sigVideoInfo, overlay, &OverlayWidget::onVideoInfo);
    // Refusals of the camera core are shown, not only logged.
    connect(video, &VideoWidget::sigShowMessage, overlay,
            [overlay](const QString& text) { overlay->showToast(text, 2); });
    // Recording and photo answers of the camera core (which works on its own thread).
    connect(video, &VideoWidget::sigRecordStarted, this, [overlay](bool ok, const QString& path) {
        if (!ok) {
            qWarning() << "MainWindow: recording did not start:" << path;
            overlay->recordStartFailed();
        }
    });
    connect(video, &VideoWidget::sigRecordFailed, overlay,
            [overlay](const QString&, const QString& reason, qint64 keptMs) {
                overlay->recordFailed(reason, keptMs);
            });
    connect(video, &VideoWidget::sigPhotoResult, this, &MainWindow::onPhotoResult);

    // The active camera feature's icon.
    connect(video, &VideoWidget::checkedHandGesture, this, [this](long index) {
        if (index >= 1 && index <= 17) {
            setFeatureIcon(int(index));
        }
    });
    connect(video, &VideoWidget::sigCheckedCanvas, this, [this](long index) {
        if (index >= 1 && index <= 3) {
            setFeatureIcon(100 + int(index));
        }
    });
    connect(video, &VideoWidget::sigCheckMosaic, this, [this](long index) {
        if (index == 1) {
            setFeatureIcon(201);
        }
    });
    connect(video, &VideoWidget::sigCheckSub1Ai, this, [this](long index) {
        if (index == 1 || index == 2) {
            setFeatureIcon(300 + int(index));
        }
    });
    connect(video, &VideoWidget::sigCheckFaceTracking, this, [this](bool on) {
        m_bFaceTracking = on;
        setFeatureIcon(on ? 20 : 0);
    });
    connect(video, &VideoWidget::sigCheckSoundTracking, this, [this](bool on) {
        if (on) {
            setFeatureIcon(30);
        } else if (!m_bFaceTracking) {
            setFeatureIcon(0);
        }
    });

    // Camera reports for the settings screens go through the mediator.
    CameraController* c = m_controller;
    connect(video, &VideoWidget::sigEnableFrequency, c, &CameraController::EnableFrequency);
    connect(video, &VideoWidget::sigSetFrequency, c, &CameraController::SetFrequency);
    connect(video, &VideoWidget::sigEnableAudioMode, c, &CameraController::EnableAudioMode);
    connect(video, &VideoWidget::sigAcousticBaffle, c, &CameraController::AcousticBaffle);
    connect(video, &VideoWidget::sigSetAudioMode, c, &CameraController::SetAudioMode);
    connect(video, &VideoWidget::sigPuCtPropertyList, c, &CameraController::PuCtPropertyList);
    connect(video, &VideoWidget::sigInitSlider, c, &CameraController::InitSlider);
    connect(video, &VideoWidget::sigSetSliderPos, c, &CameraController::SetSliderPos);
    connect(video, &VideoWidget::sigAudioList, c, &CameraController::SetAudioList);
    connect(video, &VideoWidget::sigEnableFlip, c, &CameraController::EnableFlip);
    connect(video, &VideoWidget::sigSetFlip, c, &CameraController::SetFlip);
    connect(video, &VideoWidget::sigEnableMirror, c, &CameraController::EnableMirror);
    connect(video, &VideoWidget::sigSetMirror, c, &CameraController::SetMirror);
}

void MainWindow::connectController() {
    VideoWidget* video = m_video[0];
    OverlayWidget* overlay = m_overlay.get();
    CameraController* c = m_controller;
    connect(c, &CameraController::sigPuCtPropertyTypeChanged, video, &VideoWidget::initSlider);
    connect(c, &CameraController::sigUpdateVideoWidgetProperty, video, &VideoWidget::setPuCtValue);
    connect(c, &CameraController::sigUpdateVideoWidgetPropertyAuto, video, &VideoWidget::setPuCtAuto);
    connect(c, &CameraController::sigUpdateFrequency, video, &VideoWidget::setFrequency);
    connect(c, &CameraController::sigChangeMirror, video, &VideoWidget::setMirror);
    connect(c, &CameraController::sigChangeFlip, video, &VideoWidget::setFlip);
    // The record settings: sound, microphone, the microphone test and property resets.
    connect(c, &CameraController::sigResetVideoWidgetProperty, video, &VideoWidget::resetPuCt);
    connect(c, &CameraController::sigRecordKeepAudioChanged, video, &VideoWidget::setRecordKeepAudio);
    connect(c, &CameraController::sigAudioInputChanged, video, &VideoWidget::setCurAudioInput);
    connect(c, &CameraController::sigStartAudioTest, video, &VideoWidget::startAudioTest);
    connect(c, &CameraController::sigStopAudioTest, video, &VideoWidget::stopAudioTest);
    connect(video, &VideoWidget::sigAudioTestStarted, c, &CameraController::AudioTestStarted);
    connect(video, &VideoWidget::sigSetProgressVolume, c, &CameraController::SetProgressVolume);
    connect(c, &CameraController::sigShowOverlayInfo, overlay, &OverlayWidget::setShowOverlayInfo);
    connect(c, &CameraController::sigShowDataWater, overlay, &OverlayWidget::showDateLabel);
    connect(c, &CameraController::sigShowDataWater, video, &VideoWidget::setPhotoDateStamp);
    connect(c, &CameraController::sigShowDelayCapture, overlay, &OverlayWidget::setDelayCaptureEnabled);
    connect(c, &CameraController::sigShowScanCapture, overlay, &OverlayWidget::setScanCaptureEnabled);
}

void MainWindow::connectOverlay() {
    OverlayWidget* overlay = m_overlay.get();
    connect(overlay, &OverlayWidget::setSupportStream, this, &MainWindow::onSupportStream);
    connect(overlay, &OverlayWidget::sigGetRecordParam, this, &MainWindow::onGetRecordParam,
            Qt::DirectConnection);
    connect(overlay, &OverlayWidget::sigCapture, this, &MainWindow::onCapture);
    connect(overlay, &OverlayWidget::sigStopRecord, m_video[0], &VideoWidget::stopRecord,
            Qt::DirectConnection);
    connect(overlay, &OverlayWidget::sigOpenFile, this, &MainWindow::onOpenFile);
}

// ---------------------------------------------------------------------------------------------
// Layout

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    layoutChildren();
}

void MainWindow::layoutChildren() {
    if (!m_video[0] || !m_video[0]->isVisible()) {
        return;
    }
    if (m_panel && m_panel->isVisible()) {
        m_panel->setGeometry(QRect(mapToGlobal(QPoint(0, 0)), size()));
    }
    const int w = m_video[0]->width();
    const int h = m_video[0]->height();
    if (w <= 0 || h <= 0) {
        return;
    }
    // The overlay covers the main video (it follows that widget's own moves and resizes).
    if (m_overlay) {
        m_overlay->attachVideoWidget(m_video[0]);
        m_overlay->raise();
    }
    // The open settings panel stays above the overlay.
    if (m_panel && m_panel->isVisible()) {
        m_panel->raise();
    }
    QWidget* central = centralWidget();
    if (m_video[1]) {
        m_video[1]->move(central->width() - m_video[1]->width(), 0);
        m_video[1]->raise();
    }
    if (m_video[2]) {
        m_video[2]->move(central->width() - m_video[2]->width(), central->height() - m_video[2]->height());
        m_video[2]->raise();
    }
    for (int i = 0; i < 3; ++i) {
        if (m_hint[i] && m_video[i]) {
            m_hint[i]->setGeometry(0, 0, m_video[i]->width(), m_video[i]->height());
        }
    }
}

void MainWindow::setFeatureIcon(int code) {
    m_overlay->setimageControlIcon(code);
}

// ---------------------------------------------------------------------------------------------
// Files

void MainWindow::onGetRecordParam() {
    const QString folder = saveFolder();
    if (!QDir().mkpath(folder)) {
        // Told at once, without a round trip to the camera core.
        m_overlay->setRecordParam(QDir(folder).filePath(QString()), m_controller->recordMinutes());
        m_overlay->recordStartFailed();
        return;
    }
    const QString name = QDateTime::currentDateTime().toString("yyyyMMdd_HHmmss") + ".mp4";
    // Never over an existing recording.
    const QString path = uniqueFilePath(QDir(folder).filePath(name));
    const int minutes = m_controller->recordMinutes();
    m_overlay->setRecordParam(path, minutes);
    // The answer comes with sigRecordStarted; false here: no camera core at all.
    if (!m_video[0]->startRecord(path)) {
        qWarning() << "MainWindow: recording did not start:" << path;
        m_overlay->recordStartFailed();
    }
}

void MainWindow::onCapture() {
    const QString folder = saveFolder();
    qDebug() << "OverlayWidget::sigGetRecordParam:path" << folder;
    QDir().mkpath(folder);
    const QString name = QDateTime::currentDateTime().toString("yyyyMMdd_HHmmss") + ".jpg";
    // Two photos in the same second get "_2", "_3", ...: an earlier photo is never replaced, nor
    // is one still on its way to the folder.
    const QString base = QDir(folder).filePath(name);
    QString path = uniqueFilePath(base);
    for (int n = 2; m_pendingPhotos.contains(path) || QFileInfo::exists(path); ++n) {
        path = QDir(folder).filePath(QFileInfo(base).completeBaseName() + QString("_%1.jpg").arg(n));
    }
    qDebug() << "OverlayWidget::sigGetRecordParam:strPath" << path;
    m_pendingPhotos.insert(path);
    // The camera takes one photo request at a time: a second press waits for the first photo.
    m_captureQueue.append(path);
    if (!m_captureActive) {
        startNextCapture();
    }
}

void MainWindow::startNextCapture() {
    if (m_captureQueue.isEmpty()) {
        return;
    }
    m_captureActive = true;
    const QString path = m_captureQueue.takeFirst();
    auto* watch = new CaptureWatch(path, m_captureDeadlineMs, this);
    m_captureWatch = watch;
    connect(watch, &CaptureWatch::finished, this,
            [this](bool success, const QString& done) { finishCapture(success, done, QString()); });
    m_video[0]->capturePreviewFrame(path);
}

void MainWindow::onPhotoResult(bool ok, const QString& path, const QString& reason) {
    // The folder watch stays as the fallback with its deadline; the camera core's answer ends it.
    if (!m_captureWatch || m_captureWatch->path() != path) {
        return;
    }
    m_captureWatch->disconnect(this);
    m_captureWatch->deleteLater();
    m_captureWatch = nullptr;
    finishCapture(ok, path, reason);
}

void MainWindow::finishCapture(bool success, const QString& path, const QString& reason) {
    m_captureWatch = nullptr;
    m_pendingPhotos.remove(path);
    m_captureActive = false;
    if (!success && !reason.isEmpty()) {
        m_overlay->setCaptureFailureReason(path, reason);
    }
    startNextCapture();
    emit m_overlay->sigCaptureFinished(success, path);
}

void MainWindow::onOpenFile() {
    const QString folder = saveFolder();
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(folder).absoluteFilePath()));
}

// ---------------------------------------------------------------------------------------------
// Update check

void MainWindow::startUpdateCheck() {
    const QString version = QCoreApplication::applicationVersion();
    qDebug("MainWindow: version %s", qUtf8Printable(version));
    // It runs unasked: its errors go to the log only, its result to the device page.
    auto* updater = new UpdateManager(ServiceConfig::updateAppName(), version, 2, this, this);
    connect(updater, &UpdateManager::signalVersionChecked, m_controller,
            &CameraController::slotVersionChecked);
    updater->checkForUpdate();
}
