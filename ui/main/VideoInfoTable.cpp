#include "VideoInfoTable.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QStyleOption>

#include "UiScale.h"

VideoInfoTable::VideoInfoTable(QWidget* parent) : QWidget(parent) {
    setObjectName("infoPanel");
    setStyleSheet(R"(
        #infoPanel {
            background-color: rgba(0, 0, 0, 0.3);
            border-radius: 10px;
        }
    )");
    const QString labelStyle = QString("color: white; font-size: %1px;").arg(scaled(14));
    m_grid = new QGridLayout(this);
    const QStringList titles = {tr("视频流"),   tr("视频格式"), tr("分辨率"),  tr("相机帧率"),
                                tr("相机码率"), tr("显示帧率"), tr("显示码率")};
    for (int c = 0; c < kColumns; ++c) {
        auto* title = new QLabel(titles.at(c), this);
        title->setAlignment(Qt::AlignCenter);
        title->setStyleSheet(labelStyle);
        m_grid->addWidget(title, 0, c);
        m_grid->setColumnStretch(c, 1);
    }
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            auto* cell = new QLabel("-", this);
            cell->setAlignment(Qt::AlignCenter);
            cell->setStyleSheet(labelStyle);
            cell->setWordWrap(false);
            cell->setTextInteractionFlags(Qt::TextSelectableByMouse);
            m_grid->addWidget(cell, r + 1, c);
            m_cells.append(cell);
        }
    }
    setInfo({}, 1);
}

void VideoInfoTable::setInfo(const QVector<QString>& info, int streamCount) {
    for (int r = 0; r < kRows; ++r) {
        const bool active = r < streamCount;
        m_grid->setRowMinimumHeight(r + 1, active ? scaled(28) : 0);
        const QStringList parts = r < info.size() ? info.at(r).split('.') : QStringList();
        for (int c = 0; c < kColumns; ++c) {
            QLabel* cell = m_cells.at(r * kColumns + c);
            // An empty info text splits into one empty part: it shows as "-" like a missing one.
            const bool hasPart = c < parts.size() && !(parts.size() == 1 && parts.at(0).isEmpty());
            cell->setText(hasPart ? parts.at(c) : QStringLiteral("-"));
            cell->setVisible(active);
        }
    }
    adjustSize();
}

QString VideoInfoTable::cellText(int row, int column) const {
    if (row < 0 || row >= kRows || column < 0 || column >= kColumns) {
        return QString();
    }
    return m_cells.at(row * kColumns + column)->text();
}

bool VideoInfoTable::isRowCollapsed(int row) const {
    if (row < 0 || row >= kRows) {
        return true;
    }
    return m_cells.at(row * kColumns)->isHidden() && m_grid->rowMinimumHeight(row + 1) == 0;
}

void VideoInfoTable::paintEvent(QPaintEvent* /*event*/) {
    // Lets the style sheet's background and rounded corners show on a plain QWidget subclass.
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
