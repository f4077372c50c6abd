// Logging categories of the camera core: quiet (warnings only) unless QT_LOGGING_RULES asks,
// e.g. QT_LOGGING_RULES="corvix.*.debug=true".
#ifndef CORVIX_CORE_LOG_H
#define CORVIX_CORE_LOG_H

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcCamera)  // corvix.camera: model, presenter, photos, recordings
Q_DECLARE_LOGGING_CATEGORY(lcAudio)   // corvix.audio: microphone and test sound
Q_DECLARE_LOGGING_CATEGORY(lcVideo)   // corvix.video: the video widgets and the control thread

#endif
