#ifndef CORVIX_TRANSLUCENT_WINDOW_MASK_H
#define CORVIX_TRANSLUCENT_WINDOW_MASK_H

#include <QObject>
#include <QPointer>
#include <QRegion>
#include <functional>

class QWidget;

// The rule for every translucent top-level window of the program (any window with
// Qt::WA_TranslucentBackground: overlays, popups, dialogs drawn as a card on glass):
//
//   Its constructor calls TranslucentWindowMask::apply(this) (or applyWhole(this) when its body is
//   opaque from edge to edge, or apply(this, region function) when only the window knows its
//   visible parts).
//
// Why: without a compositing manager (a bare X server, many kiosk and tiling sessions) the X
// server shows a translucent window's transparent pixels as black, so a full-screen overlay hides
// the live picture below it. While no compositor runs (CompositorWatch), the window therefore
// carries a shape mask (QWidget::setMask) of exactly its visible parts, updated whenever they
// appear, move, resize, change text or disappear; everywhere else what lies below shows through.
// In that mode rounded corners turn square and translucent backgrounds opaque, nothing worse.
// With a compositor the window has no mask and nothing changes.
//
// The visible parts by default: the window's whole rectangle when the window paints a background
// of its own, otherwise the union of its visible child widgets, where
// - a child that paints a background (auto-fill, a non-transparent "background" in its own style
//   sheet, or a styled background without a sheet of its own) counts whole;
// - a child with child widgets that paints nothing itself counts by its visible children (none:
//   nothing);
// - a label without background counts by the box of what it paints;
// - a button without background counts by the pixels it paints (a round icon stays round);
// - any other widget counts whole.
// setPartRule() overrides this for one child (WholePart for a custom-painted panel, for example).
// Child windows (dialogs, popups) are skipped: they follow the rule themselves. A window whose
// visible parts change without a geometry, visibility or repaint of a label or button (a custom
// paintEvent, a region function) calls refresh(). GUI thread only.
class TranslucentWindowMask : public QObject {
    Q_OBJECT

public:
    using RegionFunction = std::function<QRegion()>;
    // How a child widget counts in the default visible parts.
    enum PartRule { AutoPart, WholePart, ChildrenPart, SkipPart };

    // Keeps window's mask by the default visible parts; returns the keeper (owned by the window).
    static TranslucentWindowMask* apply(QWidget* window);
    // The same with the visible parts given by the window, in its own coordinates.
    static TranslucentWindowMask* apply(QWidget* window, RegionFunction visibleRegion);
    // For windows whose body is opaque: the whole rectangle (such a window needs no mask, but
    // stating it keeps every translucent window under the one rule).
    static TranslucentWindowMask* applyWhole(QWidget* window);
    // The keeper of a window, or null.
    static TranslucentWindowMask* of(const QWidget* window);
    static void setPartRule(QWidget* part, PartRule rule);

    // The visible parts now, in window coordinates (whatever the compositing mode).
    QRegion visibleRegion() const;
    // True while the window carries the mask (no compositor).
    bool isMasking() const { return m_masking; }
    // Brings the mask up to date at once (changes are otherwise applied from the event loop).
    void refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TranslucentWindowMask(QWidget* window, RegionFunction visibleRegion, bool wholeOnly);
    static TranslucentWindowMask* install(QWidget* window, RegionFunction visibleRegion, bool wholeOnly);
    void watch(QObject* object);
    void schedule();
    // Whether the widget is a part whose mask follows what it paints (its repaints matter).
    bool countsByPaint(const QWidget* widget) const;
    static QRegion partsOf(const QWidget* widget);
    static QRegion partOf(const QWidget* child);

    QPointer<QWidget> m_window;
    RegionFunction m_visibleRegion;  // empty: the default visible parts
    bool m_masking = false;
    bool m_scheduled = false;
    bool m_refreshing = false;  // while labels are rendered to find their text
    bool m_wholeOnly = false;   // applyWhole: only the window itself is watched
};

#endif
