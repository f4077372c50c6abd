#include "FrameCollector.h"

#include <chrono>

long monotonicNowUs() {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                 std::chrono::steady_clock::now().time_since_epoch())
                                 .count());
}

FrameCollector& FrameCollector::instance() {
    static FrameCollector collector;
    return collector;
}

void FrameCollector::callback(int cam, int pin, int stream, int mediaType, int width, int height,
                              long timestampUs, unsigned char* data, int size) {
    FrameCollector& c = instance();
    long now = monotonicNowUs();
    std::lock_guard<std::mutex> lock(c.m_mutex);
    int p = pin == 1 ? 1 : 0;
    int s = stream >= 0 && stream < 8 ? stream : 7;
    if (c.m_counts[p][s] < c.m_keep) {
        CollectedFrame f;
        f.cam = cam;
        f.pin = pin;
        f.stream = stream;
        f.mediaType = mediaType;
        f.width = width;
        f.height = height;
        f.timestampUs = timestampUs;
        f.arrivalUs = now;
        f.data.assign(data, data + size);
        c.m_frames.push_back(std::move(f));
    }
    ++c.m_counts[p][s];
    c.m_cv.notify_all();
}

void FrameCollector::clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_frames.clear();
    for (auto& row : m_counts)
        for (int& n : row)
            n = 0;
}

void FrameCollector::setKeep(int keep) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_keep = keep;
}

int FrameCollector::count(int pin, int stream) {
    std::lock_guard<std::mutex> lock(m_mutex);
    int p = pin == 1 ? 1 : 0;
    if (stream >= 0)
        return m_counts[p][stream];
    int n = 0;
    for (int c : m_counts[p])
        n += c;
    return n;
}

std::vector<CollectedFrame> FrameCollector::frames() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_frames;
}

bool FrameCollector::waitFor(int n, int timeoutMs, int pin, int stream) {
    std::unique_lock<std::mutex> lock(m_mutex);
    int p = pin == 1 ? 1 : 0;
    auto total = [&] {
        if (stream >= 0)
            return m_counts[p][stream];
        int sum = 0;
        for (int c : m_counts[p])
            sum += c;
        return sum;
    };
    return m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return total() >= n; });
}
