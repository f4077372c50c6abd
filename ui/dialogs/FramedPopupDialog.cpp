#include "FramedPopupDialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

#include "UiScale.h"
#include "UniversalButton.h"
#include "TranslucentWindowMask.h"

FramedPopupDialog::FramedPopupDialog(const QSize& designSize, QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground, true);
    TranslucentWindowMask::apply(this);
    setFixedSize(scaled(designSize.width()), scaled(designSize.height()));

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* background = new QWidget(this);
    background->setObjectName("dialogBackground");
    background->setAttribute(Qt::WA_StyledBackground, true);
    background->setStyleSheet("background:#34383C;border-radius:12px;");
    outer->addWidget(background);

    m_body = new QVBoxLayout(background);
    m_body->setContentsMargins(scaled(20), scaled(30), scaled(20), scaled(30));
    m_body->setSpacing(scaled(12));
}

void FramedPopupDialog::addTitle(const QString& text) {
    auto* title = new QLabel(text);
    title->setAlignment(Qt::AlignCenter);
    title->setStyleSheet("font-size:20px;color:#C3C4C5;font-weight:600;");
    m_body->addWidget(title);
}

QWidget* FramedPopupDialog::addDivider() {
    auto* line = new QWidget;
    line->setFixedHeight(1);
    line->setAttribute(Qt::WA_StyledBackground, true);
    line->setStyleSheet("background:#7B7E80;");
    m_body->addWidget(line);
    return line;
}

void FramedPopupDialog::addButtonRow(UniversalButton** reset, UniversalButton** exit) {
    const QSize size(scaled(150), scaled(50));
    *reset = UniversalButton::createTextButton(tr("重置"), QFont(), size);
    *exit = UniversalButton::createTextButton(tr("退出"), QFont(), size);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(*reset);
    row->addSpacing(scaled(16));
    row->addWidget(*exit);
    row->addStretch();
    m_body->addLayout(row);
    connect(*exit, &QPushButton::clicked, this, &QDialog::close);
}

void FramedPopupDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_bFiltering) {
        qApp->installEventFilter(this);
        m_bFiltering = true;
    }
}

void FramedPopupDialog::hideEvent(QHideEvent* event) {
    if (m_bFiltering) {
        qApp->removeEventFilter(this);
        m_bFiltering = false;
    }
    QDialog::hideEvent(event);
}

bool FramedPopupDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && isVisible()) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        // A press inside a popup opened from the dialog (a selector's list) is the dialog's own.
        const QWidget* target = qobject_cast<QWidget*>(watched);
        const bool ownPopup =
            target && target->window() != this && isAncestorOf(target->window()->parentWidget());
        if (!ownPopup && !frameGeometry().contains(mouse->globalPos())) {
            close();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
