#include "InfoRow.h"

#include <QHBoxLayout>
#include <QLabel>

#include "UiScale.h"

InfoRow::InfoRow(const QString& title, QWidget* parent, bool highlighted) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_title = new QLabel(title, this);
    m_title->setStyleSheet("color:white;font-size:16px;");
    m_value = new QLabel(this);
    m_value->setStyleSheet(QString("color:%1;font-size:16px;").arg(highlighted ? "#4da3ff" : "#C3C7C8"));
    layout->addWidget(m_title);
    layout->addSpacing(scaled(80));
    layout->addWidget(m_value);
    layout->addStretch();
}

void InfoRow::setValue(const QString& text) {
    m_value->setText(text);
}

QString InfoRow::value() const {
    return m_value->text();
}
