#include "OverlayWidget.h"

#include <QApplication>
#include <QDateTime>
#include <QDebug>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QTouchEvent>
#include <QVBoxLayout>
#include <QWindow>

#include "FeatureIcons.h"
#include "OnScreenKeyboard.h"
#include "PhotoStamper.h"
#include "RecordLimit.h"
#include "StreamPasswordDialog.h"
#include "SvgIconLabel.h"
#include "SvgSpinnerWidget.h"
#include "ToastLabel.h"
#include "UiScale.h"
#include "UniversalButton.h"
#include "VideoInfoTable.h"

namespace {
const char* const kDateFormat = "yyyy/MM/dd HH:mm:ss";
const char* const kMultiStreamCode = "481526";
const char* const kAdvancedCode = "735094";
const int kMaxStreams = 3;
const int kHotAreaSize = 50;
const int kSecretClicks = 6;
}  // namespace

OverlayWidget::OverlayWidget(QWidget* parent) : QWidget(parent), m_infoStrings(kMaxStreams) {
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

    m_infoColumn = new QWidget(this);
    auto* column = new QVBoxLayout(m_infoColumn);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    m_dateLabel = new QLabel(m_infoColumn);
    m_dateLabel->setStyleSheet(QString(R"(
    QLabel {
        color: white;
        border-radius: 6px;
        padding: 6px 12px;
        font-size: %1px;
    }
)")
                                   .arg(scaled(30)));
    m_dateLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_dateLabel->hide();
    column->addWidget(m_dateLabel, 0, Qt::AlignRight);
    m_infoPanel = new VideoInfoTable(m_infoColumn);
    m_infoPanel->hide();
    column->addWidget(m_infoPanel, 0, Qt::AlignRight);
    m_dateTimer = new QTimer(this);
    connect(m_dateTimer, &QTimer::timeout, this,
            [this] { m_dateLabel->setText(QDateTime::currentDateTime().toString(kDateFormat)); });
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
    m_keyboard = new OnScreenKeyboard(this);
    connect(this, &OverlayWidget::sigCaptureFinished, this, &OverlayWidget::onCaptureFinished);
    qDebug() << "OverlayWidget ctor this =" << this;
}

OverlayWidget::~OverlayWidget() = default;

UniversalButton* OverlayWidget::makeButton(const QString& normal, const QString& pressed,
                                           const QString& focus, const QString& disabled, QWidget* parent) {
    auto* button = UniversalButton::createIconButton(normal, QSize(scaled(120), scaled(120)), parent);
    button->setIcons(normal, QString(), pressed, QString(), disabled);
    button->setFocusIcon(focus);
    return button;
}

void OverlayWidget::buildButtonBar() {
    m_buttonBar = new QWidget(this);
    m_buttonBar->setObjectName("buttonBar");
    m_buttonBar->setFixedHeight(scaled(120));
    auto* bar = new QGridLayout(m_buttonBar);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->setSpacing(0);

    auto* left = new QHBoxLayout();
    auto* centre = new QHBoxLayout();
    auto* right = new QHBoxLayout();
    for (QHBoxLayout* group : {left, centre, right}) {
        group->setContentsMargins(0, 0, 0, 0);
        group->setSpacing(0);
    }
    m_settingsBtn = makeButton(":/icons/setting_normal.svg", ":/icons/setting_pressed.svg",
                               ":/icons/setting_focus.svg", ":/icons/setting_disabled.svg", m_buttonBar);
    m_settingsBtn->setObjectName("settingsButton");
    m_fileBtn = makeButton(":/icons/file_normal.svg", ":/icons/file_pressed.svg", ":/icons/file_focus.svg",
                           ":/icons/file_disabled.svg", m_buttonBar);
    m_fileBtn->setObjectName("fileButton");
    m_captureBtn = makeButton(":/icons/capture_normal.svg", ":/icons/capture_pressed.svg",
                              ":/icons/capture_focus.svg", ":/icons/capture_disabled.svg", m_buttonBar);
    m_captureBtn->setObjectName("captureButton");
    m_recordBtn = makeButton(":/icons/record_normal.svg", ":/icons/record_pressed.svg",
                             ":/icons/record_focus.svg", ":/icons/record_disabled.svg", m_buttonBar);
    m_recordBtn->setObjectName("recordButton");
    m_featureBtn = makeButton(":/icons/setting_normal.svg", ":/icons/setting_pressed.svg",
                              ":/icons/setting_focus.svg", ":/icons/setting_disabled.svg", m_buttonBar);
    m_featureBtn->setObjectName("featureButton");
    m_featureBtn->hide();
    m_exitBtn = makeButton(":/icons/exit_normal.svg", ":/icons/exit_pressed.svg", ":/icons/exit_pressed.svg",
                           ":/icons/exit_disabled.svg", m_buttonBar);
    m_exitBtn->setObjectName("exitButton");

    left->addWidget(m_settingsBtn);
    left->addWidget(m_fileBtn);
    centre->addWidget(m_captureBtn);
    centre->addWidget(m_recordBtn);
    centre->addWidget(m_featureBtn);
    right->addWidget(m_exitBtn);
    bar->addLayout(left, 0, 0, Qt::AlignLeft | Qt::AlignVCenter);
    bar->addLayout(centre, 0, 1, Qt::AlignCenter);
    bar->addLayout(right, 0, 2, Qt::AlignRight | Qt::AlignVCenter);
    bar->setColumnStretch(0, 1);
    bar->setColumnStretch(1, 0);
    bar->setColumnStretch(2, 1);

    // The stop button is a child of the overlay, not of the bar: the bar ignores the mouse while recording.
    m_stopBtn = makeButton(":/icons/recordStop_normal.svg", ":/icons/recordStop_pressed.svg",
                           ":/icons/recordStop_focus.svg", ":/icons/recordStop_disabled.svg", this);
    m_stopBtn->setObjectName("stopButton");
    m_stopBtn->resize(scaled(120), scaled(120));
    m_stopBtn->hide();

    connect(m_settingsBtn, &QPushButton::clicked, this, &OverlayWidget::settingsClicked);
    connect(m_fileBtn, &QPushButton::clicked, this, &OverlayWidget::sigOpenFile);
    connect(m_captureBtn, &QPushButton::clicked, this, &OverlayWidget::onCaptureClicked);
    connect(m_recordBtn, &QPushButton::clicked, this, &OverlayWidget::onRecordClicked);
    connect(m_stopBtn, &QPushButton::clicked, this, &OverlayWidget::onStopClicked);
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
    m_noticeLabel->setStyleSheet(R"(
        QLabel {
            color: white;
            background-color: rgba(0, 0, 0, 0.4);
            border-radius: 6px;
            padding: 6px 12px;
            font-size: 14px;
        }
    )");
    m_noticeLabel->hide();

    m_spinner = new SvgSpinnerWidget(":/icons/loader.svg", this);
    m_spinner->setFixedSize(scaled(60), scaled(60));
    m_spinner->hide();

    m_timePanel = new QWidget(this);
    m_timePanel->setObjectName("timePanel");
    auto* timeLayout = new QHBoxLayout(m_timePanel);
    timeLayout->setContentsMargins(0, 0, 0, 0);
    timeLayout->setSpacing(scaled(6));
    auto* volume = new SvgIconLabel(":/icons/volume1.svg", m_timePanel);
    volume->setIconSize(QSize(scaled(24), scaled(24)));
    timeLayout->addWidget(volume);
    m_timeLabel = new QLabel("00:00:00", m_timePanel);
    m_timeLabel->setObjectName("timeLabel");
    m_timeLabel->setStyleSheet(R"(
        QLabel {
            color: white;
            background-color: rgba(0, 0, 0, 0.4);
            border-radius: 6px;
            padding: 6px 12px;
            font-size: 12px;
        }
    )");
    timeLayout->addWidget(m_timeLabel);
    m_timePanel->hide();
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
    if (m_recordState == Starting) {
        layoutStartingFeedback();
    }
    if (m_recordState == Recording) {
        layoutTimePanel();
    }
    layoutStopButton();
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
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        m_infoPanel->setMaximumWidth(int(screen->availableGeometry().width() * 0.8));
    }
    m_infoPanel->show();
    m_infoPanel->adjustSize();
}

void OverlayWidget::showDateLabel(bool show) {
    if (!m_dateLabel) {
        return;
    }
    m_dateLabel->setText(QDateTime::currentDateTime().toString(kDateFormat));
    m_dateTimer->start(1000);
    m_dateLabel->setVisible(show);
    m_infoColumn->updateGeometry();
    m_infoColumn->adjustSize();
}

void OverlayWidget::setShowOverlayInfo(bool show) {
    m_showOverlayInfo = show;
    m_infoPanel->setVisible(show);
}

void OverlayWidget::setStreamCount(int n) {
    qDebug() << "OverlayWidget::setStreamCount =" << n;
    m_streamCount = n;
    for (int i = qMax(0, n); i < m_infoStrings.size(); ++i) {
        m_infoStrings[i].clear();
    }
    setVideoInfo(m_infoStrings);
}

void OverlayWidget::onVideoInfo(int streamID, QString info) {
    if (!m_showOverlayInfo) {
        return;
    }
    // One update per 100 ms for all streams together: the video reports every frame.
    if (m_infoThrottle.isValid() && m_infoThrottle.elapsed() < 100) {
        return;
    }
    if (streamID < 0 || streamID >= m_infoStrings.size() || streamID >= m_streamCount) {
        return;
    }
    m_infoStrings[streamID] = info;
    m_infoPanel->show();
    setVideoInfo(m_infoStrings);
    m_buttonBar->raise();
    m_infoThrottle.restart();
}

void OverlayWidget::setVideoInfo(QVector<QString> info) {
    m_infoPanel->setInfo(info, m_streamCount);
}

void OverlayWidget::replaceFeatureButton() {
    // A button shown without an image: a fresh one, since an icon once loaded stays drawn.
    auto* fresh = UniversalButton::createIconButton(QString(), QSize(scaled(120), scaled(120)), m_buttonBar);
    fresh->setObjectName("featureButton");
    if (QLayoutItem* item =
            m_buttonBar->layout()->replaceWidget(m_featureBtn, fresh, Qt::FindChildrenRecursively)) {
        delete item;
    }
    m_featureBtn->deleteLater();
    m_featureBtn->hide();
    m_featureBtn = fresh;
}

void OverlayWidget::setimageControlIcon(int code) {
    qDebug() << "OverlayWidget::setimageControlIcon:" << code;
    if (!FeatureIcons::hasIcon(code)) {
        m_featureBtn->hide();
        m_featureIconSet = false;
        return;
    }
    const QString path = FeatureIcons::path(code);
    if (path.isEmpty()) {
        replaceFeatureButton();
    } else {
        m_featureBtn->setIcons(path, path, path, path, path);
        m_featureBtn->setFocusIcon(path);
    }
    m_featureIconSet = true;
    // While recording the bar is replaced by the stop button; the icon returns with the idle controls.
    if (m_recordState != Recording) {
        m_featureBtn->show();
        m_featureBtn->raise();
    }
    qDebug() << "visible =" << m_featureBtn->isVisible();
}

void OverlayWidget::showToast(const QString& text, int type) {
    if (!m_buttonBar || !m_toast) {
        return;
    }
    m_toast->showMessage(text, type, 2000);
    const QRect bar = m_buttonBar->geometry();
    m_toast->move(bar.center().x() - m_toast->width() / 2, bar.top() - m_toast->height() - scaled(12));
    m_toast->raise();
}

// ---------------------------------------------------------------------------------------------
// Photo flow

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
    const QRect bar = m_buttonBar->geometry();
    m_noticeLabel->adjustSize();
    m_noticeLabel->move(bar.center().x() - m_noticeLabel->width() / 2,
                        bar.top() - m_noticeLabel->height() - scaled(30));
    m_spinner->move(bar.center().x() - m_spinner->width() / 2,
                    m_noticeLabel->y() - m_spinner->height() - scaled(60));
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

QString OverlayWidget::stampText() const {
    // The live date label's text; before the label has ever been switched on it has none, and
    // the photo still gets the time it was taken rather than an empty box.
    const QString text = m_dateLabel->text();
    return text.isEmpty() ? QDateTime::currentDateTime().toString(kDateFormat) : text;
}

void OverlayWidget::onCaptureFinished(bool success, const QString& path) {
    bool saved = success;
    if (success) {
        const PhotoStamper::Result result = PhotoStamper::stampFile(path, stampText(), m_dateLabel->font(),
                                                                    m_stampInitialWaitMs, m_stampPollMs);
        // A photo that vanished or cannot be decoded is not a photo taken.
        saved = result != PhotoStamper::Missing && result != PhotoStamper::Undecodable;
    }
    if (saved) {
        showToast(tr("拍照成功：%1").arg(path), 1);
    } else {
        showToast(tr("拍照失败：%1").arg(path), 1);
    }
    m_noticeLabel->hide();
    m_spinner->hide();
    m_spinner->stopAnimation();
    qDebug("OverlayWidget::sigCaptureFinished m_scanCaptureEnabled:%d\n", m_scanCaptureEnabled);
}

// ---------------------------------------------------------------------------------------------
// Recording flow

void OverlayWidget::setRecordParam(const QString& path, int minutes) {
    m_recordPath = path;
    m_maxMinutes = minutes;
    m_noticeLabel->setText(tr("开始录像，本次录像的最高时长为%1分钟").arg(minutes));
}

void OverlayWidget::setRecordClock(std::function<qint64()> clock) {
    m_clock = std::move(clock);
}

void OverlayWidget::onRecordClicked() {
    if (m_recordState != Idle) {
        return;
    }
    m_recordStartFailed = false;
    emit sigGetRecordParam();
    if (m_recordStartFailed) {
        return;  // already back in idle with the failure shown
    }
    setRecordState(Starting);
    const int attempt = ++m_recordAttempt;
    QTimer::singleShot(m_recordStartDelayMs, this, [this, attempt] {
        if (attempt == m_recordAttempt && m_recordState == Starting) {
            setRecordState(Recording);
        }
    });
}

void OverlayWidget::onStopClicked() {
    if (m_recordState == Recording) {
        setRecordState(Stopping);
    }
}

void OverlayWidget::recordStartFailed() {
    m_recordStartFailed = true;
    ++m_recordAttempt;
    if (m_recordState != Idle) {
        m_recordState = Idle;
        if (m_recordTimer) {
            m_recordTimer->stop();
        }
    }
    showIdleControls();
    m_spinner->hide();
    m_noticeLabel->hide();
    showToast(tr("录像失败：%1").arg(m_recordPath), 2);
}

void OverlayWidget::setRecordState(RecordState state) {
    if (state == m_recordState) {
        return;
    }
    m_recordState = state;
    switch (state) {
        case Starting:
            m_recordBtn->setEnabled(false);
            m_spinner->show();
            m_spinner->startAnimation();
            m_noticeLabel->adjustSize();
            m_noticeLabel->show();
            layoutStartingFeedback();
            break;
        case Idle:
            if (m_recordTimer) {
                m_recordTimer->stop();
            }
            showIdleControls();
            break;
        case Recording:
            showRecordingControls();
            m_elapsed.start();
            if (!m_recordTimer) {
                m_recordTimer = new QTimer(this);
                connect(m_recordTimer, &QTimer::timeout, this, &OverlayWidget::onRecordTick);
            }
            m_recordTimer->start(1000);
            emit sigStartRecord(m_recordPath);
            break;
        case Stopping:
            stopRecording(false);
            break;
    }
}

void OverlayWidget::onRecordTick() {
    if (m_recordState != Recording) {
        return;
    }
    const qint64 ms = m_clock ? m_clock() : m_elapsed.elapsed();
    m_elapsedSeconds = int(ms / 1000);
    m_timeLabel->setText(RecordLimit::clockText(m_elapsedSeconds));
    layoutTimePanel();
    if (ms >= RecordLimit::limitMs(m_maxMinutes)) {
        stopRecording(true);
    }
}

void OverlayWidget::stopRecording(bool byLimit) {
    if (m_recordState == Idle) {
        return;
    }
    m_recordState = Idle;
    if (m_recordTimer) {
        m_recordTimer->stop();
    }
    showIdleControls();
    const QString path = m_recordPath;
    // The recording is stopped from the event queue; its file is judged once it is closed.
    QMetaObject::invokeMethod(
        this,
        [this, path, byLimit] {
            emit sigStopRecord();
            reportRecordResult(path, byLimit);
        },
        Qt::QueuedConnection);
}

void OverlayWidget::reportRecordResult(const QString& path, bool byLimit) {
    const QFileInfo file(path);
    if (!file.exists() || file.size() <= 0) {
        qWarning() << "OverlayWidget: recording missing or empty at stop:" << path;
        showToast(tr("录像失败：%1").arg(path), 2);
    } else if (byLimit) {
        showToast(tr("录像已达到最长时长，自动停止"), 1);
    } else {
        showToast(tr("录像成功：%1").arg(path), 1);
    }
}

void OverlayWidget::showIdleControls() {
    m_recordBtn->setEnabled(true);
    m_settingsBtn->show();
    m_fileBtn->show();
    m_captureBtn->show();
    m_recordBtn->show();
    m_featureBtn->setVisible(m_featureIconSet);
    m_exitBtn->show();
    m_stopBtn->hide();
    m_timePanel->hide();
    m_spinner->hide();
    m_noticeLabel->hide();
    m_elapsedSeconds = 0;
    m_timeLabel->setText("00:00:00");
    m_buttonBar->setAttribute(Qt::WA_TransparentForMouseEvents, false);
}

void OverlayWidget::showRecordingControls() {
    m_elapsedSeconds = 0;
    m_timeLabel->setText("00:00:00");
    m_spinner->hide();
    m_spinner->stopAnimation();
    m_noticeLabel->hide();
    m_settingsBtn->hide();
    m_fileBtn->hide();
    m_captureBtn->hide();
    m_recordBtn->hide();
    m_featureBtn->hide();
    m_exitBtn->hide();
    layoutStopButton();
    m_stopBtn->show();
    m_stopBtn->raise();
    m_timePanel->show();
    layoutTimePanel();
    m_buttonBar->setAttribute(Qt::WA_TransparentForMouseEvents, true);
}

void OverlayWidget::layoutStartingFeedback() {
    const QRect bar = m_buttonBar->geometry();
    m_spinner->move(bar.center().x() - m_spinner->width() / 2, bar.top() - m_spinner->height() - scaled(12));
    m_noticeLabel->adjustSize();
    m_noticeLabel->move(bar.center().x() - m_noticeLabel->width() / 2,
                        m_spinner->y() - m_noticeLabel->height() - scaled(12));
    m_spinner->raise();
    m_noticeLabel->raise();
}

void OverlayWidget::layoutTimePanel() {
    const QRect bar = m_buttonBar->geometry();
    m_timePanel->adjustSize();
    m_timePanel->move(bar.center().x() - m_timePanel->width() / 2,
                      bar.top() - m_timePanel->height() - scaled(12));
    m_timePanel->raise();
}

void OverlayWidget::layoutStopButton() {
    QRect stop = m_stopBtn->geometry();
    stop.moveCenter(m_buttonBar->geometry().center());
    m_stopBtn->move(stop.topLeft());
}

// ---------------------------------------------------------------------------------------------
// Hidden gesture

QRect OverlayWidget::videoTopRightHotArea() const {
    if (!m_video) {
        return QRect(QPoint(0, 0), QPoint(-1, -1));
    }
    const QPoint g = m_video->mapToGlobal(QPoint(0, 0));
    const int w = m_video->width();
    return QRect(QPoint(g.x() + w - kHotAreaSize, g.y()), QPoint(g.x() + w - 1, g.y() + kHotAreaSize - 1));
}

void OverlayWidget::countHotAreaClick(const QPoint& globalPos) {
    if (!m_video) {
        return;
    }
    if (!videoTopRightHotArea().contains(globalPos)) {
        qDebug("***********m_secretClickCount:!videoTopRightHotArea().contains(globalPos)\n");
        return;
    }
    qDebug("***********m_secretClickCount:%d\n", m_secretClickCount);
    ++m_secretClickCount;
    if (m_secretClickCount >= kSecretClicks) {
        m_secretClickCount = 0;
        QMetaObject::invokeMethod(this, &OverlayWidget::showStreamInputDialog, Qt::QueuedConnection);
    }
}

void OverlayWidget::showStreamInputDialog() {
    qDebug() << "OverlayWidget::showStreamInputDialog start";
    StreamPasswordDialog dialog(this);
    QPointer<StreamPasswordDialog> open(&dialog);
    QTimer::singleShot(100, m_keyboard, [this, open] {
        if (open && open->isVisible()) {
            m_keyboard->start();
        }
    });
    const int result = dialog.exec();
    // The keyboard belongs to the dialog: it goes when the dialog closes, whatever the answer.
    m_keyboard->stop();
    if (result != QDialog::Accepted) {
        return;
    }
    const QString code = dialog.password();
    if (code == QLatin1String(kMultiStreamCode)) {
        m_bSupportStream = true;
        emit setSupportStream(true);
    } else if (code == QLatin1String(kAdvancedCode)) {
        m_bSupportAdvanceXU = true;
        emit setSupportAdvanceXU(true);
    } else {
        QMessageBox::warning(this, tr("提示"), tr("密码错误，当前不支持多流"), QMessageBox::Ok);
        m_bSupportStream = false;
        m_bSupportAdvanceXU = false;
    }
}
