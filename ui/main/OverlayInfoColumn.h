#ifndef CORVIX_OVERLAY_INFO_COLUMN_H
#define CORVIX_OVERLAY_INFO_COLUMN_H

#include <QElapsedTimer>
#include <QVector>
#include <QWidget>

class QLabel;
class QTimer;
class VideoInfoTable;

// The top-right column of the overlay: the live date label above the stream information table.
class OverlayInfoColumn : public QWidget {
    Q_OBJECT

public:
    static constexpr int kMaxStreams = 3;
    static const char* const kDateFormat;

    explicit OverlayInfoColumn(QWidget* parent = nullptr);

    void showInfoPanel();
    void showDateLabel(bool show);
    void setShowOverlayInfo(bool show);
    bool showOverlayInfo() const { return m_showOverlayInfo; }
    void setStreamCount(int n);
    int streamCount() const { return m_streamCount; }
    // Answers whether the table took the update (switched on, not throttled, stream in range).
    bool updateStream(int streamID, const QString& info);
    void setVideoInfo(const QVector<QString>& info);

    QLabel* dateLabel() const { return m_dateLabel; }
    VideoInfoTable* infoPanel() const { return m_infoPanel; }

private:
    QLabel* m_dateLabel = nullptr;
    QTimer* m_dateTimer = nullptr;
    VideoInfoTable* m_infoPanel = nullptr;
    bool m_showOverlayInfo = false;
    QVector<QString> m_infoStrings;
    int m_streamCount = 1;
    QElapsedTimer m_infoThrottle;
};

#endif
