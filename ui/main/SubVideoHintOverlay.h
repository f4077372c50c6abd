#ifndef CORVIX_SUB_VIDEO_HINT_OVERLAY_H
#define CORVIX_SUB_VIDEO_HINT_OVERLAY_H

#include <QWidget>

class QLabel;
class QSvgWidget;
class SvgSpinnerWidget;

// The darkened layer over a video widget while it has no picture: the no-video icon and caption,
// an optional busy spinner and an optional hint line. Clicks pass through it.
class SubVideoHintOverlay : public QWidget {
    Q_OBJECT

public:
    explicit SubVideoHintOverlay(QWidget* parent = nullptr);

    void setLoading(bool on);
    // An empty text hides the hint line (its old text stays).
    void setHintText(const QString& text);

    bool isLoading() const;
    QString hintText() const;
    bool isHintVisible() const;

    QSvgWidget* icon() const { return m_icon; }
    QLabel* caption() const { return m_caption; }
    SvgSpinnerWidget* spinner() const { return m_spinner; }
    QLabel* hintLabel() const { return m_hint; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSvgWidget* m_icon = nullptr;
    QLabel* m_caption = nullptr;
    SvgSpinnerWidget* m_spinner = nullptr;
    QLabel* m_hint = nullptr;
};

#endif
