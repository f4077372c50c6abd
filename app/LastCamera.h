#ifndef CORVIX_LAST_CAMERA_H
#define CORVIX_LAST_CAMERA_H

#include <QString>

// The camera in use, remembered between runs in the settings store (QSettings "Corvix"/"Corvix",
// key "camera/name"), so that the next start opens it again when it is present (the main window
// reports each opened camera to remember()). The camera list names cameras only, so a camera is
// found again by its name. GUI thread only.
class LastCamera {
public:
    // The last run's camera; empty when none was opened. A damaged settings file counts as empty
    // (with a warning): it never stops a start.
    static QString rememberedName();
    static void remember(const QString& name);
};

#endif
