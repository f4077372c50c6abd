#ifndef CORVIX_SIDE_POPUP_SELECTOR_H
#define CORVIX_SIDE_POPUP_SELECTOR_H

#include <QStringList>
#include <QWidget>

class QPushButton;

// The drop-down selector of the dialogs: a button showing the current entry that opens the
// list to its right. setCurrentIndex reports also an unchanged index; owners that set it from
// code block its signals.
class SidePopupSelector : public QWidget {
    Q_OBJECT

public:
    explicit SidePopupSelector(QWidget* parent = nullptr);

    void addItem(const QString& text);
    void clear();
    void setCurrentIndex(int index);
    int currentIndex() const { return m_nCurrent; }
    QString currentText() const;
    int count() const { return m_items.size(); }
    QString itemText(int index) const { return m_items.value(index); }
    void setFixedSize(const QSize& size);
    void setFixedWidth(int width);
    QPushButton* button() const { return m_button; }

signals:
    void currentIndexChanged(int index);
    void currentTextChanged(QString text);

private:
    void openList();

    QPushButton* m_button = nullptr;
    QStringList m_items;
    int m_nCurrent = -1;
    QSize m_buttonSize;
};

#endif
