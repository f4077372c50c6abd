#ifndef CORVIX_STREAM_SETTINGS_H
#define CORVIX_STREAM_SETTINGS_H

#include <QMetaType>
#include <QVector>

// One stream's choices as the settings panel hands them over on apply. The three indexes are
// positions in the lists the view last delivered for that stream (-1: the selector is empty);
// bitrate and GOP are the typed numbers, in the receiver's units.
struct StreamSettings {
    int streamId;
    int mediaIndex;
    int resolutionIndex;
    int fpsIndex;
    int bitrate;
    int gop;
};
Q_DECLARE_TYPEINFO(StreamSettings, Q_PRIMITIVE_TYPE);
Q_DECLARE_METATYPE(StreamSettings)
Q_DECLARE_METATYPE(QVector<StreamSettings>)

#endif
