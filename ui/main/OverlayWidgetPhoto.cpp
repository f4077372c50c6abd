// The control overlay's photo flow: the countdown, the busy feedback while the camera core takes
// the photo, and the outcome (toast, sharing) once the file is checked.
#include <QLabel>
#include <QTimer>

#include "OverlayButtonBar.h"
#include "OverlayWidget.h"
#include "PhotoShareManager.h"
#include "SavedPhotoCheck.h"
#include "SvgSpinnerWidget.h"
#include "UiScale.h"

void OverlayWidget::onCaptureClicked() {
    if (m_delayCaptureEnabled) {
        startCountdown(10);
        return;
    }
    beginCaptureFeedback();
    QTimer::singleShot(0, this, &OverlayWidget::layoutCaptureFeedback);
    emit sigCapture();
}

void OverlayWidget::beginCaptureFeedback() {
    m_noticeLabel->setText(tr("拍照中..."));
    m_noticeLabel->adjustSize();
    m_noticeLabel->show();
    m_noticeLabel->raise();
    m_spinner->setFixedSize(scaled(120), scaled(120));
    m_spinner->show();
    m_spinner->raise();
    m_spinner->startAnimation();
}

void OverlayWidget::layoutCaptureFeedback() {
    if (!m_buttonBar || !m_spinner || !m_noticeLabel) {
        return;
    }
    m_noticeLabel->adjustSize();
    centreAboveBar(m_noticeLabel, m_buttonBar->geometry().top(), scaled(30));
    centreAboveBar(m_spinner, m_noticeLabel->y(), scaled(60));
}

void OverlayWidget::startCountdown(int n) {
    m_countdownValue = n;
    QFont font = m_countdownLabel->font();
    font.setBold(true);
    font.setWeight(75);
    font.setPixelSize(qMax(1, height() / 4));
    m_countdownLabel->setFont(font);
    m_countdownLabel->setGeometry(rect());
    m_countdownLabel->setText(QString::number(n));
    m_countdownLabel->show();
    m_countdownLabel->raise();
    m_countdownTimer->start(1000);
}

void OverlayWidget::onCountdownTick() {
    --m_countdownValue;
    if (m_countdownValue >= 1) {
        m_countdownLabel->setText(QString::number(m_countdownValue));
        return;
    }
    m_countdownTimer->stop();
    m_countdownLabel->hide();
    beginCaptureFeedback();
    emit sigCapture();
}

void OverlayWidget::setStampTimings(int initialWaitMs, int pollMs) {
    m_stampInitialWaitMs = initialWaitMs;
    m_stampPollMs = pollMs;
}

void OverlayWidget::onCaptureFinished(bool success, const QString& path) {
    bool saved = success;
    QString reason = m_captureFailureReasons.take(path);
    if (success) {
        // The camera core has drawn the date stamp (with the watermark on) before its one encode:
        // the file is only checked here, never rewritten.
        QString error;
        const SavedPhotoCheck::Result result =
            SavedPhotoCheck::checkFile(path, m_stampInitialWaitMs, m_stampPollMs, &error);
        // A photo that vanished or cannot be decoded is not a photo taken.
        saved = result == SavedPhotoCheck::Readable;
        if (!saved && !error.isEmpty()) {
            reason = error;
        }
    }
    if (saved) {
        showToast(tr("拍照成功：%1").arg(path), 1);
    } else if (!reason.isEmpty()) {
        showToast(tr("拍照失败：%1（%2）").arg(path, reason), 2);
    } else {
        showToast(tr("拍照失败：%1").arg(path), 2);
    }
    m_noticeLabel->hide();
    m_spinner->hide();
    m_spinner->stopAnimation();
    qDebug("OverlayWidget::sigCaptureFinished m_scanCaptureEnabled:%d\n", m_scanCaptureEnabled);
    // Only a photo that exists is shared.
    if (saved && m_scanCaptureEnabled) {
        m_shareManager->share(path);
    }
}

void OverlayWidget::setScanCaptureEnabled(bool on) {
    if (on && !m_scanCaptureEnabled && !m_shareManager->isConfigured()) {
        showToast(tr("未配置分享服务器，扫码取图无法使用"), 2);
    }
    m_scanCaptureEnabled = on;
}
