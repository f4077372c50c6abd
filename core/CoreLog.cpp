#include "CoreLog.h"

Q_LOGGING_CATEGORY(lcCamera, "corvix.camera", QtWarningMsg)
Q_LOGGING_CATEGORY(lcAudio, "corvix.audio", QtWarningMsg)
Q_LOGGING_CATEGORY(lcVideo, "corvix.video", QtWarningMsg)
