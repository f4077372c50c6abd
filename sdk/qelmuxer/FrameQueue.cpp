#include "FrameQueue.h"

#include <new>

namespace qelmuxer {

FrameQueue::FrameQueue(const Pool& video, const Pool& audio) {
    fill(m_sides[0], 0, video);
    fill(m_sides[1], 1, audio);
    for (auto& side : m_sides) {
        for (auto& slot : side.all) {
            slot->queue = this;
        }
    }
    m_fifo.assign(size_t(video.slots + audio.slots), nullptr);
}

void FrameQueue::fill(Side& side, int kind, const Pool& pool) {
    side.budget = pool.budgetBytes;
    for (int i = 0; i < pool.slots; ++i) {
        auto slot = std::make_unique<Slot>();
        slot->kind = kind;
        slot->capacity = pool.initialBytes;
        // Not zeroed: pages are committed when first written.
        slot->data.reset(new uint8_t[pool.initialBytes]);
        side.allocated += pool.initialBytes;
        side.free.push_back(slot.get());
        side.all.push_back(std::move(slot));
    }
}

Slot* FrameQueue::acquire(int kind, int size) {
    std::unique_lock<std::mutex> lock(m_mutex);
    Side& side = m_sides[kind ? 1 : 0];
    if (m_closed || side.free.empty() || size <= 0) {
        return nullptr;
    }
    Slot* slot = side.free.back();
    if (size_t(size) > slot->capacity) {
        size_t grown = side.allocated - slot->capacity + size_t(size);
        if (grown > side.budget) {
            return nullptr;
        }
        // Rare: a frame larger than any before. Grow outside the lock.
        side.free.pop_back();
        side.allocated = grown;
        lock.unlock();
        uint8_t* grownData = new (std::nothrow) uint8_t[size_t(size)];
        if (!grownData) {
            lock.lock();
            side.allocated -= size_t(size) - slot->capacity;
            side.free.push_back(slot);
            return nullptr;
        }
        slot->data.reset(grownData);
        slot->capacity = size_t(size);
        return slot;
    }
    side.free.pop_back();
    return slot;
}

bool FrameQueue::publish(Slot* slot) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_closed) {
            m_fifo[(m_head + m_count) % m_fifo.size()] = slot;
            ++m_count;
            m_ready.notify_one();
            return true;
        }
    }
    recycle(slot);
    return false;
}

Slot* FrameQueue::take() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_ready.wait(lock, [this] { return m_count > 0 || m_closed; });
    if (m_count == 0) {
        return nullptr;
    }
    Slot* slot = m_fifo[m_head];
    m_head = (m_head + 1) % m_fifo.size();
    --m_count;
    return slot;
}

void FrameQueue::recycle(Slot* slot) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sides[slot->kind ? 1 : 0].free.push_back(slot);
}

void FrameQueue::close() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = true;
    m_ready.notify_all();
}

int FrameQueue::queued() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(m_count);
}

bool FrameQueue::closed() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_closed;
}

}  // namespace qelmuxer
