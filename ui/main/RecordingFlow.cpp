#include "RecordingFlow.h"

#include <QDebug>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>

#include "RecordLimit.h"
#include "SvgIconLabel.h"
#include "SvgSpinnerWidget.h"
#include "UiScale.h"
#include "UniversalButton.h"

RecordingFlow::RecordingFlow(OverlayWidget* overlay) : QObject(overlay), m_overlay(overlay) {
    m_timePanel = new QWidget(overlay);
    m_timePanel->setObjectName("timePanel");
    auto* timeLayout = new QHBoxLayout(m_timePanel);
    timeLayout->setContentsMargins(0, 0, 0, 0);
    timeLayout->setSpacing(scaled(6));
    auto* volume = new SvgIconLabel(":/icons/volume1.svg", m_timePanel);
    volume->setIconSize(QSize(scaled(24), scaled(24)));
    timeLayout->addWidget(volume);
    m_timeLabel = new QLabel("00:00:00", m_timePanel);
    m_timeLabel->setObjectName("timeLabel");
    m_timeLabel->setStyleSheet(OverlayWidget::captionStyleSheet(12));
    timeLayout->addWidget(m_timeLabel);
    m_timePanel->hide();

    connect(overlay->recordButton(), &QPushButton::clicked, this, &RecordingFlow::onRecordClicked);
    connect(overlay->stopButton(), &QPushButton::clicked, this, &RecordingFlow::onStopClicked);
}

void RecordingFlow::setParam(const QString& path, int minutes) {
    m_path = path;
    m_maxMinutes = minutes;
    m_overlay->noticeLabel()->setText(tr("开始录像，本次录像的最高时长为%1分钟").arg(minutes));
}

void RecordingFlow::onRecordClicked() {
    if (m_state != OverlayWidget::Idle) {
        return;
    }
    m_startFailed = false;
    emit sigGetRecordParam();
    if (m_startFailed) {
        return;  // already back in idle with the failure shown
    }
    setState(OverlayWidget::Starting);
    const int attempt = ++m_attempt;
    QTimer::singleShot(m_startDelayMs, this, [this, attempt] {
        if (attempt == m_attempt && m_state == OverlayWidget::Starting) {
            setState(OverlayWidget::Recording);
        }
    });
}

void RecordingFlow::onStopClicked() {
    if (m_state == OverlayWidget::Recording) {
        setState(OverlayWidget::Stopping);
    }
}

void RecordingFlow::startFailed() {
    m_startFailed = true;
    ++m_attempt;
    if (m_state != OverlayWidget::Idle) {
        m_state = OverlayWidget::Idle;
        if (m_timer) {
            m_timer->stop();
        }
    }
    showIdleControls();
    m_overlay->spinner()->hide();
    m_overlay->noticeLabel()->hide();
    m_overlay->showToast(tr("录像失败：%1").arg(m_path), 2);
}

void RecordingFlow::failed(const QString& reason, qint64 keptMs) {
    if (m_state == OverlayWidget::Idle) {
        return;
    }
    ++m_attempt;
    m_state = OverlayWidget::Idle;
    if (m_timer) {
        m_timer->stop();
    }
    showIdleControls();
    m_overlay->spinner()->hide();
    m_overlay->noticeLabel()->hide();
    const QString kept = RecordLimit::clockText(int(qMax<qint64>(keptMs, 0) / 1000));
    m_overlay->showToast(tr("录像失败：%1").arg(tr("%1，已保存 %2（%3）").arg(reason, kept, m_path)), 2);
}

void RecordingFlow::setState(State state) {
    if (state == m_state) {
        return;
    }
    m_state = state;
    switch (state) {
        case OverlayWidget::Starting:
            m_overlay->recordButton()->setEnabled(false);
            m_overlay->spinner()->show();
            m_overlay->spinner()->startAnimation();
            m_overlay->noticeLabel()->adjustSize();
            m_overlay->noticeLabel()->show();
            layoutStartingFeedback();
            break;
        case OverlayWidget::Idle:
            if (m_timer) {
                m_timer->stop();
            }
            showIdleControls();
            break;
        case OverlayWidget::Recording:
            showRecordingControls();
            m_elapsed.start();
            if (!m_timer) {
                m_timer = new QTimer(this);
                connect(m_timer, &QTimer::timeout, this, &RecordingFlow::tick);
            }
            m_timer->start(1000);
            emit sigStartRecord(m_path);
            break;
        case OverlayWidget::Stopping:
            stop(false);
            break;
    }
}

void RecordingFlow::tick() {
    if (m_state != OverlayWidget::Recording) {
        return;
    }
    const qint64 ms = m_clock ? m_clock() : m_elapsed.elapsed();
    m_elapsedSeconds = int(ms / 1000);
    m_timeLabel->setText(RecordLimit::clockText(m_elapsedSeconds));
    layoutTimePanel();
    if (ms >= RecordLimit::limitMs(m_maxMinutes)) {
        stop(true);
    }
}

void RecordingFlow::stop(bool byLimit) {
    if (m_state == OverlayWidget::Idle) {
        return;
    }
    m_state = OverlayWidget::Idle;
    if (m_timer) {
        m_timer->stop();
    }
    showIdleControls();
    const QString path = m_path;
    // The recording is stopped from the event queue; its file is judged once it is closed.
    QMetaObject::invokeMethod(
        this,
        [this, path, byLimit] {
            emit sigStopRecord();
            reportResult(path, byLimit);
        },
        Qt::QueuedConnection);
}

void RecordingFlow::reportResult(const QString& path, bool byLimit) {
    const QFileInfo file(path);
    if (!file.exists() || file.size() <= 0) {
        qWarning() << "OverlayWidget: recording missing or empty at stop:" << path;
        m_overlay->showToast(tr("录像失败：%1").arg(path), 2);
    } else if (byLimit) {
        m_overlay->showToast(tr("录像已达到最长时长，自动停止"), 1);
    } else {
        m_overlay->showToast(tr("录像成功：%1").arg(path), 1);
    }
}

void RecordingFlow::showIdleControls() {
    OverlayWidget* o = m_overlay;
    o->recordButton()->setEnabled(true);
    o->settingsButton()->show();
    o->fileButton()->show();
    o->captureButton()->show();
    o->recordButton()->show();
    o->featureButton()->setVisible(o->featureIconSet());
    o->exitButton()->show();
    o->stopButton()->hide();
    m_timePanel->hide();
    o->spinner()->hide();
    o->noticeLabel()->hide();
    m_elapsedSeconds = 0;
    m_timeLabel->setText("00:00:00");
    o->buttonBar()->setAttribute(Qt::WA_TransparentForMouseEvents, false);
}

void RecordingFlow::showRecordingControls() {
    OverlayWidget* o = m_overlay;
    m_elapsedSeconds = 0;
    m_timeLabel->setText("00:00:00");
    o->spinner()->hide();
    o->spinner()->stopAnimation();
    o->noticeLabel()->hide();
    o->settingsButton()->hide();
    o->fileButton()->hide();
    o->captureButton()->hide();
    o->recordButton()->hide();
    o->featureButton()->hide();
    o->exitButton()->hide();
    layoutStopButton();
    o->stopButton()->show();
    o->stopButton()->raise();
    m_timePanel->show();
    layoutTimePanel();
    o->buttonBar()->setAttribute(Qt::WA_TransparentForMouseEvents, true);
}

void RecordingFlow::relayout() {
    if (m_state == OverlayWidget::Starting) {
        layoutStartingFeedback();
    }
    if (m_state == OverlayWidget::Recording) {
        layoutTimePanel();
    }
    layoutStopButton();
}

void RecordingFlow::layoutStartingFeedback() {
    SvgSpinnerWidget* spinner = m_overlay->spinner();
    QLabel* notice = m_overlay->noticeLabel();
    m_overlay->centreAboveBar(spinner, m_overlay->buttonBar()->geometry().top(), scaled(12));
    notice->adjustSize();
    m_overlay->centreAboveBar(notice, spinner->y(), scaled(12));
    spinner->raise();
    notice->raise();
}

void RecordingFlow::layoutTimePanel() {
    m_timePanel->adjustSize();
    m_overlay->centreAboveBar(m_timePanel, m_overlay->buttonBar()->geometry().top(), scaled(12));
    m_timePanel->raise();
}

void RecordingFlow::layoutStopButton() {
    UniversalButton* stopBtn = m_overlay->stopButton();
    QRect stop = stopBtn->geometry();
    stop.moveCenter(m_overlay->buttonBar()->geometry().center());
    stopBtn->move(stop.topLeft());
}
