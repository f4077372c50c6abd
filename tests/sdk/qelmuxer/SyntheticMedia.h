// Synthetic pictures and sound for the muxer tests, handed to a muxer in real time from a video
// and a sound thread.
#ifndef TESTS_QELMUXER_SYNTHETIC_MEDIA_H
#define TESTS_QELMUXER_SYNTHETIC_MEDIA_H

#include <QByteArray>
#include <QVector>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A planar YUV 4:2:0 frame (chroma planes of ceil(w/2) x ceil(h/2)) of luma `y` with a moving bar.
std::vector<uint8_t> yuvFrame(int width, int height, int y, int index);

// The NAL units of Annex B data (start codes) or of length-prefixed (4-byte) data, without either.
std::vector<QByteArray> nalUnits(const QByteArray& data, bool lengthPrefixed);

struct FeedPlan {
    double seconds = 2.0;
    int fps = 30;
    int width = 320;
    int height = 240;
    double flashAt = -1;       // the picture turns white and the sound loud at this time
    double videoJitterMs = 0;  // random lateness of each frame
    double flashDelayMs = 0;   // lateness of the marker frame (a slow decode)
    // Hand frames and blocks in with their capture times (qelmuxer_muxer_at): the schedule, not
    // the moment of handing in.
    bool stampCaptureTimes = false;
    int dropEveryNth = 0;       // leave out every n-th frame
    double videoHoleFrom = -1;  // no frames in [from, to)
    double videoHoleTo = -1;
    double audioGapFrom = -1;  // no sound blocks in [from, to)
    double audioGapTo = -1;
    int audioBurst = 1;  // sound blocks delivered this many at a time
    bool audio = true;
    // Encoded frames to send instead of decoded ones (cycled).
    const QVector<QByteArray>* encoded = nullptr;
    // Called with the seconds fed so far, about every 100 ms (from the video thread).
    std::function<void(double)> progress;
};

struct FeedResult {
    int videoSent = 0;
    int videoRefused = 0;
    int audioSent = 0;
    int audioRefused = 0;
    int lastRefusal = 0;
    // When the marker frame and the block with the click were actually handed in (seconds,
    // CLOCK_MONOTONIC): a loaded machine may deliver them apart from their schedule. With
    // stampCaptureTimes: their capture times.
    double flashHandedIn = -1;
    double clickHandedIn = -1;
    // The offset between the two the muxer should reproduce (picture minus sound start).
    double expectedOffset() const { return flashHandedIn - (clickHandedIn - 0.010); }
};

// Feeds the muxer `key` in real time according to the plan; returns when done or when
// `stopOnFailure` and the muxer answers that the recording has failed.
FeedResult feedInRealTime(const char* key, const FeedPlan& plan, bool stopOnFailure = false);

#endif
