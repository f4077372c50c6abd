#ifndef CORVIX_SETTINGS_PAGE_PARTS_H
#define CORVIX_SETTINGS_PAGE_PARTS_H

#include <QMargins>
#include <QString>

class OverlayScrollArea;
class QFrame;
class QVBoxLayout;
class QWidget;
class SidePopupSelector;

// Pieces the pages of the settings panel are built from, so that they look alike.
namespace SettingsPageParts {

// A page's scroll area and the column inside it. The caller fills `column` and then hands
// `content` to `scroll` (setWidget), so that the bar is placed for the finished content.
struct Frame {
    OverlayScrollArea* scroll = nullptr;
    QWidget* content = nullptr;
    QVBoxLayout* column = nullptr;
};

// Lays a scroll area over the whole of `page`, its first `topMargin` pixels left to the panel's
// tab bar, around a column with the given margins and spacing that opens with `title` in large
// type and a line.
Frame buildFrame(QWidget* page, const QString& title, int topMargin, const QMargins& margins, int spacing);

// The grey rule between groups of rows.
QFrame* makeLine(QWidget* parent);

// A row with `label` on the left and a popup selector on the right; the selector is stored in
// `selector`.
QWidget* makeSelectorRow(const QString& label, QWidget* parent, SidePopupSelector** selector);

}  // namespace SettingsPageParts

#endif
