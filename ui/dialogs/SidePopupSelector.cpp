#include "SidePopupSelector.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>

#include "UiScale.h"

SidePopupSelector::SidePopupSelector(QWidget* parent)
    : QWidget(parent), m_buttonSize(scaled(220), scaled(50)) {
    m_button = new QPushButton(this);
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    m_button->setStyleSheet(
        "\n    QPushButton {\n        border-radius: 8px;\n        border: 1px solid #C3C4C5;\n"
        "        background-color: #34383C;\n        color: #C0C4CC;\n        padding-left: 12px;\n"
        "        padding-right: 24px;\n        text-align: left;\n    }\n"
        "    QPushButton:hover {\n        background-color: #3C4044;\n    }\n");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_button);
    connect(m_button, &QPushButton::clicked, this, &SidePopupSelector::openList);
}

void SidePopupSelector::addItem(const QString& text) {
    m_items.append(text);
}

void SidePopupSelector::clear() {
    m_items.clear();
    m_nCurrent = -1;
    m_button->setText(QString());
}

void SidePopupSelector::setCurrentIndex(int index) {
    if (index < 0 || index >= m_items.size()) {
        return;
    }
    m_nCurrent = index;
    const QString text = m_items.at(index);
    m_button->setToolTip(text);
    m_button->setText(m_button->fontMetrics().elidedText(text, Qt::ElideRight, m_button->width() - 50));
    emit currentIndexChanged(index);
    emit currentTextChanged(text);
}

QString SidePopupSelector::currentText() const {
    return m_items.value(m_nCurrent);
}

void SidePopupSelector::setFixedSize(const QSize& size) {
    if (size.width() >= 0 && size.height() >= 0) {
        m_buttonSize = size;
        m_button->setFixedSize(size);
    }
}

void SidePopupSelector::setFixedWidth(int width) {
    if (width >= 1) {
        m_buttonSize.setWidth(width);
        m_button->setFixedSize(m_buttonSize);
    }
}

void SidePopupSelector::openList() {
    QMenu menu(this);
    menu.setStyleSheet(
        "QMenu { background-color: #2f3437; color: white; border: none; }"
        "QMenu::item { padding: 8px 20px 8px 12px; }"
        "QMenu::item:selected { color: orange; background-color: rgba(0,122,255,100); }"
        "QMenu::item:checked { color: orange; }");
    for (int i = 0; i < m_items.size(); ++i) {
        QAction* action = menu.addAction(m_items.at(i));
        action->setCheckable(true);
        action->setChecked(i == m_nCurrent);
        action->setData(i);
    }
    QAction* chosen = menu.exec(m_button->mapToGlobal(QPoint(m_button->width() + 60, 0)));
    if (chosen) {
        setCurrentIndex(chosen->data().toInt());
    }
}
