#include "StreamPasswordDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "TranslucentWindowMask.h"
#include "UiScale.h"

namespace {
const char* const kButtonStyle = R"(
        QPushButton {
            border: none;
            background: transparent;
            color: #03DAC5;
            font-size: 20px;
            font-weight:600;
            padding: 6px 12px;
        }
        QPushButton:hover {
            color: #26A69A;
        }
    )";
}  // namespace

StreamPasswordDialog::StreamPasswordDialog(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground, true);
    TranslucentWindowMask::apply(this);  // the card
    resize(scaled(815), scaled(260));

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* card = new QWidget(this);
    card->setObjectName("card");
    card->setAttribute(Qt::WA_StyledBackground, true);
    card->setStyleSheet(R"(
        QWidget#card {
            background: white;
            border-radius: 4px;
        }
    )");
    outer->addWidget(card);

    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(30, 40, 30, 10);
    layout->setSpacing(30);

    auto* title = new QLabel(tr("密码"), card);
    title->setStyleSheet("font-size:20px;font-weight:600;color:#000000;");
    layout->addWidget(title);

    m_edit = new QLineEdit(card);
    m_edit->setPlaceholderText(tr("密码"));
    m_edit->setEchoMode(QLineEdit::Password);
    m_edit->setFixedHeight(36);
    m_edit->setStyleSheet(R"(
        QLineEdit {
            border: none;
            border-bottom: 1px solid #B0BEC5;
            font-size: 16px;
        }
        QLineEdit:focus {
            border-bottom: 1px solid #666666;
        }
    )");
    layout->addWidget(m_edit);
    layout->addSpacing(20);

    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    m_cancel = new QPushButton(tr("取消"), card);
    m_confirm = new QPushButton(tr("确认"), card);
    m_cancel->setStyleSheet(kButtonStyle);
    m_confirm->setStyleSheet(kButtonStyle);
    m_cancel->setAutoDefault(false);
    m_confirm->setDefault(true);  // Enter in the code field confirms
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_confirm);
    layout->addLayout(buttons);
    layout->addSpacing(30);

    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_confirm, &QPushButton::clicked, this, &QDialog::accept);
    m_edit->setFocus();
}

QString StreamPasswordDialog::password() const {
    return m_edit->text();
}
