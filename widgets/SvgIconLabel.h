#ifndef CORVIX_SVG_ICON_LABEL_H
#define CORVIX_SVG_ICON_LABEL_H

#include <QWidget>

class QSvgRenderer;

// One SVG drawn over the whole widget; 16 x 16 unless told otherwise. Lets clicks through.
class SvgIconLabel : public QWidget {
    Q_OBJECT
public:
    explicit SvgIconLabel(QWidget* parent = nullptr);
    explicit SvgIconLabel(const QString& path, QWidget* parent = nullptr);

    void setIcon(const QString& path);
    QString iconPath() const { return m_path; }
    bool hasValidIcon() const;
    void setIconSize(const QSize& size);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSvgRenderer* m_renderer = nullptr;
    QString m_path;
    QSize m_size{16, 16};
};

#endif
