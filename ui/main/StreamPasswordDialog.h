#ifndef CORVIX_STREAM_PASSWORD_DIALOG_H
#define CORVIX_STREAM_PASSWORD_DIALOG_H

#include <QDialog>

class QLineEdit;
class QPushButton;

// The access-code dialog opened by the hidden gesture: a white card with a code field,
// cancel and confirm.
class StreamPasswordDialog : public QDialog {
    Q_OBJECT

public:
    explicit StreamPasswordDialog(QWidget* parent = nullptr);

    QString password() const;

    QLineEdit* passwordEdit() const { return m_edit; }
    QPushButton* cancelButton() const { return m_cancel; }
    QPushButton* confirmButton() const { return m_confirm; }

private:
    QLineEdit* m_edit = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_confirm = nullptr;
};

#endif
