#ifndef CORVIX_DASH_DIVIDER_H
#define CORVIX_DASH_DIVIDER_H

#include <QWidget>

namespace UiComponents {

// A grey dashed line across the widget at its vertical centre, separating groups of rows.
class DashDivider : public QWidget {
    Q_OBJECT
public:
    explicit DashDivider(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace UiComponents

#endif
