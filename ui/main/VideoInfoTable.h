#ifndef CORVIX_VIDEO_INFO_TABLE_H
#define CORVIX_VIDEO_INFO_TABLE_H

#include <QVector>
#include <QWidget>

class QGridLayout;
class QLabel;

// The stream information panel: a header row of seven titles and one row per stream, filled from
// the video widget's "stream.format.WxH.fps.rateKB/S.fps.rateKB/S" texts. Rows beyond the stream
// count show "-" and collapse.
class VideoInfoTable : public QWidget {
    Q_OBJECT

public:
    static constexpr int kColumns = 7;
    static constexpr int kRows = 3;

    explicit VideoInfoTable(QWidget* parent = nullptr);

    void setInfo(const QVector<QString>& info, int streamCount);

    QString cellText(int row, int column) const;
    bool isRowCollapsed(int row) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QGridLayout* m_grid = nullptr;
    QVector<QLabel*> m_cells;  // row-major, kRows x kColumns
};

#endif
