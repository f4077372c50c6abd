#ifndef CORVIX_GESTURE_POPUP_WIDGET_H
#define CORVIX_GESTURE_POPUP_WIDGET_H

#include <QList>
#include <QPair>
#include <QSize>
#include <QWidget>

class QGridLayout;
class QSvgWidget;
class QTimer;
class QVBoxLayout;

// A dark rounded popup of items, each an icon above a caption: one explanatory item, or a legend
// of two to six hand gestures laid out in rows.
class GesturePopupWidget : public QWidget {
    Q_OBJECT

public:
    using Item = QPair<QString, QString>;  // icon path, caption

    explicit GesturePopupWidget(QWidget* parent = nullptr);

    void setItems(const QList<Item>& items, int iconSizeIndex);
    void setSingleItem(const QString& iconPath, const QString& caption, int iconSizeIndex);

    // Shows the popup for duration ms; a showing while one is running restarts the count, so
    // every showing lasts its full time.
    void showFor(int durationMs);
    QTimer* hideTimer() const { return m_hideTimer; }

    static QSize iconSize(int index);
    // Centred in the available screen area.
    static QPoint centredPosition(const QRect& available, const QSize& popupSize);

    QList<Item> items() const { return m_items; }
    QList<QWidget*> itemWidgets() const { return m_itemWidgets; }
    bool isSingleItem() const { return m_bWrap; }
    QGridLayout* grid() const { return m_grid; }

signals:
    void itemClicked(int index);
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void closePopup();

private:
    void clearContent();
    QWidget* createItemWidget(const Item& item, int index, const QSize& iconSize, QWidget* parent);

    QVBoxLayout* m_mainLayout = nullptr;
    QGridLayout* m_grid = nullptr;
    QWidget* m_singleContainer = nullptr;
    QSvgWidget* m_closeIcon = nullptr;
    int m_nIconSizeIndex = 0;
    QList<Item> m_items;
    QList<QWidget*> m_itemWidgets;
    bool m_bWrap = false;
    QTimer* m_hideTimer = nullptr;
};

#endif
