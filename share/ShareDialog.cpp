#include "ShareDialog.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include "UiScale.h"
#include "TranslucentWindowMask.h"

ShareDialog::ShareDialog(QWidget* parent) : QWidget(parent) {
    setObjectName("shareDialog");
    // On top: the control overlay is a stay-on-top window over the whole picture, and a window
    // manager would otherwise keep the code under it.
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TranslucentBackground);
    TranslucentWindowMask::apply(this);

    auto* outer = new QVBoxLayout(this);
    outer->setAlignment(Qt::AlignCenter);
    auto* card = new QWidget(this);
    card->setFixedSize(scaled(450), scaled(480));
    card->setStyleSheet(R"(
        QWidget{
            background-color:#111;
            border-radius:20px;
        }
    )");
    outer->addWidget(card);

    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(scaled(20), scaled(20), scaled(20), scaled(30));

    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch();
    auto* closeButton = new QPushButton(QStringLiteral("×"), card);
    closeButton->setObjectName("shareCloseButton");
    closeButton->setFixedSize(30, 30);
    closeButton->setStyleSheet(R"(
        QPushButton{
            color:white;
            background:transparent;
            font-size:22px;
            border:none;
        }
        QPushButton:hover{
            color:#aaa;
        }
    )");
    closeRow->addWidget(closeButton);
    column->addLayout(closeRow);

    // The white frame is the code's quiet zone: the image itself has none.
    auto* frame = new QWidget(card);
    frame->setFixedSize(scaled(340), scaled(340));
    frame->setStyleSheet("background:white;border-radius:10px;");
    auto* frameLayout = new QVBoxLayout(frame);
    m_pQrLabel = new QLabel(frame);
    m_pQrLabel->setObjectName("qrLabel");
    m_pQrLabel->setAlignment(Qt::AlignCenter);
    frameLayout->addWidget(m_pQrLabel, 0, Qt::AlignCenter);
    column->addWidget(frame, 0, Qt::AlignCenter);
    column->addSpacing(scaled(20));

    auto* caption = new QLabel(QStringLiteral("扫码取图"), card);
    caption->setAlignment(Qt::AlignCenter);
    caption->setStyleSheet(R"(
        QLabel{
            color:white;
            font-size:22px;
        }
    )");
    column->addWidget(caption);

    connect(closeButton, &QPushButton::clicked, this, &QWidget::hide);
}

void ShareDialog::showQRCode(QImage img) {
    // Always 300 x 300, whatever the module count: a small code is enlarged, a large one reduced.
    m_pQrLabel->setPixmap(QPixmap::fromImage(img).scaled(kCodePixels, kCodePixels, Qt::KeepAspectRatio,
                                                         Qt::SmoothTransformation));
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        setGeometry(
            QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen->availableGeometry()));
    }
    show();
    raise();
}
