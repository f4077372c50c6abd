#ifndef CORVIX_STREAM_SETTINGS_GROUP_H
#define CORVIX_STREAM_SETTINGS_GROUP_H

#include <QWidget>

#include "StreamChoiceStore.h"
#include "StreamSettings.h"

class QLabel;
class QLineEdit;
class SidePopupSelector;

// One stream's settings on the panel: format, size and rate selectors, and the bitrate and GOP
// edits that only compressed formats use. The wide variant is stream 1's on the camera page, the
// compact one sits on the side cards of streams 2 and 3.
class StreamSettingsGroup : public QWidget {
    Q_OBJECT

public:
    StreamSettingsGroup(int streamId, bool wide, QWidget* parent);

    // The stream's record as the selectors and edits stand; text that is not a number gives 0.
    StreamSettings settings() const;
    // The entries a record names, by their text (empty where the record has no entry).
    StreamChoice choice(const StreamSettings& record) const;
    // Shows or hides the bitrate (GOP) row; a shown edit gets its focus look.
    void setBitrateVisible(bool visible);
    void setGopVisible(bool visible);
    // H264 and H265 carry a bitrate and a GOP (exact names).
    static bool isCompressed(const QString& mediaName);

    int streamId() const { return m_nStreamId; }
    QLabel* caption() const { return m_caption; }
    SidePopupSelector* mediaSelector() const { return m_media; }
    SidePopupSelector* resolutionSelector() const { return m_resolution; }
    SidePopupSelector* fpsSelector() const { return m_fps; }
    QWidget* bitrateRow() const { return m_bitrateRow; }
    QWidget* gopRow() const { return m_gopRow; }
    QLineEdit* bitrateEdit() const { return m_bitrate; }
    QLineEdit* gopEdit() const { return m_gop; }

private:
    QWidget* makeEditRow(const QString& label, const QString& text, bool wide, QLineEdit** edit);
    static void showEditRow(QWidget* row, QLineEdit* edit, bool visible);

    int m_nStreamId = 0;
    QLabel* m_caption = nullptr;
    SidePopupSelector* m_media = nullptr;
    SidePopupSelector* m_resolution = nullptr;
    SidePopupSelector* m_fps = nullptr;
    QWidget* m_bitrateRow = nullptr;
    QWidget* m_gopRow = nullptr;
    QLineEdit* m_bitrate = nullptr;
    QLineEdit* m_gop = nullptr;
};

#endif
