#include "V4l2Log.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace qelds {

namespace {

void emit(const char* level, const char* format, va_list args) {
    char line[512];
    std::vsnprintf(line, sizeof line, format, args);
    std::fprintf(stderr, "qelds v4l2 %s: %s\n", level, line);
}

}  // namespace

void v4l2Warning(const char* format, ...) {
    va_list args;
    va_start(args, format);
    emit("warning", format, args);
    va_end(args);
}

void v4l2Debug(const char* format, ...) {
    static const bool enabled = std::getenv("QELDS_DEBUG") != nullptr;
    if (!enabled)
        return;
    va_list args;
    va_start(args, format);
    emit("debug", format, args);
    va_end(args);
}

}  // namespace qelds
