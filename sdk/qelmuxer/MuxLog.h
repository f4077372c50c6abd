// Diagnostics of the muxer library: one line on stderr per event, prefixed "qelmuxer:".
#ifndef QELMUXER_MUX_LOG_H
#define QELMUXER_MUX_LOG_H

namespace qelmuxer {

void logLine(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Text of an FFmpeg error code.
const char* avErrorText(int err, char* buf, int size);

}  // namespace qelmuxer

#endif
