#ifndef CORVIX_SVG_SPINNER_WIDGET_H
#define CORVIX_SVG_SPINNER_WIDGET_H

#include <QElapsedTimer>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

class QSvgRenderer;

// A busy indicator: an SVG turning once every three seconds. A large spinner (120 x 120) turns
// from the start; a small one (60 x 60) only after startAnimation(). It turns only while it is
// on screen, in steps of a few frames a second: the picture is drawn from the SVG once per size
// and only its own rectangle is repainted, so that a window waiting for a camera stays quiet.
class SvgSpinnerWidget : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qreal angle READ angle WRITE setAngle)
public:
    static constexpr int kPeriodMs = 3000;  // one turn
    static constexpr int kFrameMs = 80;     // 12.5 frames a second

    explicit SvgSpinnerWidget(const QString& svgPath, QWidget* parent = nullptr, bool large = false);

    qreal angle() const { return m_angle; }
    void setAngle(qreal angle);

    void startAnimation();
    void stopAnimation();
    // Started (and not stopped), whether or not it is on screen now.
    bool isAnimating() const { return m_bAnimating; }
    // Its frame timer runs: started and shown.
    bool isTurning() const { return m_frameTimer.isActive(); }
    int frameInterval() const { return m_frameTimer.interval(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateTimer();
    void nextFrame();

    QSvgRenderer* m_renderer = nullptr;
    QTimer m_frameTimer;
    QElapsedTimer m_clock;  // since the turn started; the angle follows it, not the tick count
    qreal m_startAngle = 0.0;
    qreal m_angle = 0.0;
    bool m_bAnimating = false;
    QPixmap m_picture;  // the SVG drawn at the widget's size, made when first needed
};

#endif
