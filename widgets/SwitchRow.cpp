#include "SwitchRow.h"

#include <QHBoxLayout>
#include <QLabel>

#include "SwitchButton.h"

SwitchRow::SwitchRow(const QString& title, QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    m_title = new QLabel(title, this);
    m_title->setStyleSheet("color:white;font-size:16px;");
    m_switch = new SwitchButton(this);
    layout->addWidget(m_title);
    layout->addStretch();
    layout->addWidget(m_switch);
    // clicked() comes only from the user, never from setChecked().
    connect(m_switch, &QAbstractButton::clicked, this, [this] { emit userToggled(m_switch->isChecked()); });
}

void SwitchRow::setChecked(bool checked) {
    m_switch->setChecked(checked);
}

bool SwitchRow::isChecked() const {
    return m_switch->isChecked();
}
