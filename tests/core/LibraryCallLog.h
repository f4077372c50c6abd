// Records the camera library's setter calls made by the camera model in this test process.
// The test executable defines the recorded qelcamera_... functions itself; each logs its call
// and forwards to the library's own function, so the camera keeps behaving normally.
#ifndef CORVIX_TESTS_LIBRARY_CALL_LOG_H
#define CORVIX_TESTS_LIBRARY_CALL_LOG_H

#include <QStringList>

namespace LibraryCallLog {

// Calls as "name(arg,arg,...)" in the order they were made.
QStringList calls();
// Only the calls whose name starts with prefix.
QStringList callsStartingWith(const QString& prefix);
void clear();
// Whether a JPEG-per-frame preview frame of stream 0 with exactly these bytes was delivered
// to the model (the last 200 frames are remembered).
bool sawJpegFrame(const QByteArray& bytes);
// Makes qelcamera_get_audio_mode answer these values (as a camera whose two switches differ
// would); clearAudioModeAnswer() goes back to the camera's own answer.
void setAudioModeAnswer(int on, int on1, int id);
void clearAudioModeAnswer();

}  // namespace LibraryCallLog

#endif
