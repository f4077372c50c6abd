#include "StreamSettingsGroup.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "SidePopupSelector.h"
#include "UiScale.h"

namespace {
const char* const kEditStyle = R"(
    QLineEdit {
        background-color: #34383C;
        border: 1px solid #C3C4C5;
        border-radius: 8px;
        color: white;
        padding-left: 6px;
        font-size: 16px;
    }
)";

const char* const kShownEditStyle = R"(
                QLineEdit {
                    background-color: #34383C;
                    border: 1px solid #C3C4C5;
                    color:#FFFFFF;
                    border-radius: 8px;
                    color: white;
                    padding-left: 6px;
                    font-size: 16px;
                }
                QLineEdit:focus {
                    border:1px solid #409EFF;
                }
            )";
}  // namespace

StreamSettingsGroup::StreamSettingsGroup(int streamId, bool wide, QWidget* parent)
    : QWidget(parent), m_nStreamId(streamId) {
    auto* v = new QVBoxLayout(this);
    v->setSpacing(scaled(20));
    v->setContentsMargins(0, 0, 10, 0);
    m_caption = new QLabel(QString("Video%1").arg(streamId + 1), this);
    m_caption->setStyleSheet("color:#C0C4CC;font-size:18px;");
    m_caption->setFixedHeight(scaled(16));
    m_caption->hide();
    v->addWidget(m_caption);

    const QSize selectorSize(scaled(wide ? 350 : 255), scaled(50));
    auto addSelector = [&](const QString& text) {
        auto* row = new QHBoxLayout;
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(scaled(12));
        auto* label = new QLabel(text, this);
        label->setFixedWidth(scaled(150));
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setStyleSheet("color:#FFFFFF;font-size:18px;");
        auto* selector = new SidePopupSelector(this);
        selector->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        selector->setFixedSize(selectorSize);
        row->addWidget(label);
        row->addWidget(selector);
        v->addLayout(row);
        return selector;
    };
    m_media = addSelector(tr("视频格式"));
    m_resolution = addSelector(tr("分辨率"));
    m_fps = addSelector(tr("帧率"));
    m_bitrateRow = makeEditRow(tr("码率"), "200", wide, &m_bitrate);
    m_gopRow = makeEditRow("GOP", "30", wide, &m_gop);
    v->addWidget(m_bitrateRow);
    v->addWidget(m_gopRow);
}

QWidget* StreamSettingsGroup::makeEditRow(const QString& label, const QString& text, bool wide,
                                          QLineEdit** edit) {
    auto* row = new QWidget(this);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(scaled(12));
    auto* title = new QLabel(label, row);
    title->setStyleSheet("color:#FFFFFF;font-size:18px;");
    title->setFixedWidth(scaled(wide ? 150 : 130));
    *edit = new QLineEdit(text, row);
    (*edit)->setAlignment(Qt::AlignCenter);
    (*edit)->setFixedSize(scaled(wide ? 350 : 255), scaled(50));
    (*edit)->setStyleSheet(kEditStyle);
    h->addWidget(title);
    h->addWidget(*edit);
    return row;
}

StreamSettings StreamSettingsGroup::settings() const {
    StreamSettings s;
    s.streamId = m_nStreamId;
    s.mediaIndex = m_media->currentIndex();
    s.resolutionIndex = m_resolution->currentIndex();
    s.fpsIndex = m_fps->currentIndex();
    s.bitrate = m_bitrate->text().toInt(nullptr, 10);
    s.gop = m_gop->text().toInt(nullptr, 10);
    return s;
}

StreamChoice StreamSettingsGroup::choice(const StreamSettings& record) const {
    StreamChoice c;
    c.media = m_media->itemText(record.mediaIndex);
    c.resolution = m_resolution->itemText(record.resolutionIndex);
    c.fps = m_fps->itemText(record.fpsIndex);
    c.bitrate = qMax(0, record.bitrate);
    c.gop = qMax(0, record.gop);
    return c;
}

bool StreamSettingsGroup::isCompressed(const QString& mediaName) {
    return mediaName == QLatin1String("H264") || mediaName == QLatin1String("H265");
}

void StreamSettingsGroup::showEditRow(QWidget* row, QLineEdit* edit, bool visible) {
    row->setVisible(visible);
    if (visible) {
        edit->setStyleSheet(kShownEditStyle);
    }
}

void StreamSettingsGroup::setBitrateVisible(bool visible) {
    showEditRow(m_bitrateRow, m_bitrate, visible);
}

void StreamSettingsGroup::setGopVisible(bool visible) {
    showEditRow(m_gopRow, m_gop, visible);
}
