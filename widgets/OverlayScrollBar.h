#ifndef CORVIX_OVERLAY_SCROLL_BAR_H
#define CORVIX_OVERLAY_SCROLL_BAR_H

#include <QPointer>
#include <QScrollBar>
#include <QWidget>

// A thin orange scroll handle floating over a scroll area. It mirrors a (hidden) real vertical
// scroll bar: the handle shows where the view is, and dragging it scrolls.
class OverlayScrollBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 6;
    static constexpr int kMinHandleHeight = 30;

    explicit OverlayScrollBar(QScrollBar* mirrored, QWidget* parent = nullptr);

    void setHeights(int contentHeight, int visibleHeight);
    int contentHeight() const { return m_contentHeight; }
    int visibleHeight() const { return m_visibleHeight; }

    bool hasHandle() const;
    // The handle in the bar's coordinates; empty when the content fits.
    QRect handleRect() const;
    bool isDragging() const { return m_dragging; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPointer<QScrollBar> m_bar;
    int m_contentHeight = 0;
    int m_visibleHeight = 0;
    bool m_dragging = false;
    int m_pressOffset = 0;
};

#endif
