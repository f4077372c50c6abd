#ifndef CORVIX_RECORDING_FLOW_H
#define CORVIX_RECORDING_FLOW_H

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <functional>

#include "OverlayWidget.h"

class QLabel;
class QTimer;
class QWidget;

// The overlay's recording flow: idle, starting (spinner and notice for the start delay),
// recording (stop button and running clock, stopped at the limit), and back to idle with a toast
// on the recorded file. It drives the overlay's buttons and owns the clock panel above the bar.
class RecordingFlow : public QObject {
    Q_OBJECT

public:
    using State = OverlayWidget::RecordState;

    // Builds the clock panel on the overlay and takes over its record and stop buttons.
    explicit RecordingFlow(OverlayWidget* overlay);

    void setParam(const QString& path, int minutes);
    // The recording asked for by sigGetRecordParam could not be started: back to idle at once.
    void startFailed();
    // The running recording ended on a failure (disk full, ...): back to idle, telling the reason
    // and how much the file kept.
    void failed(const QString& reason, qint64 keptMs);
    void setState(State state);
    void stop(bool byLimit);
    // One second of the clock; stops the recording at its limit.
    void tick();
    // Places the flow's feedback again after the overlay changed size.
    void relayout();

    State state() const { return m_state; }
    QString path() const { return m_path; }
    int minutes() const { return m_maxMinutes; }
    // Elapsed milliseconds of the running recording; replaceable for tests.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }
    void setStartDelay(int ms) { m_startDelayMs = ms; }
    QWidget* timePanel() const { return m_timePanel; }
    QLabel* timeLabel() const { return m_timeLabel; }

signals:
    void sigGetRecordParam();
    void sigStartRecord(QString path);
    void sigStopRecord();

private:
    void onRecordClicked();
    void onStopClicked();
    void showIdleControls();
    void showRecordingControls();
    void layoutStartingFeedback();
    void layoutTimePanel();
    void layoutStopButton();
    void reportResult(const QString& path, bool byLimit);

    OverlayWidget* m_overlay = nullptr;
    State m_state = OverlayWidget::Idle;
    QString m_path;
    int m_maxMinutes = 1;
    QElapsedTimer m_elapsed;
    std::function<qint64()> m_clock;
    int m_elapsedSeconds = 0;
    QTimer* m_timer = nullptr;
    QWidget* m_timePanel = nullptr;
    QLabel* m_timeLabel = nullptr;
    int m_startDelayMs = 1000;
    int m_attempt = 0;  // tells a stale start delay from the current one
    bool m_startFailed = false;
};

#endif
