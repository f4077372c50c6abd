#include "StreamChoiceRestorer.h"

#include <QLineEdit>
#include <QSignalBlocker>

#include "SidePopupSelector.h"
#include "StreamSettingsGroup.h"

StreamChoiceRestorer::StreamChoiceRestorer(QObject* parent) : QObject(parent) {}

int StreamChoiceRestorer::findEntry(const SidePopupSelector* selector, const QString& text) {
    if (text.isEmpty()) {
        return -1;
    }
    const QString wanted = QString(text).remove(' ');
    for (int i = 0; i < selector->count(); ++i) {
        if (selector->itemText(i).remove(' ') == wanted) {
            return i;
        }
    }
    return -1;
}

int StreamChoiceRestorer::select(SidePopupSelector* selector, const QString& text, int stream,
                                 const char* what) {
    const int index = findEntry(selector, text);
    if (index >= 0) {
        // Announced by the caller, also when the entry was already the current one.
        const QSignalBlocker blocker(selector);
        selector->setCurrentIndex(index);
        selector->update();
    } else if (!text.isEmpty() && selector->count() > 0) {
        qCWarning(lcStreamChoices).noquote().nospace()
            << "stream " << stream + 1 << ": remembered " << what << " " << text
            << " not offered; the camera's own kept";
    }
    return selector->currentIndex();
}

void StreamChoiceRestorer::start(const QMap<int, StreamChoice>& choices,
                                 const QMap<int, StreamSettingsGroup*>& groups) {
    m_pending.clear();
    for (auto it = choices.cbegin(); it != choices.cend(); ++it) {
        StreamSettingsGroup* group = groups.value(it.key());
        if (!group) {
            continue;
        }
        // A format the camera no longer offers leaves the whole stream at the camera's defaults.
        if (findEntry(group->mediaSelector(), it.value().media) < 0) {
            qCWarning(lcStreamChoices).noquote().nospace()
                << "stream " << it.key() + 1 << ": remembered format " << it.value().media
                << " not offered; the camera's own kept";
            continue;
        }
        m_pending.insert(it.key(), Pending{it.value(), group, Stage::Resolution});
    }
    // All streams are registered before the first announcement: the camera may answer at once.
    const QList<int> streams = m_pending.keys();
    for (int stream : streams) {
        auto it = m_pending.find(stream);
        if (it == m_pending.end()) {
            continue;
        }
        select(it->group->mediaSelector(), it->choice.media, stream, "format");
        emit mediaChosen(stream);
    }
}

void StreamChoiceRestorer::cancel() {
    m_pending.clear();
}

void StreamChoiceRestorer::resolutionListFilled(int stream) {
    auto it = m_pending.find(stream);
    if (it == m_pending.end() || it->stage != Stage::Resolution) {
        return;
    }
    it->stage = Stage::Fps;
    const int index = select(it->group->resolutionSelector(), it->choice.resolution, stream, "size");
    if (index < 0) {
        // No sizes at all: nothing further will come for this stream.
        finishStream(stream);
        return;
    }
    emit resolutionChosen(stream, index);
}

void StreamChoiceRestorer::fpsListFilled(int stream) {
    auto it = m_pending.find(stream);
    if (it == m_pending.end() || it->stage != Stage::Fps) {
        return;
    }
    select(it->group->fpsSelector(), it->choice.fps, stream, "rate");
    if (it->choice.bitrate > 0) {
        it->group->bitrateEdit()->setText(QString::number(it->choice.bitrate));
    }
    if (it->choice.gop > 0) {
        it->group->gopEdit()->setText(QString::number(it->choice.gop));
    }
    finishStream(stream);
}

void StreamChoiceRestorer::finishStream(int stream) {
    m_pending.remove(stream);
    if (m_pending.isEmpty()) {
        emit finished();
    }
}
