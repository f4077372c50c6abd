#include "SettingsPageParts.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "OverlayScrollArea.h"
#include "SidePopupSelector.h"
#include "UiScale.h"

namespace SettingsPageParts {

Frame buildFrame(QWidget* page, const QString& title, int topMargin, const QMargins& margins, int spacing) {
    page->setStyleSheet(
        "CameraSettingImagePage{background:#2f3437;}QLabel#pageTitle{color:#C3C7C8;}"
        "QLabel#pageName{color:white;font-size:16px;}");
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    Frame frame;
    frame.scroll = new OverlayScrollArea(page);
    frame.scroll->setTopMargin(topMargin);
    frame.scroll->setRightMargin(scaled(6));
    pageLayout->addWidget(frame.scroll);
    frame.content = new QWidget;
    frame.column = new QVBoxLayout(frame.content);
    frame.column->setContentsMargins(margins);
    frame.column->setSpacing(spacing);

    auto* titleLabel = new QLabel(title, frame.content);
    titleLabel->setObjectName("pageTitle");
    titleLabel->setFixedHeight(scaled(60));
    QFont titleFont = titleLabel->font();
    titleFont.setPixelSize(scaled(40));
    titleFont.setWeight(75);
    titleLabel->setFont(titleFont);
    frame.column->addWidget(titleLabel);
    frame.column->addWidget(makeLine(frame.content));
    return frame;
}

QFrame* makeLine(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setStyleSheet("color:#7B7E80;");
    return line;
}

QWidget* makeSelectorRow(const QString& label, QWidget* parent, SidePopupSelector** selector) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    auto* labelWidget = new QLabel(label, row);
    labelWidget->setStyleSheet("color:white;font-size:16px;");
    layout->addWidget(labelWidget);
    layout->addStretch();
    *selector = new SidePopupSelector(row);
    (*selector)->setFixedWidth(scaled(355));
    layout->addWidget(*selector);
    return row;
}

}  // namespace SettingsPageParts
