#ifndef CORVIX_SVG_SPINNER_WIDGET_H
#define CORVIX_SVG_SPINNER_WIDGET_H

#include <QWidget>

class QPropertyAnimation;
class QSvgRenderer;

// A busy indicator: an SVG turning once every three seconds. A large spinner (120 x 120) turns
// from the start; a small one (60 x 60) only after startAnimation().
class SvgSpinnerWidget : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qreal angle READ angle WRITE setAngle)
public:
    explicit SvgSpinnerWidget(const QString& svgPath, QWidget* parent = nullptr, bool large = false);

    qreal angle() const { return m_angle; }
    void setAngle(qreal angle);

    void startAnimation();
    void stopAnimation();
    bool isAnimating() const;
    QPropertyAnimation* animation() const { return m_animation; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSvgRenderer* m_renderer = nullptr;
    QPropertyAnimation* m_animation = nullptr;
    qreal m_angle = 0.0;
};

#endif
