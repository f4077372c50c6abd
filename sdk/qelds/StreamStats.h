// Frame rate and data rate of one stream over about the last second, from the frames the
// library delivered. Fixed storage: recording a frame never allocates.
#ifndef QELDS_STREAM_STATS_H
#define QELDS_STREAM_STATS_H

#include <cstdint>
#include <mutex>

namespace qelds {

class StreamStats {
public:
    static constexpr int kCapacity = 512;  // frames kept; enough for 1 s at any real rate
    static constexpr int64_t kWindowUs = 1000000;

    void reset();
    void record(int64_t nowUs, int bytes);
    // Frames per second and bytes per second over the window ending at nowUs (rounded).
    void measure(int64_t nowUs, int* fps, int* bytesPerSecond) const;

private:
    mutable std::mutex m_mutex;
    int64_t m_time[kCapacity] = {};
    int m_bytes[kCapacity] = {};
    int m_head = 0;  // next slot
    int m_count = 0;
    int64_t m_firstUs = -1;
};

}  // namespace qelds

#endif
