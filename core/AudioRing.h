#ifndef CORVIX_AUDIO_RING_H
#define CORVIX_AUDIO_RING_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

// Sound blocks from the real-time microphone callback (the one producer) to a normal thread (the
// one consumer). push() never locks, allocates or waits: a block that does not fit is dropped
// and counted. The memory is allocated once, at construction.
class AudioRing {
public:
    // capacityBytes: room for the blocks' bytes and a small header each.
    explicit AudioRing(int capacityBytes);
    AudioRing(const AudioRing&) = delete;
    AudioRing& operator=(const AudioRing&) = delete;

    // Producer thread only. False (and one overrun more) when the block does not fit.
    bool push(const unsigned char* data, int size, long long timestampUs);
    // Consumer thread only. Copies the oldest block into out (which allocates only while its
    // capacity is too small) and answers true; false when the ring is empty.
    bool pop(std::vector<unsigned char>& out, long long& timestampUs);

    // Any thread.
    long long overruns() const { return m_overruns.load(std::memory_order_relaxed); }
    // Consumer thread only, while the producer is stopped: forgets every queued block.
    void clear();

private:
    struct Header {
        int32_t size;
        int64_t timestampUs;
    };
    void write(size_t at, const void* src, size_t n);
    void read(size_t at, void* dst, size_t n) const;

    std::vector<unsigned char> m_buffer;
    const size_t m_capacity;
    std::atomic<size_t> m_head{0};  // total bytes written: the producer's
    std::atomic<size_t> m_tail{0};  // total bytes read: the consumer's
    std::atomic<long long> m_overruns{0};
};

#endif
