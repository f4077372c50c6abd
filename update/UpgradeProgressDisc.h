#ifndef CORVIX_UPGRADE_PROGRESS_DISC_H
#define CORVIX_UPGRADE_PROGRESS_DISC_H

#include <QWidget>

// The small floating disc that shows a background download's percentage. A press on it asks
// for the upgrade window back. Translucent frameless top-level tool window.
class UpgradeProgressDisc : public QWidget {
    Q_OBJECT
public:
    explicit UpgradeProgressDisc(QWidget* parent = nullptr);

    void setPercent(int percent);
    int percent() const { return m_nPercent; }

signals:
    void sigPressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int m_nPercent = 0;
};

#endif
