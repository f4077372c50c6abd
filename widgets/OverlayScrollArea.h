#ifndef CORVIX_OVERLAY_SCROLL_AREA_H
#define CORVIX_OVERLAY_SCROLL_AREA_H

#include <QPoint>
#include <QWidget>

class QScrollArea;
class OverlayScrollBar;

// A scroll area without visible scroll bars: a thin handle floats over the content's right edge,
// and the content scrolls by dragging it with the mouse or a finger (kinetic on touch).
class OverlayScrollArea : public QWidget {
    Q_OBJECT
public:
    explicit OverlayScrollArea(QWidget* parent = nullptr);

    void setWidget(QWidget* content);
    QWidget* widget() const;

    void setTopMargin(int margin);
    int topMargin() const { return m_topMargin; }
    void setRightMargin(int margin);
    int rightMargin() const { return m_rightMargin; }

    // Places and sizes the handle bar again; owners call it after changing the content's size.
    void relayoutBar();

    QScrollArea* scrollArea() const { return m_area; }
    OverlayScrollBar* overlayBar() const { return m_overlayBar; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void scrollBy(int dy);

    QScrollArea* m_area = nullptr;
    OverlayScrollBar* m_overlayBar = nullptr;
    bool m_dragging = false;
    QPoint m_lastPos;
    bool m_touching = false;
    QPointF m_lastTouchPos;
    int m_topMargin = 0;
    int m_rightMargin = 6;
};

#endif
