#include "OverlayInfoColumn.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "UiScale.h"
#include "VideoInfoTable.h"

const char* const OverlayInfoColumn::kDateFormat = "yyyy/MM/dd HH:mm:ss";

OverlayInfoColumn::OverlayInfoColumn(QWidget* parent) : QWidget(parent), m_infoStrings(kMaxStreams) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    m_dateLabel = new QLabel(this);
    m_dateLabel->setObjectName("dateLabel");
    m_dateLabel->setStyleSheet(QString(R"(
    QLabel {
        color: white;
        border-radius: 6px;
        padding: 6px 12px;
        font-size: %1px;
    }
)")
                                   .arg(scaled(30)));
    m_dateLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_dateLabel->hide();
    column->addWidget(m_dateLabel, 0, Qt::AlignRight);
    m_infoPanel = new VideoInfoTable(this);
    m_infoPanel->hide();
    column->addWidget(m_infoPanel, 0, Qt::AlignRight);
    m_dateTimer = new QTimer(this);
    connect(m_dateTimer, &QTimer::timeout, this,
            [this] { m_dateLabel->setText(QDateTime::currentDateTime().toString(kDateFormat)); });
}

void OverlayInfoColumn::showInfoPanel() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        m_infoPanel->setMaximumWidth(int(screen->availableGeometry().width() * 0.8));
    }
    m_infoPanel->show();
    m_infoPanel->adjustSize();
    adjustSize();
}

void OverlayInfoColumn::showDateLabel(bool show) {
    m_dateLabel->setText(QDateTime::currentDateTime().toString(kDateFormat));
    m_dateTimer->start(1000);
    m_dateLabel->setVisible(show);
    updateGeometry();
    adjustSize();
}

void OverlayInfoColumn::setShowOverlayInfo(bool show) {
    m_showOverlayInfo = show;
    m_infoPanel->setVisible(show);
    adjustSize();
}

void OverlayInfoColumn::setStreamCount(int n) {
    m_streamCount = n;
    for (int i = qMax(0, n); i < m_infoStrings.size(); ++i) {
        m_infoStrings[i].clear();
    }
    setVideoInfo(m_infoStrings);
}

bool OverlayInfoColumn::updateStream(int streamID, const QString& info) {
    if (!m_showOverlayInfo) {
        return false;
    }
    if (streamID < 0 || streamID >= m_infoStrings.size() || streamID >= m_streamCount) {
        return false;
    }
    // Every stream's latest figures are kept, but the table is rebuilt at most once per 100 ms for
    // all streams together. Dropping the figures themselves would starve a stream whose reports
    // always land just after another stream's.
    m_infoStrings[streamID] = info;
    if (m_infoThrottle.isValid() && m_infoThrottle.elapsed() < 100) {
        return false;
    }
    m_infoPanel->show();
    setVideoInfo(m_infoStrings);
    m_infoThrottle.restart();
    return true;
}

void OverlayInfoColumn::setVideoInfo(const QVector<QString>& info) {
    m_infoPanel->setInfo(info, m_streamCount);
    adjustSize();
}
