// A bounded pool of preallocated buffers between the threads that hand in frames and sound
// and the muxer's own thread. Callers copy into a free slot and publish it; nothing is
// allocated per frame, and a slot grows only while the pool stays within its byte budget.
#ifndef QELMUXER_FRAME_QUEUE_H
#define QELMUXER_FRAME_QUEUE_H

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace qelmuxer {

class FrameQueue;

struct Slot {
    FrameQueue* queue = nullptr;
    int kind = 0;  // QEL_MUXER_VIDEO or QEL_MUXER_AUDIO
    int size = 0;
    int64_t arrivalUs = 0;
    size_t capacity = 0;
    std::unique_ptr<uint8_t[]> data;
};

class FrameQueue {
public:
    struct Pool {
        int slots = 0;
        size_t initialBytes = 0;  // preallocated per slot
        size_t budgetBytes = 0;   // total the pool may grow to
    };
    FrameQueue(const Pool& video, const Pool& audio);

    // A free slot of `kind` able to hold `size` bytes, or nullptr (pool empty, over budget, closed).
    Slot* acquire(int kind, int size);
    // Queues a filled slot for the muxer thread; false (slot taken back) when closed meanwhile.
    bool publish(Slot* slot);
    // The next queued slot, waiting for one; nullptr once closed and drained.
    Slot* take();
    // Returns a slot to its free list (any thread).
    void recycle(Slot* slot);
    // No more slots are handed out; take() drains what is queued, then answers nullptr.
    void close();
    int queued() const;
    bool closed() const;

private:
    struct Side {
        std::vector<std::unique_ptr<Slot>> all;
        std::vector<Slot*> free;
        size_t allocated = 0;
        size_t budget = 0;
    };
    static void fill(Side& side, int kind, const Pool& pool);

    mutable std::mutex m_mutex;
    std::condition_variable m_ready;
    Side m_sides[2];
    std::vector<Slot*> m_fifo;  // ring of queued slots
    size_t m_head = 0;
    size_t m_count = 0;
    bool m_closed = false;
};

}  // namespace qelmuxer

#endif
