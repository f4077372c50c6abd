#include "GesturePopupWidget.h"

#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QVariant>

#include "UiScale.h"
#include "TranslucentWindowMask.h"

namespace {
const char* const kCaptionStyle = "color:#CCCCCC;font-size:14px;font-family:'Microsoft YaHei';";
constexpr int kWrapWidth = 320;
}  // namespace

GesturePopupWidget::GesturePopupWidget(QWidget* parent) : QWidget(parent) {
    setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    TranslucentWindowMask::applyWhole(this);
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);
    m_mainLayout = new QVBoxLayout(this);
    m_mainLayout->setContentsMargins(40, 40, 40, 40);
    m_mainLayout->setSpacing(0);
    m_grid = new QGridLayout;
    m_grid->setSpacing(scaled(60));
    m_grid->setContentsMargins(0, 20, 0, 20);
    m_grid->setAlignment(Qt::AlignCenter);
    m_mainLayout->addLayout(m_grid, 1);
    m_closeIcon = new QSvgWidget(QStringLiteral(":/icons/close.svg"), this);
    m_closeIcon->setFixedSize(scaled(40), scaled(40));
    m_closeIcon->raise();
    m_hideTimer = new QTimer(this);
    m_hideTimer->setSingleShot(true);
    m_hideTimer->setTimerType(Qt::CoarseTimer);
    connect(m_hideTimer, &QTimer::timeout, this, &QWidget::hide);
    hide();
}

QSize GesturePopupWidget::iconSize(int index) {
    switch (index) {
        case 0:
            return QSize(140, 100);
        case 1:
            return QSize(120, 120);
        case 2:
            return QSize(200, 100);
        case 3:
            return QSize(48, 120);
        case 4:
            return QSize(60, 60);
        default:
            return QSize(120, 120);
    }
}

QPoint GesturePopupWidget::centredPosition(const QRect& available, const QSize& popupSize) {
    return QPoint(available.left() + (available.width() - popupSize.width()) / 2,
                  available.top() + (available.height() - popupSize.height()) / 2);
}

void GesturePopupWidget::showFor(int durationMs) {
    show();
    raise();
    m_hideTimer->start(durationMs);
}

void GesturePopupWidget::clearContent() {
    qDeleteAll(m_itemWidgets);
    m_itemWidgets.clear();
    delete m_singleContainer;
    m_singleContainer = nullptr;
    while (QLayoutItem* item = m_grid->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (int c = 0; c < m_grid->columnCount(); ++c) {
        m_grid->setColumnStretch(c, 0);
    }
}

void GesturePopupWidget::setSingleItem(const QString& iconPath, const QString& caption, int iconSizeIndex) {
    setItems({Item(iconPath, caption)}, iconSizeIndex);
}

void GesturePopupWidget::setItems(const QList<Item>& items, int iconSizeIndex) {
    clearContent();
    if (items != m_items) {
        m_items = items;
    }
    m_nIconSizeIndex = iconSizeIndex;
    const QSize size = iconSize(iconSizeIndex);

    if (m_items.size() == 1) {
        m_bWrap = true;
        m_singleContainer = new QWidget(this);
        auto* layout = new QVBoxLayout(m_singleContainer);
        layout->setContentsMargins(20, 20, 20, 20);
        layout->setSpacing(16);
        layout->setAlignment(Qt::AlignCenter);
        QWidget* item = createItemWidget(m_items[0], 0, size, m_singleContainer);
        layout->addWidget(item, 0, Qt::AlignCenter);
        m_mainLayout->addWidget(m_singleContainer, 1);
    } else {
        m_bWrap = false;
        QList<int> rows;
        if (m_items.size() == 5) {
            rows = {2, 3};
        } else if (m_items.size() == 6) {
            rows = {3, 3};
        } else if (!m_items.isEmpty()) {
            rows = {m_items.size()};
        }
        int gridRow = 0;
        int index = 0;
        for (int r = 0; r < rows.size(); ++r) {
            const int n = rows[r];
            m_grid->setColumnStretch(0, 1);
            m_grid->setColumnStretch(n + 1, 1);
            for (int c = 1; c <= n; ++c, ++index) {
                QWidget* item = createItemWidget(m_items[index], index, size, this);
                m_grid->addWidget(item, gridRow, c, Qt::AlignCenter);
            }
            ++gridRow;
            if (m_items.size() == 5 && r == 0) {
                auto* line = new QFrame(this);
                line->setFrameShape(QFrame::HLine);
                line->setStyleSheet("color: rgba(255,255,255,0.2);");
                line->setFixedHeight(1);
                m_grid->addWidget(line, gridRow, 0, 1, n + 2);
                ++gridRow;
            }
        }
    }
    m_closeIcon->raise();
    layout()->invalidate();
    layout()->activate();
    setMinimumSize(0, 0);
    resize(0, 0);
    adjustSize();
    resize(sizeHint());
}

QWidget* GesturePopupWidget::createItemWidget(const Item& item, int index, const QSize& iconSize,
                                              QWidget* parent) {
    auto* widget = new QWidget(parent);
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    layout->setAlignment(Qt::AlignCenter);
    if (QFileInfo(item.first).suffix().toLower() == "svg") {
        auto* icon = new QSvgWidget(item.first, widget);
        icon->setFixedSize(iconSize);
        layout->addWidget(icon, 0, Qt::AlignCenter);
    } else {
        auto* icon = new QLabel(widget);
        icon->setFixedSize(iconSize);
        icon->setAlignment(Qt::AlignCenter);
        const QPixmap pixmap(item.first);
        if (!pixmap.isNull()) {
            icon->setPixmap(pixmap.scaled(iconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        }
        layout->addWidget(icon, 0, Qt::AlignCenter);
    }
    auto* caption = new QLabel(item.second, widget);
    caption->setObjectName("caption");
    caption->setStyleSheet(kCaptionStyle);
    caption->setAlignment(Qt::AlignCenter);
    if (m_bWrap) {
        caption->setWordWrap(true);
        caption->setFixedWidth(kWrapWidth);
        caption->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    }
    layout->addWidget(caption, 0, Qt::AlignCenter);
    widget->setCursor(Qt::PointingHandCursor);
    widget->setProperty("index", index);
    widget->installEventFilter(this);
    m_itemWidgets.append(widget);
    return widget;
}

void GesturePopupWidget::closePopup() {
    hide();
    emit closed();
}

void GesturePopupWidget::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor("#121212"));
    painter.drawRoundedRect(rect(), 12, 12);
}

void GesturePopupWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_closeIcon->move(width() - m_closeIcon->width() - 10, 10);
}

bool GesturePopupWidget::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        const QVariant index = watched->property("index");
        if (index.isValid()) {
            emit itemClicked(index.toInt());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
