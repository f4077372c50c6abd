#ifndef CORVIX_STREAM_CHOICE_RESTORER_H
#define CORVIX_STREAM_CHOICE_RESTORER_H

#include <QMap>
#include <QObject>

#include "StreamChoiceStore.h"

class SidePopupSelector;
class StreamSettingsGroup;

// Puts remembered stream choices back on the panel's selectors the way a user would pick them:
// the format first, then the size once the camera has sent the sizes of that format, then the
// rate once the rates are in; when every stream is through, it asks for the apply. A size or rate
// the camera no longer offers leaves the camera's default selected. GUI thread only.
class StreamChoiceRestorer : public QObject {
    Q_OBJECT

public:
    explicit StreamChoiceRestorer(QObject* parent = nullptr);

    // Steps each given stream through its lists; the groups' format lists must be filled. A
    // stream whose format is not offered is left alone; with nothing to restore, nothing happens.
    void start(const QMap<int, StreamChoice>& choices, const QMap<int, StreamSettingsGroup*>& groups);
    void cancel();
    bool isActive() const { return !m_pending.isEmpty(); }

    // Told by the panel after it has filled a stream's list of sizes or rates.
    void resolutionListFilled(int stream);
    void fpsListFilled(int stream);

    // The position of text in the selector, spaces ignored ("1280x720" matches "1280 x 720").
    static int findEntry(const SidePopupSelector* selector, const QString& text);

signals:
    // The panel announces the choice as it announces a user's (the next list follows).
    void mediaChosen(int stream);
    void resolutionChosen(int stream, int index);
    // Every stream has its choices: apply them.
    void finished();

private:
    enum class Stage { Resolution, Fps };
    struct Pending {
        StreamChoice choice;
        StreamSettingsGroup* group = nullptr;
        Stage stage = Stage::Resolution;
    };
    // Selects text when offered (else says so); returns the selector's index either way.
    static int select(SidePopupSelector* selector, const QString& text, int stream, const char* what);
    void finishStream(int stream);

    QMap<int, Pending> m_pending;  // streams still waiting for a list
};

#endif
