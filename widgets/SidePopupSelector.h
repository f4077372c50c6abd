#ifndef CORVIX_SIDE_POPUP_SELECTOR_H
#define CORVIX_SIDE_POPUP_SELECTOR_H

#include <QList>
#include <QRect>
#include <QSize>
#include <QWidget>

class QPushButton;
class QScrollArea;
class QVBoxLayout;
class RightIconButton;

// The drop-down selector of the settings screens: a button shows the current entry, and a
// press on it opens the list as a popup window to the right of the button.
class SidePopupSelector : public QWidget {
    Q_OBJECT

public:
    explicit SidePopupSelector(QWidget* parent = nullptr);
    ~SidePopupSelector() override;

    // Appends an entry; the current index stays as it is.
    void addItem(const QString& text);
    // Removes every entry and the selection, without a signal.
    void clear();
    // Selects an entry and reports it (also when it was already current); out of range: nothing.
    void setCurrentIndex(int index);
    int currentIndex() const { return m_nCurrentIndex; }
    QString currentText() const;
    int count() const { return m_entries.size(); }
    QString itemText(int index) const;

    // The button's size: both values >= 0 (setFixedSize) or a width >= 1 (setFixedWidth).
    void setFixedSize(const QSize& size);
    void setFixedWidth(int width);

    void showPopup();
    void hidePopup();
    bool isPopupOpen() const;
    // Where the list opens for a button whose top-left corner is at globalTopLeft, clamped into
    // the available screen area (pure, for the placement rule).
    static QRect popupGeometry(const QPoint& globalTopLeft, int buttonWidth, const QSize& listSize,
                               const QRect& available);

    RightIconButton* button() const { return m_button; }
    QScrollArea* popup() const { return m_popup; }
    QPushButton* entry(int index) const;

signals:
    void currentIndexChanged(int index);
    void currentTextChanged(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void onEntryClicked();
    void elideButtonText();
    QSize listSize() const;

    RightIconButton* m_button = nullptr;
    QScrollArea* m_popup = nullptr;  // a top-level popup window, deleted with the selector
    QWidget* m_list = nullptr;
    QVBoxLayout* m_listLayout = nullptr;
    QList<QPushButton*> m_entries;
    int m_nCurrentIndex = -1;
    QSize m_buttonSize;
    int m_nPopupMinWidth = 0;
    int m_nPopupMaxHeight = 0;
};

#endif
