// Diagnostics of the V4L2 cameras: warnings always go to stderr, debug lines only with
// QELDS_DEBUG set in the environment.
#ifndef QELDS_V4L2_LOG_H
#define QELDS_V4L2_LOG_H

namespace qelds {

void v4l2Warning(const char* format, ...) __attribute__((format(printf, 1, 2)));
void v4l2Debug(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace qelds

#endif
