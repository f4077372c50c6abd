// qelaudioinput: microphone capture.
//
// Statuses: 0 is failure; (1 = ok) marks functions answering exactly 1 on success.
#ifndef QEL_AUDIO_INPUT_H
#define QEL_AUDIO_INPUT_H

#include "qelexport.h"

QEL_EXTERN_C_BEGIN

// PCM blocks (interleaved, little-endian) of about 10-20 ms, on the library's capture thread.
// timestampUs is the block's capture time in microseconds of CLOCK_MONOTONIC.
typedef void (*qelaudioinput_callback)(unsigned char* data, int size, long timestampUs);

QEL_API int qelaudioinput_init(void);
QEL_API int qelaudioinput_get_version(char* buf);
QEL_API int qelaudioinput_get_device_count(int* count);
QEL_API int qelaudioinput_get_device_name(int index, char* buf);  // 1 = ok; buf of 256 bytes
QEL_API int qelaudioinput_set_callback(qelaudioinput_callback fn);
// Starts capturing from device `index`. Answers 1 when started, 0 for a missing or busy device,
// an unsupported format, or a capture already running.
QEL_API int qelaudioinput_start_recording(int index, int channels, int sampleRate, int bits);
// Stops capturing and waits until no callback runs; harmless when nothing runs.
QEL_API int qelaudioinput_stop_recording(void);
// Level 0-100 of a 16-bit PCM block from its RMS on a dB scale. (1 = ok)
QEL_API int qelaudioinput_calculate_volume(const unsigned char* data, int size, int* level);


// Playback of a raw PCM file (interleaved, little-endian) through the default output device; while
// virtual microphones are listed, through a virtual output that consumes it at the same pace
// without a sound card. The file is read whole before this returns; playing goes on in the
// background and replaces a playback still running. 1 = ok; 0 for an unreadable or empty file,
// an unsupported format or no output device.
QEL_API int qelaudioinput_play_file(const char* path, int channels, int sampleRate, int bits);
// Stops the playback; harmless when nothing plays.
QEL_API int qelaudioinput_stop_playing(void);
// playing: 1 while the sound plays; frames played so far and in all, of the current or last
// playback (0 before any). (1 = ok)
QEL_API int qelaudioinput_get_playback(int* playing, long* framesPlayed, long* framesTotal);

QEL_EXTERN_C_END

#endif
