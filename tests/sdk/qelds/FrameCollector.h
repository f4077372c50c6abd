// Collects the frames the library delivers (on its threads) for a test to inspect.
#ifndef TESTS_QELDS_FRAME_COLLECTOR_H
#define TESTS_QELDS_FRAME_COLLECTOR_H

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

struct CollectedFrame {
    int cam = 0;
    int pin = 0;
    int stream = 0;
    int mediaType = 0;
    int width = 0;
    int height = 0;
    long timestampUs = 0;
    long arrivalUs = 0;
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
    int count(int pin = 0, int stream = -1);
    std::vector<CollectedFrame> frames();
    // Waits until `count(pin, stream)` reaches n or the timeout passes.
    bool waitFor(int n, int timeoutMs, int pin = 0, int stream = -1);

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<CollectedFrame> m_frames;
    int m_counts[2][8] = {};
    int m_keep = 1000;
};

long monotonicNowUs();

#endif
