// The GUI-thread side of a renderer: paints the latest converted picture into the video widget
// through an event filter on the widget's paint event, and repaints when the producer wakes it.
#ifndef QEL_RENDER_SURFACE_H
#define QEL_RENDER_SURFACE_H

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <memory>

class FrameExchange;
class QSocketNotifier;

class RenderSurface : public QObject {
    Q_OBJECT

public:
    RenderSurface(std::shared_ptr<FrameExchange> exchange, WId handle);
    ~RenderSurface() override;

    // GUI thread: finds the widget by its native window id and installs the filter.
    Q_INVOKABLE bool attach();
    bool isAttached() const { return !m_widget.isNull(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onWake();
    bool paint();
    void detach();
    // With corvix.qelrenderqt.stats at info level: once a second, what was painted and skipped.
    void reportRates();

    std::shared_ptr<FrameExchange> m_exchange;
    const WId m_handle;
    QPointer<QWidget> m_widget;
    QSocketNotifier* m_notifier = nullptr;
    bool m_madeOpaque = false;  // WA_OpaquePaintEvent set by us, taken back on detach
    QElapsedTimer m_rateClock;  // GUI thread, like everything here
    long long m_lastPainted = 0;
    long long m_lastConverted = 0;
    long long m_lastOffered = 0;
};

#endif
