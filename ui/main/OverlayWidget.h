#ifndef CORVIX_OVERLAY_WIDGET_H
#define CORVIX_OVERLAY_WIDGET_H

#include <QHash>
#include <QPointer>
#include <QRect>
#include <QVector>
#include <QWidget>
#include <functional>
#include <memory>

class QLabel;
class QTimer;
class AccessGesture;
class OnScreenKeyboard;
class OverlayButtonBar;
class OverlayInfoColumn;
class PhotoShareManager;
class RecordingFlow;
class ShareDialog;
class SvgSpinnerWidget;
class ToastLabel;
class UniversalButton;
class VideoInfoTable;

// The translucent control layer floating over the main video: the button bar (settings, folder,
// photo, record, active feature, exit), the stream information table and live date at the top
// right, and the feedback of the photo and recording flows. It is its own frameless, stay-on-top
// tool window that follows the geometry of the video widget it is attached to.
class OverlayWidget : public QWidget {
    Q_OBJECT

public:
    enum RecordState { Idle = 0, Starting = 1, Recording = 2, Stopping = 3 };
    Q_ENUM(RecordState)

    explicit OverlayWidget(QWidget* parent = nullptr);
    ~OverlayWidget() override;

    void attachVideoWidget(QWidget* video);
    QWidget* attachedVideoWidget() const { return m_video; }

    void showInfoPanel();
    void showDateLabel(bool show);
    // The date watermark switch: the live date label shows; the camera core stamps the photos.
    bool dateWatermarkOn() const { return m_dateWatermarkOn; }
    void setShowOverlayInfo(bool show);
    void setStreamCount(int n);
    void setimageControlIcon(int code);
    void showToast(const QString& text, int type = 1);
    // The look of the overlay's captions (notices, the recording clock): white on dark glass.
    static QString captionStyleSheet(int fontPixels);
    // Moves widget to the button bar's centre line, its bottom edge gap pixels above y = bottom.
    void centreAboveBar(QWidget* widget, int bottom, int gap) const;

    // Photo flow.
    void setDelayCaptureEnabled(bool on) { m_delayCaptureEnabled = on; }
    // Share each successful photo as a QR code; says so when no share server is configured.
    void setScanCaptureEnabled(bool on);
    PhotoShareManager* shareManager() const { return m_shareManager; }
    ShareDialog* shareDialog() const { return m_shareDialog.get(); }
    void startCountdown(int n);
    // Pauses of the saved-photo check: the first wait and the size poll interval (ms).
    void setStampTimings(int initialWaitMs, int pollMs);

    // Recording flow.
    void setRecordParam(const QString& path, int minutes);
    // The recording asked for by sigGetRecordParam could not be started: back to idle at once.
    void recordStartFailed();
    // The running recording ended on a failure: reason for the user, keptMs in its file.
    void recordFailed(const QString& reason, qint64 keptMs);
    // Why the photo at path failed, told with its sigCaptureFinished(false, path).
    void setCaptureFailureReason(const QString& path, const QString& reason);
    void setRecordState(RecordState state);
    void stopRecording(bool byLimit);
    RecordState recordState() const;
    QString recordPath() const;
    int recordMinutes() const;
    // Elapsed milliseconds of the running recording; replaceable for tests.
    void setRecordClock(std::function<qint64()> clock);
    void setRecordStartDelay(int ms);

    // Hidden gesture.
    QRect videoTopRightHotArea() const;
    void countHotAreaClick(const QPoint& globalPos);
    int secretClickCount() const;
    bool supportStream() const;
    bool supportAdvanceXU() const;
    OnScreenKeyboard* onScreenKeyboard() const;

    // Parts, for the main window's layout and for tests.
    QWidget* buttonBar() const;
    UniversalButton* settingsButton() const { return m_settingsBtn; }
    UniversalButton* fileButton() const { return m_fileBtn; }
    UniversalButton* captureButton() const { return m_captureBtn; }
    UniversalButton* recordButton() const { return m_recordBtn; }
    UniversalButton* featureButton() const;
    UniversalButton* exitButton() const { return m_exitBtn; }
    UniversalButton* stopButton() const { return m_stopBtn; }
    VideoInfoTable* infoPanel() const;
    QLabel* dateLabel() const;
    QLabel* countdownLabel() const { return m_countdownLabel; }
    QLabel* noticeLabel() const { return m_noticeLabel; }
    QLabel* timeLabel() const;
    QWidget* timePanel() const;
    SvgSpinnerWidget* spinner() const { return m_spinner; }
    ToastLabel* toast() const { return m_toast; }
    bool featureIconSet() const { return m_featureIconSet; }
    int countdownValue() const { return m_countdownValue; }

signals:
    void settingsClicked();
    void sigOpenFile();
    void setSupportStream(bool enable);
    void setSupportAdvanceXU(bool enable);
    void sigStartRecord(QString path);
    void sigStopRecord();
    void sigCapture();
    void sigGetRecordParam();
    void sigCaptureFinished(bool success, QString path);

public slots:
    void setVideoInfo(QVector<QString> info);
    void onVideoInfo(int streamID, QString info);
    void onCountdownTick();
    void onRecordTick();
    void showStreamInputDialog();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildButtonBar();
    void buildFeedback();
    void alignToVideo();

    void onCaptureClicked();
    void onCaptureFinished(bool success, const QString& path);
    void beginCaptureFeedback();
    void layoutCaptureFeedback();

    QPointer<QWidget> m_video;

    OverlayInfoColumn* m_infoColumn = nullptr;

    // Buttons.
    OverlayButtonBar* m_buttonBar = nullptr;
    UniversalButton* m_settingsBtn = nullptr;
    UniversalButton* m_fileBtn = nullptr;
    UniversalButton* m_captureBtn = nullptr;
    UniversalButton* m_recordBtn = nullptr;
    UniversalButton* m_exitBtn = nullptr;
    UniversalButton* m_stopBtn = nullptr;
    bool m_featureIconSet = false;
    ToastLabel* m_toast = nullptr;

    // Photo flow.
    bool m_delayCaptureEnabled = false;
    bool m_scanCaptureEnabled = false;
    int m_countdownValue = 0;
    QTimer* m_countdownTimer = nullptr;
    QLabel* m_countdownLabel = nullptr;
    QLabel* m_noticeLabel = nullptr;
    SvgSpinnerWidget* m_spinner = nullptr;
    QHash<QString, QString> m_captureFailureReasons;
    int m_stampInitialWaitMs = 500;
    int m_stampPollMs = 100;
    bool m_dateWatermarkOn = false;

    RecordingFlow* m_recording = nullptr;
    AccessGesture* m_gesture = nullptr;

    // Sharing: the dialog is a top-level window of its own, reused for every share.
    PhotoShareManager* m_shareManager = nullptr;
    std::unique_ptr<ShareDialog> m_shareDialog;
};

#endif
