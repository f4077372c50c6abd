#ifndef CORVIX_ACCESS_GESTURE_H
#define CORVIX_ACCESS_GESTURE_H

#include <QObject>
#include <QPointer>
#include <QRect>

class OnScreenKeyboard;
class QWidget;

// The hidden gesture that unlocks the multi-stream mode and the advanced controls: six clicks in
// the 50 x 50 square at the video's top-right corner open the access-code dialog.
class AccessGesture : public QObject {
    Q_OBJECT

public:
    explicit AccessGesture(QWidget* dialogParent);

    void setVideo(QWidget* video) { m_video = video; }
    QRect hotArea() const;
    // A click at a global position; the sixth one in the hot area queues the dialog.
    void countClick(const QPoint& globalPos);
    // Runs the access-code dialog (modal) and applies the code.
    void runDialog();

    int clickCount() const { return m_secretClickCount; }
    bool supportStream() const { return m_bSupportStream; }
    bool supportAdvanceXU() const { return m_bSupportAdvanceXU; }
    OnScreenKeyboard* keyboard() const { return m_keyboard; }

signals:
    void setSupportStream(bool enable);
    void setSupportAdvanceXU(bool enable);

private:
    QWidget* m_dialogParent = nullptr;
    QPointer<QWidget> m_video;
    int m_secretClickCount = 0;
    bool m_bSupportStream = false;
    bool m_bSupportAdvanceXU = false;
    OnScreenKeyboard* m_keyboard = nullptr;
};

#endif
