// The whole widget kit on one sheet: every class, every state of the buttons.
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "KitShots.h"
#include "SwitchButton.h"
#include "UiScale.h"
#include "UniversalButton.h"

namespace {
QLabel* sectionTitle(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setStyleSheet("color:white;font-size:18px;font-weight:bold;");
    return label;
}

// A widget with a small caption under it.
QWidget* cell(QWidget* content, const QString& caption, QWidget* parent) {
    auto* widget = new QWidget(parent);
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    content->setParent(widget);
    layout->addWidget(content, 0, Qt::AlignHCenter | Qt::AlignBottom);
    auto* label = new QLabel(caption, widget);
    label->setStyleSheet("color:#9AA0A6;font-size:12px;");
    layout->addWidget(label, 0, Qt::AlignHCenter);
    return widget;
}

// A titled row of captioned cells.
class Sheet {
public:
    explicit Sheet(QWidget* parent) : m_widget(new QWidget(parent)), m_layout(new QGridLayout(m_widget)) {
        m_widget->setObjectName("gallery");
        m_layout->setContentsMargins(8, 8, 8, 8);
        m_layout->setHorizontalSpacing(28);
        m_layout->setVerticalSpacing(10);
    }

    void section(const QString& title) {
        m_row = m_layout->rowCount();
        if (m_row > 0 && !title.isEmpty()) {
            m_layout->setRowMinimumHeight(m_row, 14);
            ++m_row;
        }
        if (!title.isEmpty()) {  // an untitled section continues the previous one on a new row
            m_layout->addWidget(sectionTitle(title, m_widget), m_row++, 0, 1, -1);
        }
        m_column = 0;
    }

    void add(QWidget* content, const QString& caption, int span = 1) {
        m_layout->addWidget(cell(content, caption, m_widget), m_row, m_column, 1, span,
                            Qt::AlignLeft | Qt::AlignBottom);
        m_column += span;
    }

    QWidget* widget() const { return m_widget; }

private:
    QWidget* m_widget;
    QGridLayout* m_layout;
    int m_row = 0;
    int m_column = 0;
};

void buttonStates(Sheet& sheet, UniversalButton* (*make)(QWidget*), const QStringList& states) {
    for (const QString& state : states) {
        UniversalButton* button = make(sheet.widget());
        KitShots::driveButton(button, state);
        sheet.add(button, state);
    }
}
}  // namespace

namespace KitShots {

QWidget* gallery(QWidget* parent) {
    Sheet sheet(parent);

    sheet.section("UniversalButton · Icon");
    buttonStates(sheet, iconButton, {"normal", "hover", "pressed", "disabled"});

    sheet.section("UniversalButton · Toggle");
    buttonStates(sheet, toggleButton, {"normal", "hover", "pressed", "checked"});
    sheet.section("");
    buttonStates(sheet, toggleButton, {"checked-left", "disabled"});

    sheet.section("UniversalButton · Text");
    buttonStates(sheet, textButton, {"normal", "hover", "pressed", "disabled"});

    sheet.section("RightIconButton · SwitchButton");
    sheet.add(rightIconButton(sheet.widget()), "RightIconButton");
    auto* on = new SwitchButton(sheet.widget());
    on->setChecked(true);
    sheet.add(on, "on");
    sheet.add(new SwitchButton(sheet.widget()), "off");

    sheet.section("SwitchRow · InfoRow");
    sheet.add(switchRows(sheet.widget()), "SwitchRow on / off", 2);
    sheet.add(infoRows(sheet.widget()), "InfoRow plain / highlighted", 2);

    sheet.section("SvgIconLabel · SvgSpinnerWidget");
    sheet.add(svgIconLabels(sheet.widget()), "16 px / 40 px");
    sheet.add(spinners(sheet.widget()), "small (stopped) / large at 30°", 2);

    sheet.section("ToastLabel");
    sheet.add(toasts(sheet.widget()), "type 1 / type 2 / other / elided in the middle", 4);

    sheet.section("OverlayScrollArea · DashDivider");
    sheet.add(scrollArea(sheet.widget()), "content taller than the view", 2);
    sheet.add(divider(sheet.widget()), "DashDivider", 2);

    return sheet.widget();
}

}  // namespace KitShots
