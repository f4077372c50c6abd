#include "TranslucentWindowMask.h"

#include <QAbstractButton>
#include <QChildEvent>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLoggingCategory>
#include <QPicture>
#include <QRegularExpression>
#include <QStyle>
#include <QTimer>
#include <QWidget>

#include "CompositorWatch.h"

Q_LOGGING_CATEGORY(lcWindowMask, "corvix.windowmask", QtWarningMsg)

namespace {
const char* const kPartRuleProperty = "translucentWindowMaskPart";
// Qt takes an empty mask for "no mask", that is the whole window: a window with nothing visible
// gets a mask outside itself instead.
const QRect kOutside(-1, -1, 1, 1);
// Room around a label's painted text.
constexpr int kTextMargin = 2;

// Whether the widget's own style sheet gives it a background that is not transparent.
bool styleSheetPaintsBackground(const QString& sheet) {
    if (sheet.isEmpty()) {
        return false;
    }
    static const QRegularExpression declaration(
        QStringLiteral(R"(background(?:-color|-image)?\s*:\s*([^;}]+))"),
        QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatchIterator it = declaration.globalMatch(sheet);
    while (it.hasNext()) {
        QString value = it.next().captured(1).trimmed().toLower();
        value.remove(QLatin1Char(' '));
        if (value != QLatin1String("transparent") && value != QLatin1String("none") &&
            !value.startsWith(QLatin1String("rgba(0,0,0,0)"))) {
            return true;
        }
    }
    return false;
}

bool paintsBackground(const QWidget* widget) {
    if (widget->autoFillBackground()) {
        return true;
    }
    // Qt marks every frame or plain widget with a style sheet "styled", also for a transparent
    // background or a mere padding; a widget's own sheet says better whether it paints one.
    const QString sheet = widget->styleSheet();
    if (!sheet.isEmpty()) {
        return styleSheetPaintsBackground(sheet);
    }
    return widget->testAttribute(Qt::WA_StyledBackground);
}

bool isPart(const QObject* object) {
    if (!object->isWidgetType()) {
        return false;
    }
    const auto* widget = static_cast<const QWidget*>(object);
    return !widget->isWindow() && !widget->isHidden();
}

bool hasChildWidgets(const QWidget* widget) {
    for (const QObject* child : widget->children()) {
        if (child->isWidgetType() && !static_cast<const QWidget*>(child)->isWindow()) {
            return true;
        }
    }
    return false;
}

// What a widget paints itself (no background, no children) within area, on a transparent image
// of the area's size.
QImage renderAlone(QWidget* widget, const QRect& area) {
    QImage image(area.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget->render(&image, QPoint(), QRegion(area), QWidget::RenderFlags());
    return image;
}

// The pixels of the image that are not fully transparent: one rectangle per run of such pixels
// in a row, rows with the same runs merged, in the banded order QRegion::setRects wants.
QRegion paintedRegion(const QImage& image) {
    QVector<QRect> rects;
    QVector<QRect> previousRow;  // the runs of the row above, already in rects
    int previousStart = 0;       // where they start in rects
    QVector<QRect> row;
    for (int y = 0; y < image.height(); ++y) {
        row.clear();
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) == 0) {
                continue;
            }
            const int start = x;
            while (x + 1 < image.width() && qAlpha(line[x + 1]) != 0) {
                ++x;
            }
            row.append(QRect(start, y, x - start + 1, 1));
        }
        bool sameRuns = !row.isEmpty() && row.size() == previousRow.size();
        for (int i = 0; sameRuns && i < row.size(); ++i) {
            sameRuns = row[i].left() == previousRow[i].left() && row[i].right() == previousRow[i].right() &&
                       previousRow[i].bottom() == y - 1;
        }
        if (sameRuns) {
            for (int i = 0; i < row.size(); ++i) {
                rects[previousStart + i].setBottom(y);
                previousRow[i].setBottom(y);
            }
            continue;
        }
        previousStart = rects.size();
        rects += row;
        previousRow = row;
    }
    QRegion region;
    if (!rects.isEmpty()) {
        region.setRects(rects.constData(), rects.size());
    }
    return region;
}

// The box of what a label without background paints (its text), in the label's coordinates:
// rendered rather than computed, so that style-sheet padding, margins and fonts are as drawn. Only
// the neighbourhood of where the text should be is rendered (a countdown label spans the screen);
// the whole label when the text reaches the neighbourhood's edge.
QRect labelPaintedBox(QLabel* label) {
    const QRect whole = label->rect();
    if (whole.isEmpty() || (label->text().isEmpty() && label->pixmap(Qt::ReturnByValue).isNull() &&
                            !label->movie() && label->picture(Qt::ReturnByValue).isNull())) {
        return QRect();
    }
    QRect area = whole;
    if (label->pixmap(Qt::ReturnByValue).isNull() && !label->movie() && !label->wordWrap()) {
        const QFontMetrics metrics = label->fontMetrics();
        const QRect estimate = label->style()->itemTextRect(
            metrics, label->contentsRect(), label->alignment(), label->isEnabled(), label->text());
        const int room = metrics.height();
        area = estimate.adjusted(-room, -room, room, room) & whole;
    }
    QRect box = paintedRegion(renderAlone(label, area)).boundingRect();
    const bool reachesEdge = !box.isEmpty() && area != whole &&
                             (box.left() == 0 || box.top() == 0 || box.right() == area.width() - 1 ||
                              box.bottom() == area.height() - 1);
    if (reachesEdge) {
        area = whole;
        box = paintedRegion(renderAlone(label, area)).boundingRect();
    }
    if (box.isEmpty()) {
        return QRect();
    }
    return box.translated(area.topLeft()).adjusted(-kTextMargin, -kTextMargin, kTextMargin, kTextMargin) &
           whole;
}

// A button without background (a round icon) counts by the pixels of its icon.
QRegion buttonPaintedRegion(QAbstractButton* button) {
    if (button->width() <= 0 || button->height() <= 0) {
        return QRegion();
    }
    return paintedRegion(renderAlone(button, button->rect()));
}
}  // namespace

TranslucentWindowMask* TranslucentWindowMask::apply(QWidget* window) {
    return install(window, RegionFunction(), false);
}

TranslucentWindowMask* TranslucentWindowMask::apply(QWidget* window, RegionFunction visibleRegion) {
    return install(window, std::move(visibleRegion), false);
}

TranslucentWindowMask* TranslucentWindowMask::applyWhole(QWidget* window) {
    // Only the window's own geometry matters: its children are not watched.
    return install(
        window, [window] { return QRegion(window->rect()); }, true);
}

TranslucentWindowMask* TranslucentWindowMask::install(QWidget* window, RegionFunction visibleRegion,
                                                      bool wholeOnly) {
    if (!window) {
        return nullptr;
    }
    if (TranslucentWindowMask* keeper = of(window)) {
        keeper->m_visibleRegion = std::move(visibleRegion);
        keeper->m_wholeOnly = keeper->m_wholeOnly && wholeOnly;
        keeper->watch(window);
        keeper->refresh();
        return keeper;
    }
    return new TranslucentWindowMask(window, std::move(visibleRegion), wholeOnly);
}

TranslucentWindowMask* TranslucentWindowMask::of(const QWidget* window) {
    return window ? window->findChild<TranslucentWindowMask*>(QString(), Qt::FindDirectChildrenOnly)
                  : nullptr;
}

void TranslucentWindowMask::setPartRule(QWidget* part, PartRule rule) {
    if (!part) {
        return;
    }
    part->setProperty(kPartRuleProperty, int(rule));
    // The keeper of the part's window takes the new rule into account.
    if (TranslucentWindowMask* keeper = of(part->window())) {
        keeper->schedule();
    }
}

TranslucentWindowMask::TranslucentWindowMask(QWidget* window, RegionFunction visibleRegion, bool wholeOnly)
    : QObject(window), m_window(window), m_visibleRegion(std::move(visibleRegion)), m_wholeOnly(wholeOnly) {
    setObjectName(QStringLiteral("translucentWindowMask"));
    watch(window);
    connect(CompositorWatch::instance(), &CompositorWatch::compositingChanged, this,
            &TranslucentWindowMask::refresh);
    // Before the window is first shown, so that it never appears unmasked.
    refresh();
}

void TranslucentWindowMask::watch(QObject* object) {
    object->installEventFilter(this);
    if (m_wholeOnly) {
        return;
    }
    for (QObject* child : object->children()) {
        if (child->isWidgetType()) {
            watch(child);
        }
    }
}

bool TranslucentWindowMask::countsByPaint(const QWidget* widget) const {
    if (!m_masking || m_visibleRegion || widget == m_window ||
        (!qobject_cast<const QLabel*>(widget) && !qobject_cast<const QAbstractButton*>(widget))) {
        return false;
    }
    for (const QWidget* w = widget; w && w != m_window; w = w->parentWidget()) {
        const QVariant rule = w->property(kPartRuleProperty);
        const bool whole = rule.isValid() && (rule.toInt() == WholePart || rule.toInt() == SkipPart);
        if (whole || paintsBackground(w)) {
            return false;
        }
    }
    return !hasChildWidgets(widget);
}

bool TranslucentWindowMask::eventFilter(QObject* watched, QEvent* event) {
    if (m_refreshing) {
        return QObject::eventFilter(watched, event);  // our own rendering of labels
    }
    switch (event->type()) {
        case QEvent::ChildAdded: {
            QObject* child = static_cast<QChildEvent*>(event)->child();
            if (child->isWidgetType() && !m_wholeOnly) {
                watch(child);
            }
            schedule();
            break;
        }
        case QEvent::Paint:
            // A label's text changed (the clock, the countdown digits, the date), a button's look
            // changed (pressed, focused); the table cells on a glass panel do not matter.
            if (countsByPaint(static_cast<QWidget*>(watched))) {
                schedule();
            }
            break;
        case QEvent::ChildRemoved:
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::ShowToParent:
        case QEvent::HideToParent:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::StyleChange:
        case QEvent::FontChange:
            schedule();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

void TranslucentWindowMask::schedule() {
    if (m_scheduled || (!m_masking && CompositorWatch::instance()->isCompositing())) {
        return;
    }
    m_scheduled = true;
    QTimer::singleShot(0, this, &TranslucentWindowMask::refresh);
}

QRegion TranslucentWindowMask::visibleRegion() const {
    if (!m_window) {
        return QRegion();
    }
    const QRect whole = m_window->rect();
    if (m_visibleRegion) {
        return m_visibleRegion() & whole;
    }
    if (paintsBackground(m_window)) {
        return whole;
    }
    return partsOf(m_window) & whole;
}

QRegion TranslucentWindowMask::partsOf(const QWidget* widget) {
    QRegion parts;
    for (const QObject* child : widget->children()) {
        if (isPart(child)) {
            parts += partOf(static_cast<const QWidget*>(child));
        }
    }
    return parts;
}

QRegion TranslucentWindowMask::partOf(const QWidget* child) {
    const QRect geometry = child->geometry();
    const QVariant rule = child->property(kPartRuleProperty);
    switch (rule.isValid() ? PartRule(rule.toInt()) : AutoPart) {
        case SkipPart:
            return QRegion();
        case WholePart:
            return geometry;
        case ChildrenPart:
            return partsOf(child).translated(child->pos()) & geometry;
        case AutoPart:
            break;
    }
    if (paintsBackground(child)) {
        return geometry;
    }
    // A container (a bar, a column, a panel of captions) shows only its visible children.
    if (hasChildWidgets(child)) {
        return partsOf(child).translated(child->pos()) & geometry;
    }
    auto* widget = const_cast<QWidget*>(child);  // rendered, not changed
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return labelPaintedBox(label).translated(child->pos());
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return buttonPaintedRegion(button).translated(child->pos());
    }
    return geometry;
}

void TranslucentWindowMask::refresh() {
    m_scheduled = false;
    if (!m_window) {
        return;
    }
    if (CompositorWatch::instance()->isCompositing()) {
        if (m_masking) {
            m_masking = false;
            m_window->clearMask();
            qCDebug(lcWindowMask) << m_window << "composited: mask removed";
        }
        return;
    }
    m_masking = true;
    m_refreshing = true;
    const QRegion visible = visibleRegion();
    m_refreshing = false;
    if ((QRegion(m_window->rect()) - visible).isEmpty()) {
        // Opaque from edge to edge: no mask needed (and none to lag behind a resize).
        if (!m_window->mask().isEmpty()) {
            m_window->clearMask();
        }
        return;
    }
    const QRegion mask = visible.isEmpty() ? QRegion(kOutside) : visible;
    if (m_window->mask() != mask) {
        qCDebug(lcWindowMask) << m_window << "mask" << mask.boundingRect() << "in" << mask.rectCount()
                              << "rectangles";
        m_window->setMask(mask);
    }
}
