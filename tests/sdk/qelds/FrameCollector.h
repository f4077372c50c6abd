// Collects the frames the library delivers (on its threads) for a test to inspect.
#ifndef TESTS_QELDS_FRAME_COLLECTOR_H
#define TESTS_QELDS_FRAME_COLLECTOR_H

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <numeric>
#include <vector>

inline long monotonicNowUs() {
    using namespace std::chrono;
    return static_cast<long>(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

struct CollectedFrame {
    int cam = 0, pin = 0, stream = 0, mediaType = 0, width = 0, height = 0;
    long timestampUs = 0, arrivalUs = 0;
    std::vector<uint8_t> data;
};

class FrameCollector {
public:
    static FrameCollector& instance() {
        static FrameCollector collector;
        return collector;
    }
    // The preview callback to install with qelcamera_set_preview_callback.
    static void callback(int cam, int pin, int stream, int mediaType, int width, int height, long timestampUs,
                         unsigned char* data, int size) {
        FrameCollector& c = instance();
        const long now = monotonicNowUs();
        std::lock_guard<std::mutex> lock(c.m_mutex);
        int& n = c.m_counts[pin == 1 ? 1 : 0][stream >= 0 && stream < 8 ? stream : 7];
        if (n < c.m_keep)
            c.m_frames.push_back(
                {cam, pin, stream, mediaType, width, height, timestampUs, now, {data, data + size}});
        ++n;
        c.m_cv.notify_all();
    }

    void clear() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_frames.clear();
        for (auto& row : m_counts)
            std::fill(std::begin(row), std::end(row), 0);
    }
    // Keeps at most `keep` frames' bytes per stream (the rest are only counted).
    void setKeep(int keep) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_keep = keep;
    }
    // Frames of `pin` (and `stream`, all when -1) since the last clear().
    int count(int pin = 0, int stream = -1) {
        std::lock_guard<std::mutex> lock(m_mutex);
        return countLocked(pin, stream);
    }
    std::vector<CollectedFrame> frames() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_frames;
    }
    // Waits until `count(pin, stream)` reaches n or the timeout passes.
    bool waitFor(int n, int timeoutMs, int pin = 0, int stream = -1) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return countLocked(pin, stream) >= n; });
    }

private:
    int countLocked(int pin, int stream) const {
        const int* counts = m_counts[pin == 1 ? 1 : 0];
        return stream >= 0 ? counts[stream] : std::accumulate(counts, counts + 8, 0);
    }

    std::mutex m_mutex;  // guards everything below
    std::condition_variable m_cv;
    std::vector<CollectedFrame> m_frames;
    int m_counts[2][8] = {};
    int m_keep = 1000;
};

#endif
