// Collects the frames the library delivers (on its threads) for a test to inspect.
#ifndef TESTS_QELDS_FRAME_COLLECTOR_H
#define TESTS_QELDS_FRAME_COLLECTOR_H

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

struct CollectedFrame {
    int cam = 0, pin = 0, stream = 0, mediaType = 0, width = 0, height = 0;
    long timestampUs = 0, arrivalUs = 0;
    std::vector<uint8_t> data;
};

class FrameCollector {
public:
    static FrameCollector& instance();
    // The preview callback to install with qelcamera_set_preview_callback.
    static void callback(int cam, int pin, int stream, int mediaType, int width, int height, long timestampUs,
                         unsigned char* data, int size);

    void clear();
    // Keeps at most `keep` frames' bytes per stream (the rest are only counted).
    void setKeep(int keep);
    // Frames of `pin` (and `stream`, all when -1) since the last clear().
    int count(int pin = 0, int stream = -1);
    std::vector<CollectedFrame> frames();
    // Waits until `count(pin, stream)` reaches n or the timeout passes.
    bool waitFor(int n, int timeoutMs, int pin = 0, int stream = -1);

private:
    int countLocked(int pin, int stream) const;

    std::mutex m_mutex;  // guards everything below
    std::condition_variable m_cv;
    std::vector<CollectedFrame> m_frames;
    int m_counts[2][8] = {};
    int m_keep = 1000;
};

long monotonicNowUs();

#endif
