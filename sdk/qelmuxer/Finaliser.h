// Turns a finished fragmented recording into a regular MP4 with its index at the front, so that
// players and browsers know the duration and seek at once. The regular file is written beside
// the recording under a hidden temporary name and renamed over it only when complete; when
// anything fails the fragmented recording stays as it is (it plays, only less conveniently).
//
// Finalisation runs on a thread of its own so that stopping a long recording never waits for
// the copy; pending finalisations are completed before the process exits normally.
#ifndef QELMUXER_FINALISER_H
#define QELMUXER_FINALISER_H

#include <cstdint>
#include <string>

namespace qelmuxer {

class Finaliser {
public:
    // Starts finalising `path` (packets: how many the recording holds, to size the index).
    static void start(const std::string& path, int64_t packets);
    // Waits until no finalisation runs (timeoutMs < 0: no limit). True when none runs.
    static bool waitIdle(int timeoutMs);
    // Waits for a finalisation of `path`, if one runs (before a new recording reuses the name).
    static void waitFor(const std::string& path);
    // The temporary file used for `path`.
    static std::string temporaryPath(const std::string& path);
    // The work itself, on the calling thread. True when `path` is now a regular MP4.
    static bool finalise(const std::string& path, int64_t packets);
};

}  // namespace qelmuxer

#endif
