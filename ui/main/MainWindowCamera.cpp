// The main window's side of the camera: its state reports, (re)starting it, choosing which
// camera opens, the multi-stream mode, and the remembered stream choices of an opened camera.
#include <QDebug>
#include <QPushButton>
#include <QTimer>

#include "CameraSettingDevicePage.h"
#include "CameraSettingsPanel.h"
#include "MainWindow.h"
#include "OverlayWidget.h"
#include "StreamChoiceStore.h"
#include "SubVideoHintOverlay.h"
#include "SwitchRow.h"
#include "VideoWidget.h"

void MainWindow::onCameraState(int stateType) {
    qDebug("MainWindow VideoWidget::sigCameraState stateType:%d,bNoCamera:%d\n", stateType, bNoCamera);
    if (stateType == 0) {
        bNoCamera = true;
        m_hint[0]->setLoading(true);
        m_hint[0]->setHintText(tr("没有有检查到设备，请重新连接..."));
        m_hint[0]->show();
        // No figures of a camera that has gone.
        m_overlay->setVideoInfo(QVector<QString>());
        m_panel->showLoading();
        m_nRestoreAfterList = -1;
    } else if (stateType == 2) {
        bNoCamera = false;
        m_hint[0]->setLoading(true);
        m_hint[0]->setHintText(tr("开启设备中..."));
    }
}

void MainWindow::onVideoReady() {
    if (bNoCamera) {
        return;
    }
    // After a camera came back the panel leaves its loading view even when the user had chosen
    // settings before (they are kept; only the device list starts afresh).
    if (!m_bStreamConfigured || m_panel->isLoading()) {
        m_panel->showUI();
    }
    // The figures only while "显示参数" is on (it may have been left off in an earlier run).
    if (!m_bStreamConfigured &&
        m_panel->devicePage()->switchRow(CameraSettingDevicePage::OverlayInfo)->isChecked()) {
        m_overlay->showInfoPanel();
    }
    for (SubVideoHintOverlay* hint : m_hint) {
        hint->hide();
    }
    m_panel->finishApply();
    if (m_bRestoreChoices) {
        m_bRestoreChoices = false;
        if (!bSupportStream) {
            restoreRememberedStreams();
            return;
        }
        // A camera opens with one stream: in the multi-stream mode the others are asked for
        // again (the panel's lists of them may be an earlier camera's), up to the last stream
        // the panel has on.
        int last = 0;
        for (int s = 1; s < CameraSettingsPanel::kStreams; ++s) {
            if (m_panel->streamButton(s)->isChecked()) {
                last = s;
            }
        }
        if (last == 0) {
            restoreRememberedStreams();
            return;
        }
        m_video[0]->setStreamMode(last);
        m_nRestoreAfterList = last;
    }
}

void MainWindow::onMediaTypeListReady(int stream) {
    // Connected after the panel, so its selectors hold the lists by now.
    if (stream != m_nRestoreAfterList) {
        return;
    }
    m_nRestoreAfterList = -1;
    restoreRememberedStreams();
}

void MainWindow::restoreRememberedStreams() {
    QMap<int, StreamChoice> choices = StreamChoiceStore::load(m_cameraName);
    if (!bSupportStream) {
        // Without the multi-stream mode the camera runs stream 1 alone.
        const StreamChoice first = choices.value(0);
        choices.clear();
        if (!first.isEmpty()) {
            choices.insert(0, first);
        }
    }
    // The panel keeps the streams it applies; nothing remembered means nothing happens.
    m_panel->restoreStreamChoices(choices);
}

void MainWindow::restartCamera(int index) {
    m_hint[0]->setLoading(true);
    m_hint[0]->show();
    m_video[0]->stopPreview();
    m_video[0]->setCurrentCameraIndex(index);
    m_video[0]->startPreviewAsync();
}

void MainWindow::onUpdateCameraList(const QStringList& camerasList, bool restartRequested) {
    m_panel->setDeviceList(camerasList, restartRequested);
    if (!restartRequested) {
        return;
    }
    // The camera in use is gone (or has just come): a running recording ends with its file.
    if (m_overlay->recordState() != OverlayWidget::Idle) {
        m_overlay->stopRecording(false);
    }
    restartCamera(0);
}

void MainWindow::connectCameraChoice() {
    VideoWidget* video = m_video[0];
    if (!m_options.cameraName.isEmpty() || !m_options.lastCamera.isEmpty()) {
        // On the start task's thread, between listing the cameras and opening one: the named
        // camera is opened instead of the first (the options never change after construction).
        connect(
            video, &VideoWidget::sigCameraListReady, video,
            [this, video](const QStringList& names) {
                if (!m_bCameraChosen.load()) {
                    video->setCurrentCameraIndex(preferredCamera(names));
                }
            },
            Qt::DirectConnection);
        connect(video, &VideoWidget::sigCameraListReady, this, &MainWindow::onCameraListReady);
    }
    connect(video, &VideoWidget::sigDeviceName, this, [this](const QString& name) {
        m_cameraName = name;
        m_bRestoreChoices = true;
        // Restoring starts once this camera runs, not on a list it sends while opening.
        m_nRestoreAfterList = -1;
    });
    if (m_options.cameraOpened) {
        connect(video, &VideoWidget::sigDeviceName, this, m_options.cameraOpened);
    }
}

int MainWindow::preferredCamera(const QStringList& names) const {
    const QString& wanted = m_options.cameraName.isEmpty() ? m_options.lastCamera : m_options.cameraName;
    if (wanted.isEmpty()) {
        return 0;
    }
    int index = names.indexOf(wanted);
    for (int i = 0; index < 0 && i < names.size(); ++i) {
        if (names[i].compare(wanted, Qt::CaseInsensitive) == 0) {
            index = i;
        }
    }
    return qMax(index, 0);
}

void MainWindow::onCameraListReady(const QStringList& names) {
    // Said once, and only for a name the user gave: later lists come with hot-plug.
    if (!m_bCameraNameChecked && !m_options.cameraName.isEmpty()) {
        m_bCameraNameChecked = true;
        if (preferredCamera(names) == 0 &&
            names.value(0).compare(m_options.cameraName, Qt::CaseInsensitive) != 0) {
            // After the start problem's toast, not over it.
            const int delayMs = m_options.startError.isEmpty() ? 0 : 2000;
            QTimer::singleShot(delayMs, this, [this] {
                m_overlay->showToast(tr("未找到摄像头：%1").arg(m_options.cameraName), 1);
            });
        }
    }
}

void MainWindow::onSupportStream(bool enable) {
    m_video[0]->setStreamMode(2);
    bSupportStream = enable;
    m_panel->setSupportStream(enable);
    showPanel();
    // Streams 2 and 3 get their remembered choices once the camera has listed their formats (a
    // camera still opening has them restored when it runs).
    if (enable && !bNoCamera && !m_bRestoreChoices) {
        m_nRestoreAfterList = 2;
    }
}
