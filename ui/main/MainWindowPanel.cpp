// The main window's side of the settings panel: showing it, its requests to the camera, the
// camera's reports for its pages, and applying stream settings.
#include <QDebug>
#include <QLoggingCategory>
#include <QTimer>

#include "CameraController.h"
#include "CameraSettingDevicePage.h"
#include "CameraSettingImagePage.h"
#include "CameraSettingsPanel.h"
#include "MainWindow.h"
#include "OverlayWidget.h"
#include "StreamSettingsGroup.h"
#include "SubVideoHintOverlay.h"
#include "VideoWidget.h"

Q_LOGGING_CATEGORY(lcSettings, "corvix.settings", QtWarningMsg)

void MainWindow::showPanel() {
    // The panel covers the window; only its cards are drawn, the rest stays see-through.
    m_panel->setGeometry(QRect(mapToGlobal(QPoint(0, 0)), size()));
    m_panel->show();
    m_panel->raise();
}

void MainWindow::connectPanel() {
    CameraSettingsPanel* panel = m_panel;
    VideoWidget* video = m_video[0];
    connect(panel, &CameraSettingsPanel::deviceSelected, this, [this](int index) {
        m_bStreamConfigured = true;
        // Another camera is opened only by a start that initialises again.
        m_bCameraChosen = true;
        m_video[0]->requestRestart();
        restartCamera(index);
    });
    connect(panel, &CameraSettingsPanel::mediaChanged, this, [this](int streamId, int index) {
        if (VideoWidget* target = videoWidget(streamId)) {
            target->setMediaType(streamId, index);
            m_bStreamConfigured = true;
        }
    });
    connect(panel, &CameraSettingsPanel::resolutionChanged, this, [this](int streamId, int index) {
        if (VideoWidget* target = videoWidget(streamId)) {
            target->setResolution(streamId, index);
            m_bStreamConfigured = true;
        }
    });
    connect(panel, &CameraSettingsPanel::fpsChanged, this, [this](int streamId, int index) {
        if (VideoWidget* target = videoWidget(streamId)) {
            target->setFps(streamId, index);
            m_bStreamConfigured = true;
        }
    });
    connect(panel, &CameraSettingsPanel::changeStreamCount, this, [this](int n) {
        if (bSupportStream && n >= 1 && n <= 3) {
            m_video[0]->setStreamMode(n - 1);
        }
    });
    connect(panel, &CameraSettingsPanel::settingsApplied, this, &MainWindow::onCameraSettingsApplied);

    // The camera features chosen on the feature page, with the overlay's feature icon.
    connect(panel, &CameraSettingsPanel::setGesture, this, [this, video](int index) {
        if (index >= 0 && index <= 17) {
            setFeatureIcon(index);
        }
        video->setHandGesture(index);
    });
    connect(panel, &CameraSettingsPanel::setCanvas, this, [this, video](int index) {
        if (index >= 1 && index <= 3) {
            setFeatureIcon(100 + index);
        }
        video->setCanvas(index);
    });
    connect(panel, &CameraSettingsPanel::setMoasic, this, [this, video](int index) {
        if (index == 0 || index == 1) {
            setFeatureIcon(index == 1 ? 201 : 0);
        }
        video->setMosaic(index);
    });
    connect(panel, &CameraSettingsPanel::setSub1Ai, this, [this, video](int index) {
        if (index >= 0 && index <= 2) {
            setFeatureIcon(index == 0 ? 0 : 300 + index);
        }
        video->setSub1Ai(index);
    });
    connect(panel, &CameraSettingsPanel::faceTracking, this, [this, video](bool on) {
        setFeatureIcon(on ? 20 : 0);
        video->enableFaceTracking(on);
    });
    connect(panel, &CameraSettingsPanel::soundTracking, this, [this, video](bool on) {
        setFeatureIcon(on ? 30 : 0);
        video->enableSoundTracking(on);
    });
    connect(panel, &CameraSettingsPanel::sensorChanged, this, &MainWindow::onSensorChosen);
    connect(panel, &CameraSettingsPanel::hideChanged, video, &VideoWidget::setHideMode);
    connect(panel, &CameraSettingsPanel::setPip, video, &VideoWidget::setPip);

    connect(m_overlay.get(), &OverlayWidget::setSupportAdvanceXU, panel,
            &CameraSettingsPanel::setSupportAdvanceXU);
    // What each stream really runs with once new settings have been applied.
    connect(video, &VideoWidget::sigVideoInfo, this, [this](int stream, const QString& info) {
        if (stream >= 0 && stream < 3 && m_bReportAppliedInfo[stream]) {
            m_bReportAppliedInfo[stream] = false;
            qCInfo(lcSettings).noquote() << "stream" << stream << "runs as" << info;
        }
    });
}

// The camera library's sensor value is the position in its sensor list (counting from 0, as the
// page's entries do); the page's report operation counts from 1. A choice that only echoes the
// camera's own report is not sent back.
void MainWindow::onSensorChosen(int index) {
    if (index == m_nReportedSensor) {
        return;
    }
    m_nReportedSensor = index;
    m_video[0]->setSensor(index);
}

void MainWindow::connectPanelReports() {
    CameraSettingsPanel* panel = m_panel;
    CameraSettingImagePage* page = panel->imagePage();
    VideoWidget* video = m_video[0];
    connect(video, &VideoWidget::sigCameraListReady, panel, &CameraSettingsPanel::setDeviceNames);
    connect(video, &VideoWidget::sigEnableBps, panel, &CameraSettingsPanel::enableBpsChanged);
    connect(video, &VideoWidget::sigEnableGop, panel, &CameraSettingsPanel::enableGopChanged);
    connect(video, &VideoWidget::sigMediaTypeListReady, panel, &CameraSettingsPanel::setMediaTypeList);
    connect(video, &VideoWidget::sigResolutionListReady, panel, &CameraSettingsPanel::setResolutionList);
    connect(video, &VideoWidget::sigFPSListReady, panel, &CameraSettingsPanel::setFpsList);

    connect(video, &VideoWidget::sensorSupportChanged, page, &CameraSettingImagePage::setSensorSupported);
    connect(video, &VideoWidget::getSensorList, panel, &CameraSettingsPanel::setSensorList);
    connect(video, &VideoWidget::setCurrentSensor, this, [this, page](int sensor) {
        m_nReportedSensor = sensor;
        page->setCurrentSensor(sensor + 1);
    });
    connect(video, &VideoWidget::enableHideMode, page, &CameraSettingImagePage::enableHideMode);
    connect(video, &VideoWidget::sigCheckHideMode, page, &CameraSettingImagePage::checkHideMode);
    connect(video, &VideoWidget::sigEnablePip, page, &CameraSettingImagePage::enablePip);
    connect(video, &VideoWidget::sigCheckPip, page, &CameraSettingImagePage::checkPip);
    connect(video, &VideoWidget::sigEnableNonStitching, page, &CameraSettingImagePage::enableNonStitching);
    connect(video, &VideoWidget::sigCheckNonStitching, page, &CameraSettingImagePage::checkNonStitching);
    connect(video, &VideoWidget::sigEnableFaceTracking, page, &CameraSettingImagePage::enableFaceTracking);
    connect(video, &VideoWidget::sigEnableSoundTracking, page, &CameraSettingImagePage::enableSoundTracking);
    connect(video, &VideoWidget::sigCheckFaceTracking, page, &CameraSettingImagePage::checkFaceTracking);
    connect(video, &VideoWidget::sigCheckSoundTracking, page, &CameraSettingImagePage::checkSoundTracking);
    connect(video, &VideoWidget::checkedHandGesture, page, &CameraSettingImagePage::checkHandGesture);
    connect(video, &VideoWidget::sigCheckedCanvas, page, &CameraSettingImagePage::checkCanvas);
    connect(video, &VideoWidget::sigCheckMosaic, page, &CameraSettingImagePage::checkMosaic);
    connect(video, &VideoWidget::sigEnableHandGesture, this, &MainWindow::onEnableHandGesture);
    connect(video, &VideoWidget::sigEnableCanvas, this, &MainWindow::onEnableCanvas);
    connect(video, &VideoWidget::sigEnableMosaic, this, &MainWindow::onEnableMosaic);
    connect(video, &VideoWidget::sigEnableSub1Ai, this, &MainWindow::onEnableSub1Ai);

    connect(video, &VideoWidget::sigDeviceName, panel, &CameraSettingsPanel::setDeviceName);
    connect(video, &VideoWidget::sigDevicePIDVID, panel, &CameraSettingsPanel::setDevicePIDVID);
    connect(video, &VideoWidget::sigDeviceMID, panel, &CameraSettingsPanel::setDeviceMID);
    connect(video, &VideoWidget::sigDeviceFWVersion, panel, &CameraSettingsPanel::setDeviceFWVersion);
    connect(video, &VideoWidget::sigDeviceSDKVersion, panel, &CameraSettingsPanel::setDeviceSDKVersion);
    // After the panel's own connection: the list is on its selector when this runs.
    connect(video, &VideoWidget::sigMediaTypeListReady, this,
            [this](int stream) { onMediaTypeListReady(stream); });
}

void MainWindow::onEnableHandGesture(QVector<long> mask) {
    m_panel->enableHandGesture(mask);
}

void MainWindow::onEnableCanvas(QVector<long> mask) {
    m_panel->enableCanvas(mask);
}

void MainWindow::onEnableMosaic(QVector<long> mask) {
    m_panel->enableMosaic(mask);
}

void MainWindow::onEnableSub1Ai(QVector<long> mask) {
    m_panel->enableSub1Ai(mask);
}

// ---------------------------------------------------------------------------------------------
// Applying stream settings: stop, pause (as a timer, so the window keeps painting and taking
// input; a second apply during the pause replaces the first), then configure and start.

bool MainWindow::isApplyPending() const {
    return m_applyTimer && m_applyTimer->isActive();
}

void MainWindow::onCameraSettingsApplied(QVector<StreamSettings> settings, int nStreamCount) {
    qDebug() << "MainWindow::onCameraSettingsApplied nStreamCount:" << nStreamCount
             << ",bSupportStream:" << (bSupportStream ? "true" : "false");
    // An apply wins over remembered choices still waiting for the camera's lists.
    m_nRestoreAfterList = -1;
    m_hint[0]->setLoading(true);
    m_hint[0]->show();
    m_video[0]->stopPreview();
    m_pendingSettings = settings;
    m_nPendingStreamCount = nStreamCount;
    m_applyTimer->start(m_applyPauseMs);
}

void MainWindow::finishApplySettings() {
    const QVector<StreamSettings> settings = m_pendingSettings;
    // Without the multi-stream mode only stream 1 is shown, so only stream 1 is configured.
    const int n = bSupportStream ? m_nPendingStreamCount : qMin(1, m_nPendingStreamCount);
    if (bSupportStream) {
        if (n == 1) {
            m_video[1]->hide();
            m_video[2]->hide();
            m_overlay->setStreamCount(1);
        } else if (n == 2) {
            m_video[1]->show();
            m_video[2]->hide();
            m_overlay->setStreamCount(2);
        } else if (n == 3) {
            m_video[1]->show();
            m_video[2]->show();
            m_overlay->setStreamCount(3);
        }
        if (n >= 2 && m_hint[1]) {
            m_hint[1]->setLoading(false);
            m_hint[1]->show();
        }
        if (n >= 3 && m_hint[2]) {
            m_hint[2]->setLoading(false);
            m_hint[2]->show();
        }
        layoutChildren();
    }
    qDebug() << "MainWindow::onCameraSettingsApplied:" << settings.size();
    int used = 0;
    for (const StreamSettings& s : settings) {
        if (used == n) {
            break;
        }
        if (!bSupportStream && s.streamId != 0) {
            continue;
        }
        ++used;
        qDebug() << "for Stream" << s.streamId << "Media:" << s.mediaIndex << "Res:" << s.resolutionIndex
                 << "FPS:" << s.fpsIndex << "Bitrate:" << s.bitrate << "GOP:" << s.gop;
        m_bStreamConfigured = true;
        VideoWidget* target = videoWidget(s.streamId);
        if (!target) {
            continue;
        }
        // A selector the camera never filled (-1) leaves that choice as the camera has it,
        // rather than asking for an entry that does not exist.
        if (s.mediaIndex >= 0) {
            target->setMediaType(s.streamId, s.mediaIndex);
        }
        if (s.resolutionIndex >= 0) {
            target->setResolution(s.streamId, s.resolutionIndex);
        }
        if (s.fpsIndex >= 0) {
            target->setFps(s.streamId, s.fpsIndex);
        }
        target->setBps(s.streamId, s.bitrate);
        target->setGop(s.streamId, s.gop);
        m_bReportAppliedInfo[s.streamId] = true;
        // Remembered for this camera's next start.
        if (StreamSettingsGroup* group = m_panel->streamGroup(s.streamId)) {
            StreamChoiceStore::save(m_cameraName, s.streamId, group->choice(s));
        }
    }
    m_video[0]->startPreviewAsync();
}
