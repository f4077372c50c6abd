// The upgrade window's layout: its three pages and the buttons each page gives meaning to.
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>

#include "UiScale.h"
#include "UpgradeWidget.h"
#include "TranslucentWindowMask.h"

namespace {
QLabel* pageLabel(const QString& text, const QString& style, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPointSize(16);
    label->setFont(font);
    label->setStyleSheet(style);
    return label;
}
}  // namespace

void UpgradeWidget::buildUi() {
    // On top, like the share dialog: the stay-on-top control overlay covers the whole picture.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TranslucentBackground);
    TranslucentWindowMask::apply(this);
    setObjectName("upgradeWidget");

    m_pMainPage = new QWidget(this);
    m_pMainPage->setObjectName("mainPage");
    m_pMainPage->setAttribute(Qt::WA_StyledBackground);
    m_pMainPage->setMinimumSize(scaled(640), scaled(280));
    m_pMainPage->setStyleSheet("QWidget#mainPage { background-color: #2D3738; border-radius: 12px; }");
    auto* column = new QVBoxLayout(m_pMainPage);
    column->setContentsMargins(scaled(20), scaled(20), scaled(20), scaled(20));

    auto* title = new QLabel(tr("提示"), m_pMainPage);
    title->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    title->setStyleSheet("QLabel { color: white; font-weight: bold;background-color: #2D3738;  }");
    column->addWidget(title);

    auto* centre = new QWidget(m_pMainPage);
    centre->setObjectName("centerContentWidget");
    centre->setStyleSheet("QWidget#centerContentWidget { background-color: #2D3738;  }");
    auto* centreLayout = new QVBoxLayout(centre);
    centreLayout->setContentsMargins(0, 0, 0, 0);
    centreLayout->setSpacing(0);
    m_pStack = new QStackedWidget(centre);
    m_pStack->setObjectName("contentStackedWidget");
    m_pStack->setStyleSheet("QWidget#contentStackedWidget { background-color: #2D3738;  }");
    m_pStack->addWidget(buildMessagePage());
    m_pStack->addWidget(buildDownloadPage());
    m_pStack->addWidget(buildInstallPage());
    centreLayout->addWidget(m_pStack);
    column->addWidget(centre, 1);

    auto* buttons = new QWidget(m_pMainPage);
    buttons->setObjectName("buttonWidget");
    buttons->setStyleSheet("QWidget#buttonWidget { background-color: #2D3738;  }");
    auto* row = new QHBoxLayout(buttons);
    row->setSpacing(30);
    m_pFirstButton = new QPushButton(buttons);
    m_pSecondButton = new QPushButton(buttons);
    for (QPushButton* button : {m_pFirstButton, m_pSecondButton}) {
        button->setMinimumSize(scaled(160), scaled(48));
        QFont font = button->font();
        font.setPointSize(16);
        button->setFont(font);
        button->setStyleSheet(
            QStringLiteral("QPushButton { background-color: transparent; color: white; border: 2px "
                           "solid rgba(255,255,255,200); border-radius: %1px; padding: 0 20px;}")
                .arg(scaled(48) / 2));
    }
    m_pFirstButton->setObjectName("upgradeFirstButton");
    m_pSecondButton->setObjectName("upgradeSecondButton");
    row->addStretch();
    row->addWidget(m_pFirstButton);
    row->addWidget(m_pSecondButton);
    row->addStretch();
    column->addWidget(buttons);

    m_pMainPage->adjustSize();
    resize(m_pMainPage->size());
    m_pMainPage->move(0, 0);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        setGeometry(
            QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen->availableGeometry()));
    }
}

QWidget* UpgradeWidget::buildMessagePage() {
    auto* page = new QWidget;
    page->setObjectName("updateContent");
    page->setStyleSheet("QWidget#updateContent { background-color: #2D3738;  }");
    auto* layout = new QVBoxLayout(page);
    m_pMessageLabel =
        pageLabel(tr("正在下载 ..."), "QLabel { color: white; background-color: #2D3738;}", page);
    m_pMessageLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_pMessageLabel->setWordWrap(true);
    layout->addWidget(m_pMessageLabel, 0, Qt::AlignVCenter);
    return page;
}

QWidget* UpgradeWidget::buildDownloadPage() {
    auto* page = new QWidget;
    page->setObjectName("downloadContent");
    page->setStyleSheet("QWidget#downloadContent { background-color: #2D3738;  }");
    auto* layout = new QVBoxLayout(page);
    layout->addStretch();
    m_pDownloadTitle = pageLabel(
        tr("正在下载..."),
        "QLabel {color: white;margin-top:30px; margin-bottom:30px;background-color: #2D3738}", page);
    layout->addWidget(m_pDownloadTitle);
    m_pProgressBar = new QProgressBar(page);
    m_pProgressBar->setRange(0, 100);
    m_pProgressBar->setTextVisible(false);
    m_pProgressBar->setFixedHeight(scaled(12));
    m_pProgressBar->setStyleSheet(
        "QProgressBar { border: 0px solid #555555; border-radius: 6px; background-color: #53585B; }"
        "QProgressBar::chunk {  background-color: #81C7FF;   border-radius: 6px; }");
    m_pProgressBar->setValue(20);
    layout->addWidget(m_pProgressBar);
    auto* info = new QWidget(page);
    info->setObjectName("progressInfoWidget");
    info->setStyleSheet("QWidget#progressInfoWidget { background-color: #2D3738;  }");
    auto* infoRow = new QHBoxLayout(info);
    infoRow->setContentsMargins(0, 0, 0, 0);
    m_pPercentLabel = new QLabel("20% ", info);
    m_pSizeLabel = new QLabel("20/100", info);
    for (QLabel* label : {m_pPercentLabel, m_pSizeLabel}) {
        label->setStyleSheet("QLabel { color: white;background-color: #2D3738 }");
    }
    infoRow->addWidget(m_pPercentLabel);
    infoRow->addStretch();
    infoRow->addWidget(m_pSizeLabel);
    layout->addWidget(info);
    layout->addStretch();
    return page;
}

QWidget* UpgradeWidget::buildInstallPage() {
    auto* page = new QWidget;
    page->setStyleSheet("QWidget{background-color:#2D3738;}");
    auto* layout = new QVBoxLayout(page);
    layout->addStretch();
    m_pInstallLabel = pageLabel(tr("你想现在安装应用程序吗？"), "QLabel{color:white;}", page);
    m_pInstallLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_pInstallLabel->setWordWrap(true);
    layout->addWidget(m_pInstallLabel);
    layout->addStretch();
    return page;
}

void UpgradeWidget::switchPage(int page) {
    m_pFirstButton->disconnect();
    m_pSecondButton->disconnect();
    switch (page) {
        case MessagePage:
            m_pFirstButton->setText(tr("确认"));
            m_pSecondButton->setText(tr("取消"));
            connect(m_pFirstButton, &QPushButton::clicked, this, &UpgradeWidget::slotConfirmClicked);
            connect(m_pSecondButton, &QPushButton::clicked, this, &UpgradeWidget::slotCancelClicked);
            break;
        case DownloadPage:
            m_pFirstButton->setText(tr("后台下载"));
            m_pSecondButton->setText(tr("取消下载"));
            connect(m_pFirstButton, &QPushButton::clicked, this, &UpgradeWidget::slotBgDownloadClicked);
            connect(m_pSecondButton, &QPushButton::clicked, this, &UpgradeWidget::slotCancelDownloadClicked);
            break;
        case InstallPage:
            if (m_bPackageVerified) {
                m_pInstallLabel->setText(tr("你想现在安装应用程序吗？"));
                m_pFirstButton->setText(tr("确认"));
                connect(m_pFirstButton, &QPushButton::clicked, this, &UpgradeWidget::install);
            } else {
                // Nothing fetched without a verified certificate is ever started.
                m_pInstallLabel->setText(
                    tr("安装包经未加密的 http 连接下载，无法验证来源，不会自动安装。\n文件位置：%1")
                        .arg(QDir::toNativeSeparators(m_strDownloadPath)));
                m_pFirstButton->setText(tr("打开文件夹"));
                connect(m_pFirstButton, &QPushButton::clicked, this,
                        [this] { PackageInstaller::showInFolder(m_strDownloadPath); });
            }
            m_pSecondButton->setText(tr("取消"));
            connect(m_pSecondButton, &QPushButton::clicked, this, &UpgradeWidget::slotCancelClicked);
            break;
        default:
            return;
    }
    m_pStack->setCurrentIndex(page);
    m_nCurrentPage = page;
}
