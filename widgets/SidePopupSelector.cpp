#include "SidePopupSelector.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QSvgRenderer>
#include <QVBoxLayout>

#include "RightIconButton.h"
#include "TranslucentWindowMask.h"
#include "UiScale.h"

namespace {
const char* const kButtonStyle = R"(
    QPushButton {
        border-radius: 8px;
        border: 1px solid #C3C4C5;
        background-color: #34383C;
        color: #C0C4CC;
        padding-left: 12px;
        padding-right: 24px;
    }
    QPushButton:hover {
        background-color: #3C4044;
    }
)";

const char* const kEntryStyle = R"(
        QPushButton {
            background-color: #2f3437;
            border: none;
            color: white;
            text-align: left;
            padding-left: 12px;
            padding-right: 20px;
        }
        QPushButton:pressed {
            color: orange;
            background-color: rgba(0,122,255,100);
        }
        QPushButton:checked {
            color: orange;
        }
    )";

const char* const kPopupStyle = R"(
    QScrollArea { border: none; background: transparent; }
    QScrollArea > QWidget > QWidget { background: rgba(0, 0, 0, 0); border-radius: 10px; }
    QScrollBar:vertical { width: 8px; background: transparent; margin: 0px; }
    QScrollBar::handle:vertical { background: #FF7F00; border-radius: 4px; min-height: 30px; }
    QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0px; }
    QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }
)";

// The space an entry leaves beside its text (padding and the check icon).
constexpr int kEntryExtra = 60;
// The button keeps this much room beside the elided text for its drop-down icon.
constexpr int kButtonTextReserve = 50;
// The list opens this far to the right of the button.
constexpr int kPopupGap = 60;

QIcon comboIcon() {
    QSvgRenderer renderer(QStringLiteral(":/icons/combox.svg"));
    if (!renderer.isValid()) {
        return QIcon();
    }
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return QIcon(pixmap);
}

// What the list draws: its entries where the viewport shows them and the scroll bar's handle; the
// spacing between entries, the rest of a short list and the scroll track are clear.
QRegion listParts(const QScrollArea* popup) {
    QRegion parts;
    const QWidget* list = popup->widget();
    if (!list) {
        return parts;
    }
    for (const QPushButton* entry : list->findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!entry->isHidden()) {
            parts += QRect(list->mapTo(popup, entry->pos()), entry->size());
        }
    }
    parts &= popup->viewport()->geometry();
    const QScrollBar* bar = popup->verticalScrollBar();
    if (bar->isVisible()) {
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.subControls = QStyle::SC_All;
        option.orientation = bar->orientation();
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = bar->sliderPosition();
        option.sliderValue = bar->value();
        option.singleStep = bar->singleStep();
        option.pageStep = bar->pageStep();
        option.upsideDown = bar->invertedAppearance();
        const QRect handle =
            bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar);
        parts += handle.translated(bar->mapTo(popup, QPoint()));
    }
    return parts;
}
}  // namespace

SidePopupSelector::SidePopupSelector(QWidget* parent)
    : QWidget(parent),
      m_buttonSize(scaled(220), scaled(50)),
      m_nPopupMinWidth(scaled(300)),
      m_nPopupMaxHeight(scaled(370)) {
    m_button = new RightIconButton(this);
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    QFont font = m_button->font();
    font.setPointSize(14);
    m_button->setFont(font);
    m_button->setMinimumHeight(QFontMetrics(font).height() + 16);
    m_button->setStyleSheet(kButtonStyle);
    const QIcon icon = comboIcon();
    if (!icon.isNull()) {
        m_button->setIcon(icon);
        m_button->setIconSize(QSize(16, 16));
    }

    m_popup = new QScrollArea;
    m_popup->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint);
    m_popup->setAttribute(Qt::WA_TranslucentBackground);
    TranslucentWindowMask::apply(m_popup, [popup = m_popup] { return listParts(popup); });
    m_popup->setAttribute(Qt::WA_ShowWithoutActivating);
    m_popup->setFrameShape(QFrame::NoFrame);
    m_popup->setFocusPolicy(Qt::NoFocus);
    m_popup->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_popup->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_popup->setWidgetResizable(true);
    m_popup->setStyleSheet(kPopupStyle);
    m_list = new QWidget;
    m_list->setStyleSheet("\n        border-radius: 5px;\n    ");
    m_listLayout = new QVBoxLayout(m_list);
    m_listLayout->setSpacing(scaled(3));
    m_listLayout->setContentsMargins(0, 0, 0, 0);
    m_popup->setWidget(m_list);
    m_popup->hide();

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_button);

    m_button->installEventFilter(this);
    m_popup->installEventFilter(this);
}

SidePopupSelector::~SidePopupSelector() {
    delete m_popup;
}

void SidePopupSelector::addItem(const QString& text) {
    auto* entry = new QPushButton(text, m_list);
    entry->setCheckable(true);
    entry->setAutoExclusive(true);
    entry->setLayoutDirection(Qt::RightToLeft);  // the check icon at the right end
    entry->setFont(m_button->font());
    entry->setFixedHeight(QFontMetrics(m_button->font()).height() + 14);
    entry->setStyleSheet(kEntryStyle);
    connect(entry, &QPushButton::clicked, this, &SidePopupSelector::onEntryClicked);
    m_entries.append(entry);
    m_listLayout->addWidget(entry);
}

void SidePopupSelector::clear() {
    while (QLayoutItem* item = m_listLayout->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            w->hide();
            w->deleteLater();
        }
        delete item;
    }
    m_entries.clear();
    m_nCurrentIndex = -1;
    m_button->setText(QString());
    m_button->setToolTip(QString());
    m_list->update();
}

void SidePopupSelector::setCurrentIndex(int index) {
    if (index < 0 || index >= m_entries.size()) {
        return;
    }
    m_nCurrentIndex = index;
    for (int i = 0; i < m_entries.size(); ++i) {
        QPushButton* entry = m_entries[i];
        // Auto-exclusive buttons cannot all be unchecked at once; turn it off for the update.
        entry->setAutoExclusive(false);
        entry->setChecked(i == index);
        entry->setAutoExclusive(true);
        entry->setIcon(i == index ? QIcon(QStringLiteral(":/icons/select.png")) : QIcon());
    }
    const QString text = m_entries[index]->text();
    m_button->setToolTip(text);
    elideButtonText();
    emit currentIndexChanged(index);
    emit currentTextChanged(text);
}

QString SidePopupSelector::currentText() const {
    return itemText(m_nCurrentIndex);
}

QString SidePopupSelector::itemText(int index) const {
    return index >= 0 && index < m_entries.size() ? m_entries[index]->text() : QString();
}

QPushButton* SidePopupSelector::entry(int index) const {
    return index >= 0 && index < m_entries.size() ? m_entries[index] : nullptr;
}

void SidePopupSelector::setFixedSize(const QSize& size) {
    if (size.width() < 0 || size.height() < 0) {
        return;
    }
    m_buttonSize = size;
    m_button->setFixedSize(size);
}

void SidePopupSelector::setFixedWidth(int width) {
    if (width < 1) {
        return;
    }
    m_buttonSize.setWidth(width);
    m_button->setFixedSize(m_buttonSize);
}

void SidePopupSelector::elideButtonText() {
    if (m_nCurrentIndex < 0 || m_nCurrentIndex >= m_entries.size()) {
        return;
    }
    const QString text = m_entries[m_nCurrentIndex]->text();
    const int room = qMax(0, m_button->width() - kButtonTextReserve);
    m_button->setText(QFontMetrics(m_button->font()).elidedText(text, Qt::ElideRight, room));
}

void SidePopupSelector::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    elideButtonText();
}

void SidePopupSelector::onEntryClicked() {
    const int index = m_entries.indexOf(qobject_cast<QPushButton*>(sender()));
    if (index < 0) {
        return;
    }
    setCurrentIndex(index);
    hidePopup();
}

QSize SidePopupSelector::listSize() const {
    const QFontMetrics metrics(m_button->font());
    int widest = 0;
    int height = 0;
    for (QPushButton* entry : m_entries) {
        widest = qMax(widest, metrics.horizontalAdvance(entry->text()));
        height += entry->height();
    }
    height += qMax(0, m_entries.size() - 1) * m_listLayout->spacing();
    const int width = qMax(m_nPopupMinWidth, (m_entries.isEmpty() ? 0 : widest) + kEntryExtra);
    return QSize(width, qMin(height, m_nPopupMaxHeight));
}

QRect SidePopupSelector::popupGeometry(const QPoint& globalTopLeft, int buttonWidth, const QSize& listSize,
                                       const QRect& available) {
    int x = globalTopLeft.x() + buttonWidth + kPopupGap;
    int y = globalTopLeft.y();
    if (available.isValid()) {
        if (x + listSize.width() > available.right()) {
            x = available.right() - listSize.width();
        }
        if (y + listSize.height() > available.bottom()) {
            y = available.bottom() - listSize.height();
        }
        y = qMax(y, available.top());
    }
    return QRect(QPoint(x, y), listSize);
}

void SidePopupSelector::showPopup() {
    if (!parentWidget()) {
        return;
    }
    const QPoint topLeft = m_button->mapToGlobal(QPoint(0, 0));
    const QScreen* screen = QGuiApplication::screenAt(topLeft);
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    const QRect available = screen ? screen->availableGeometry() : QRect();
    m_popup->setGeometry(popupGeometry(topLeft, m_button->width(), listSize(), available));
    m_popup->raise();
    m_popup->show();
}

void SidePopupSelector::hidePopup() {
    m_popup->hide();
    m_button->show();
}

bool SidePopupSelector::isPopupOpen() const {
    return m_popup->isVisible();
}

bool SidePopupSelector::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_button && event->type() == QEvent::MouseButtonPress) {
        showPopup();
        return true;
    }
    if (watched == m_popup && m_popup->isVisible()) {
        if (event->type() == QEvent::MouseButtonPress) {
            const QPoint global = static_cast<QMouseEvent*>(event)->globalPos();
            const QRect buttonRect(m_button->mapToGlobal(QPoint(0, 0)), m_button->size());
            if (!m_popup->geometry().contains(global) && !buttonRect.contains(global)) {
                hidePopup();
            }
        } else if (event->type() == QEvent::KeyPress &&
                   static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            hidePopup();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
