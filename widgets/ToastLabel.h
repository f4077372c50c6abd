#ifndef CORVIX_TOAST_LABEL_H
#define CORVIX_TOAST_LABEL_H

#include <QLabel>

class QTimer;

// A short message in a rounded translucent box, hidden again after its duration.
// Type 1 is a plain notice, type 2 an error; anything else is a darker notice.
class ToastLabel : public QLabel {
    Q_OBJECT
public:
    explicit ToastLabel(QWidget* parent = nullptr);

    void setMaxWidth(int width);
    int maxWidth() const { return m_maxWidth; }

    // Shows the text (elided in the middle when too wide). A duration >= 1 ms hides it again
    // after that time, counted from the latest message; 0 keeps it until the owner hides it.
    void showMessage(const QString& text, int type = 1, int durationMs = 2000);
    // The message as given, before eliding.
    QString fullText() const { return m_fullText; }

    static QString styleSheetFor(int type);

private:
    void fitSize();

    int m_maxWidth = 520;
    QString m_fullText;
    QTimer* m_hideTimer = nullptr;
};

#endif
