#include "FrameCollector.h"

#include <chrono>

long monotonicNowUs() {
    using namespace std::chrono;
    return static_cast<long>(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
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
    int& n = c.m_counts[pin == 1 ? 1 : 0][stream >= 0 && stream < 8 ? stream : 7];
    if (n < c.m_keep)
        c.m_frames.push_back(
            {cam, pin, stream, mediaType, width, height, timestampUs, now, {data, data + size}});
    ++n;
    c.m_cv.notify_all();
}

void FrameCollector::clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_frames.clear();
    for (auto& row : m_counts)
        std::fill(std::begin(row), std::end(row), 0);
}

void FrameCollector::setKeep(int keep) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_keep = keep;
}

int FrameCollector::countLocked(int pin, int stream) const {
    const int* counts = m_counts[pin == 1 ? 1 : 0];
    if (stream >= 0)
        return counts[stream];
    int sum = 0;
    for (int s = 0; s < 8; ++s)
        sum += counts[s];
    return sum;
}

int FrameCollector::count(int pin, int stream) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return countLocked(pin, stream);
}

std::vector<CollectedFrame> FrameCollector::frames() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_frames;
}

bool FrameCollector::waitFor(int n, int timeoutMs, int pin, int stream) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                         [&] { return countLocked(pin, stream) >= n; });
}
