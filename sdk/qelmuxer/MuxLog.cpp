#include "MuxLog.h"

#include <cstdarg>
#include <cstdio>

extern "C" {
#include <libavutil/error.h>
}

namespace qelmuxer {

void logLine(const char* fmt, ...) {
    char line[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(line, sizeof line, fmt, args);
    va_end(args);
    std::fprintf(stderr, "qelmuxer: %s\n", line);
}

const char* avErrorText(int err, char* buf, int size) {
    av_strerror(err, buf, size);
    return buf;
}

}  // namespace qelmuxer
