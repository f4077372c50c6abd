#include "StreamStats.h"

#include <algorithm>
#include <cmath>

namespace qelds {

void StreamStats::reset() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_head = 0;
    m_count = 0;
    m_firstUs = -1;
}

void StreamStats::record(int64_t nowUs, int bytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_firstUs < 0)
        m_firstUs = nowUs;
    m_time[m_head] = nowUs;
    m_bytes[m_head] = bytes;
    m_head = (m_head + 1) % kCapacity;
    if (m_count < kCapacity)
        ++m_count;
}

void StreamStats::measure(int64_t nowUs, int* fps, int* bytesPerSecond) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    int64_t frames = 0, bytes = 0;
    int64_t oldest = nowUs;
    for (int i = 0; i < m_count; ++i) {
        int slot = (m_head - 1 - i + kCapacity) % kCapacity;
        if (m_time[slot] <= nowUs - kWindowUs)
            break;
        ++frames;
        bytes += m_bytes[slot];
        oldest = m_time[slot];
    }
    // Right after the start the window is only as long as the stream has run.
    int64_t window = kWindowUs;
    if (m_firstUs >= 0 && nowUs - m_firstUs < kWindowUs)
        window = std::max<int64_t>(nowUs - m_firstUs, 1);
    if (frames == m_count && frames == kCapacity)
        window = std::max<int64_t>(nowUs - oldest, 1);
    *fps = static_cast<int>(std::llround(frames * 1e6 / window));
    *bytesPerSecond = static_cast<int>(std::min<double>(std::llround(bytes * 1e6 / window), 2147483647.0));
}

}  // namespace qelds
