// qelmuxer: writing MP4 recordings.
//
// Muxers are addressed by a key text the library writes into the caller's
// QEL_TEXT_BUFFER_SIZE (256) byte buffer at creation.
#ifndef QEL_MUXER_H
#define QEL_MUXER_H

#include "qeldefine.h"
#include "qelexport.h"

QEL_EXTERN_C_BEGIN

enum QELMuxerPacketKind { QEL_MUXER_VIDEO = 0, QEL_MUXER_AUDIO = 1 };
// Video inputs of a muxer (videoType): decoded planar YUV 4:2:0 frames, or encoded Annex B frames
// (the H.264 and H.265 media type codes of qeldefine.h).
enum QELMuxerVideoInput { QEL_MUXER_INPUT_YUV420P = 2, QEL_MUXER_INPUT_H264 = 3, QEL_MUXER_INPUT_H265 = 4 };

// Answers of qelmuxer_muxer besides 0 (accepted).
enum QELMuxerRefusal {
    QEL_MUXER_REFUSED_ARGUMENT = 1,  // unknown key, null data, wrong size or kind
    QEL_MUXER_REFUSED_QUEUE_FULL = 2,
    QEL_MUXER_REFUSED_FAILED = 3  // the file could not be written; the recording has ended
};

// Creates a muxer writing to utf8Path. videoType: 2 = decoded YUV 4:2:0 frames of width x height
// (encoded here), 3 = H.264 and 4 = H.265 Annex B frames (stored as received).
// Audio (hasAudio 1): interleaved 16-bit PCM of `channels` at `sampleRate`. (1 = ok)
QEL_API int qelmuxer_create_muxer(char* keyOut, const char* utf8Path, int width, int height, int videoType,
                                  int fps, int gop, int hasAudio, int channels, int sampleRate, int bits);
// Hands one video frame (kind 0) or one PCM block (kind 1) to the muxer; the data is copied.
// Answers 0 when accepted, else a QELMuxerRefusal.
QEL_API int qelmuxer_muxer(const char* key, const unsigned char* data, int size, int kind);
// As qelmuxer_muxer, stamped with the capture time (microseconds of CLOCK_MONOTONIC, the clock of
// the camera and microphone callbacks) instead of the arrival time; timestampUs <= 0: arrival.
QEL_API int qelmuxer_muxer_at(const char* key, const unsigned char* data, int size, int kind,
                              long long timestampUs);
// The errno of the write that ended the recording (ENOSPC: disk full), 0 when none is known.
QEL_API int qelmuxer_last_error(const char* key);
// Writes what is queued, finishes the file and releases the muxer. (1 = ok)
QEL_API int qelmuxer_release_muxer(const char* key);
QEL_API int qelmuxer_get_version(char* buf);

QEL_EXTERN_C_END

#endif
