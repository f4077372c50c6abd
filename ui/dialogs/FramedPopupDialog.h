#ifndef CORVIX_FRAMED_POPUP_DIALOG_H
#define CORVIX_FRAMED_POPUP_DIALOG_H

#include <QDialog>

class QVBoxLayout;
class UniversalButton;

// The look and closing rules shared by the property and record dialogs: a frameless dialog with
// a translucent background around a dark rounded panel, closed by Esc or by a press anywhere
// outside it (an application-wide event filter while it is shown).
class FramedPopupDialog : public QDialog {
    Q_OBJECT

public:
    // designSize: the size on a 1920x1080 screen.
    FramedPopupDialog(const QSize& designSize, QWidget* parent);

protected:
    // The panel's vertical layout, for the content.
    QVBoxLayout* bodyLayout() const { return m_body; }
    void addTitle(const QString& text);
    // A 1-pixel divider line added to the body.
    QWidget* addDivider();
    // "重置" and "退出" centred in a row added to the body; the exit button closes the dialog.
    void addButtonRow(UniversalButton** reset, UniversalButton** exit);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QVBoxLayout* m_body = nullptr;
    bool m_bFiltering = false;
};

#endif
