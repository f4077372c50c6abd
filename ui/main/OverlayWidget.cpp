#include "OverlayWidget.h"

#include <QApplication>
#include <QDebug>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <QTouchEvent>
#include <QWindow>

#include "AccessGesture.h"
#include "FeatureIcons.h"
#include "OverlayButtonBar.h"
#include "OverlayInfoColumn.h"
#include "PhotoShareManager.h"
#include "RecordingFlow.h"
#include "ShareDialog.h"
#include "SvgSpinnerWidget.h"
#include "ToastLabel.h"
#include "TranslucentWindowMask.h"
#include "UiScale.h"
#include "UniversalButton.h"
#include "VideoInfoTable.h"

OverlayWidget::OverlayWidget(QWidget* parent) : QWidget(parent) {
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_NativeWindow, true);
    setAttribute(Qt::WA_TranslucentBackground, true);
    setAttribute(Qt::WA_AcceptTouchEvents, true);
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(scaled(20), scaled(15), 0, scaled(20));
    grid->setSpacing(0);

    m_infoColumn = new OverlayInfoColumn(this);
    grid->addWidget(m_infoColumn, 0, 1, Qt::AlignTop | Qt::AlignRight);

    buildButtonBar();
    grid->addWidget(m_buttonBar, 1, 0, 1, 2);
    grid->setRowStretch(0, 1);
    grid->setRowStretch(1, 0);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    setMinimumSize(scaled(360), scaled(220));

    m_toast = new ToastLabel(this);
    m_toast->setMaxWidth(scaled(700));
    m_toast->hide();

    buildFeedback();
    m_recording = new RecordingFlow(this);
    connect(m_recording, &RecordingFlow::sigGetRecordParam, this, &OverlayWidget::sigGetRecordParam);
    connect(m_recording, &RecordingFlow::sigStartRecord, this, &OverlayWidget::sigStartRecord);
    connect(m_recording, &RecordingFlow::sigStopRecord, this, &OverlayWidget::sigStopRecord);
    m_gesture = new AccessGesture(this);
    connect(m_gesture, &AccessGesture::setSupportStream, this, &OverlayWidget::setSupportStream);
    connect(m_gesture, &AccessGesture::setSupportAdvanceXU, this, &OverlayWidget::setSupportAdvanceXU);
    connect(this, &OverlayWidget::sigCaptureFinished, this, &OverlayWidget::onCaptureFinished);
    m_shareManager = new PhotoShareManager(this);
    m_shareDialog = std::make_unique<ShareDialog>();
    connect(m_shareManager, &PhotoShareManager::sigShowQRCode, m_shareDialog.get(), &ShareDialog::showQRCode);
    connect(m_shareManager, &PhotoShareManager::sigError, this,
            [this](const QString& msg) { showToast(msg, 2); });
    // Without a compositor only the controls may cover the picture.
    TranslucentWindowMask::apply(this);
    qDebug() << "OverlayWidget ctor this =" << this;
}

OverlayWidget::~OverlayWidget() = default;

void OverlayWidget::buildButtonBar() {
    m_buttonBar = new OverlayButtonBar(this);
    m_settingsBtn = m_buttonBar->settingsButton();
    m_fileBtn = m_buttonBar->fileButton();
    m_captureBtn = m_buttonBar->captureButton();
    m_recordBtn = m_buttonBar->recordButton();
    m_exitBtn = m_buttonBar->exitButton();

    // The stop button is a child of the overlay, not of the bar: the bar ignores the mouse while recording.
    m_stopBtn =
        OverlayButtonBar::makeButton(":/icons/recordStop_normal.svg", ":/icons/recordStop_pressed.svg",
                                     ":/icons/recordStop_focus.svg", ":/icons/recordStop_disabled.svg", this);
    m_stopBtn->setObjectName("stopButton");
    m_stopBtn->resize(scaled(120), scaled(120));
    m_stopBtn->hide();

    connect(m_settingsBtn, &QPushButton::clicked, this, &OverlayWidget::settingsClicked);
    connect(m_fileBtn, &QPushButton::clicked, this, &OverlayWidget::sigOpenFile);
    connect(m_captureBtn, &QPushButton::clicked, this, &OverlayWidget::onCaptureClicked);
    connect(m_exitBtn, &QPushButton::clicked, qApp, &QCoreApplication::quit);
}

void OverlayWidget::buildFeedback() {
    m_countdownLabel = new QLabel(this);
    m_countdownLabel->setObjectName("countdownLabel");
    m_countdownLabel->setAlignment(Qt::AlignCenter);
    m_countdownLabel->setStyleSheet(R"(
    QLabel {
        color: #FF8B59;
        font-weight: bold;
    }
)");
    m_countdownLabel->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    m_countdownLabel->hide();
    m_countdownTimer = new QTimer(this);
    m_countdownTimer->setInterval(1000);
    connect(m_countdownTimer, &QTimer::timeout, this, &OverlayWidget::onCountdownTick);

    m_noticeLabel = new QLabel(tr("开始录像，本次录像的最高时长为1分钟"), this);
    m_noticeLabel->setObjectName("noticeLabel");
    m_noticeLabel->setStyleSheet(captionStyleSheet(14));
    m_noticeLabel->hide();

    m_spinner = new SvgSpinnerWidget(":/icons/loader.svg", this);
    m_spinner->setFixedSize(scaled(60), scaled(60));
    m_spinner->hide();
}

QString OverlayWidget::captionStyleSheet(int fontPixels) {
    return QStringLiteral(R"(
        QLabel {
            color: white;
            background-color: rgba(0, 0, 0, 0.4);
            border-radius: 6px;
            padding: 6px 12px;
            font-size: %1px;
        }
    )")
        .arg(fontPixels);
}

void OverlayWidget::centreAboveBar(QWidget* widget, int bottom, int gap) const {
    widget->move(m_buttonBar->geometry().center().x() - widget->width() / 2, bottom - widget->height() - gap);
}

// ---------------------------------------------------------------------------------------------
// Following the video widget

void OverlayWidget::attachVideoWidget(QWidget* video) {
    if (!video) {
        return;
    }
    if (m_video) {
        m_video->removeEventFilter(this);
    }
    m_video = video;
    m_video->installEventFilter(this);
    m_gesture->setVideo(video);
    alignToVideo();
    show();
}

void OverlayWidget::alignToVideo() {
    if (!m_video) {
        return;
    }
    // Put the overlay's window on the screen that shows the video before moving it there.
    QWindow* videoWindow = m_video->window()->windowHandle();
    if (videoWindow && videoWindow->screen() && windowHandle() &&
        windowHandle()->screen() != videoWindow->screen()) {
        windowHandle()->setScreen(videoWindow->screen());
    }
    const QPoint topLeft = m_video->mapToGlobal(QPoint(0, 0));
    if (pos() != topLeft) {
        move(topLeft);
    }
    if (size() != m_video->size()) {
        resize(m_video->size());
    }
}

bool OverlayWidget::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_video) {
        switch (event->type()) {
            case QEvent::Move:
            case QEvent::Resize:
            case QEvent::Show:
                alignToVideo();
                if (event->type() == QEvent::Show) {
                    show();
                }
                break;
            case QEvent::Hide:
                hide();
                break;
            case QEvent::MouseButtonRelease: {
                auto* mouse = static_cast<QMouseEvent*>(event);
                if (mouse->button() == Qt::LeftButton) {
                    countHotAreaClick(mouse->globalPos());
                }
                break;
            }
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void OverlayWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_countdownLabel->setGeometry(rect());
    m_recording->relayout();
}

bool OverlayWidget::event(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::TouchBegin) {
        return QWidget::event(event);
    }
    QPoint pos;
    QPoint globalPos;
    if (type == QEvent::TouchBegin) {
        const auto* touch = static_cast<QTouchEvent*>(event);
        if (touch->touchPoints().isEmpty()) {
            return QWidget::event(event);
        }
        pos = touch->touchPoints().first().pos().toPoint();
        globalPos = touch->touchPoints().first().screenPos().toPoint();
    } else {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        pos = mouse->localPos().toPoint();
        globalPos = mouse->screenPos().toPoint();
    }
    if (QWidget* child = childAt(pos)) {
        qDebug() << "Clicked on child:" << child->objectName();
        return QWidget::event(event);
    }
    qDebug() << "Clicked on empty space, ignoring event to pass through";
    if (type == QEvent::MouseButtonRelease) {
        countHotAreaClick(globalPos);
    }
    event->ignore();
    return false;
}

// ---------------------------------------------------------------------------------------------
// Information table, date, feature icon, toast

void OverlayWidget::showInfoPanel() {
    m_infoColumn->showInfoPanel();
}

void OverlayWidget::showDateLabel(bool show) {
    m_dateWatermarkOn = show;
    m_infoColumn->showDateLabel(show);
}

void OverlayWidget::setShowOverlayInfo(bool show) {
    m_infoColumn->setShowOverlayInfo(show);
}

void OverlayWidget::setStreamCount(int n) {
    qDebug() << "OverlayWidget::setStreamCount =" << n;
    m_infoColumn->setStreamCount(n);
}

void OverlayWidget::onVideoInfo(int streamID, QString info) {
    if (m_infoColumn->updateStream(streamID, info)) {
        m_buttonBar->raise();
    }
}

void OverlayWidget::setVideoInfo(QVector<QString> info) {
    m_infoColumn->setVideoInfo(info);
}

VideoInfoTable* OverlayWidget::infoPanel() const {
    return m_infoColumn->infoPanel();
}

QLabel* OverlayWidget::dateLabel() const {
    return m_infoColumn->dateLabel();
}

void OverlayWidget::setimageControlIcon(int code) {
    qDebug() << "OverlayWidget::setimageControlIcon:" << code;
    if (!FeatureIcons::hasIcon(code)) {
        featureButton()->hide();
        m_featureIconSet = false;
        return;
    }
    m_buttonBar->setFeatureIcon(FeatureIcons::path(code));
    m_featureIconSet = true;
    // While recording the bar is replaced by the stop button; the icon returns with the idle controls.
    if (m_recording->state() != Recording) {
        featureButton()->show();
        featureButton()->raise();
    }
    qDebug() << "visible =" << featureButton()->isVisible();
}

void OverlayWidget::showToast(const QString& text, int type) {
    if (!m_buttonBar || !m_toast) {
        return;
    }
    m_toast->showMessage(text, type, 2000);
    centreAboveBar(m_toast, m_buttonBar->geometry().top(), scaled(12));
    m_toast->raise();
}

// ---------------------------------------------------------------------------------------------
// Recording flow

void OverlayWidget::setRecordParam(const QString& path, int minutes) {
    m_recording->setParam(path, minutes);
}

void OverlayWidget::recordStartFailed() {
    m_recording->startFailed();
}

void OverlayWidget::recordFailed(const QString& reason, qint64 keptMs) {
    m_recording->failed(reason, keptMs);
}

void OverlayWidget::setCaptureFailureReason(const QString& path, const QString& reason) {
    m_captureFailureReasons.insert(path, reason);
}

void OverlayWidget::setRecordState(RecordState state) {
    m_recording->setState(state);
}

void OverlayWidget::stopRecording(bool byLimit) {
    m_recording->stop(byLimit);
}

void OverlayWidget::onRecordTick() {
    m_recording->tick();
}

OverlayWidget::RecordState OverlayWidget::recordState() const {
    return m_recording->state();
}

QString OverlayWidget::recordPath() const {
    return m_recording->path();
}

int OverlayWidget::recordMinutes() const {
    return m_recording->minutes();
}

void OverlayWidget::setRecordClock(std::function<qint64()> clock) {
    m_recording->setClock(std::move(clock));
}

void OverlayWidget::setRecordStartDelay(int ms) {
    m_recording->setStartDelay(ms);
}

QLabel* OverlayWidget::timeLabel() const {
    return m_recording->timeLabel();
}

QWidget* OverlayWidget::timePanel() const {
    return m_recording->timePanel();
}

// ---------------------------------------------------------------------------------------------
// Hidden gesture

QRect OverlayWidget::videoTopRightHotArea() const {
    return m_gesture->hotArea();
}

void OverlayWidget::countHotAreaClick(const QPoint& globalPos) {
    m_gesture->countClick(globalPos);
}

void OverlayWidget::showStreamInputDialog() {
    m_gesture->runDialog();
}

int OverlayWidget::secretClickCount() const {
    return m_gesture->clickCount();
}

bool OverlayWidget::supportStream() const {
    return m_gesture->supportStream();
}

bool OverlayWidget::supportAdvanceXU() const {
    return m_gesture->supportAdvanceXU();
}

OnScreenKeyboard* OverlayWidget::onScreenKeyboard() const {
    return m_gesture->keyboard();
}

UniversalButton* OverlayWidget::featureButton() const {
    return m_buttonBar->featureButton();
}

QWidget* OverlayWidget::buttonBar() const {
    return m_buttonBar;
}
