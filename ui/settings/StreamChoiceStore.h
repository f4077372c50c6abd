#ifndef CORVIX_STREAM_CHOICE_STORE_H
#define CORVIX_STREAM_CHOICE_STORE_H

#include <QLoggingCategory>
#include <QMap>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcStreamChoices)

// One stream's applied choices as the user saw them: entries by their text ("MJPG",
// "1920 x 1080", "30"), so they survive a camera that lists its modes in another order.
// Bitrate and GOP are 0 when not known.
struct StreamChoice {
    QString media;
    QString resolution;
    QString fps;
    int bitrate = 0;
    int gop = 0;

    bool isEmpty() const { return media.isEmpty(); }
    bool operator==(const StreamChoice& o) const {
        return media == o.media && resolution == o.resolution && fps == o.fps && bitrate == o.bitrate &&
               gop == o.gop;
    }
};

// The stream choices kept between runs, per camera name, in the settings store under
// "streams/<camera>/<stream>". A missing or damaged store, or a damaged entry, reads as nothing
// remembered (the camera's own defaults).
class StreamChoiceStore {
public:
    // Stream number (0-2) to its choice; only streams with a remembered format.
    static QMap<int, StreamChoice> load(const QString& camera);
    // An empty camera name is not remembered; a damaged store is left untouched.
    static void save(const QString& camera, int stream, const StreamChoice& choice);

    // The settings group of one camera: the name is percent-encoded, so that "/" or "\" in a
    // camera's name cannot open another group.
    static QString cameraGroup(const QString& camera);
};

#endif
