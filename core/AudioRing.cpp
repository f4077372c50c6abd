#include "AudioRing.h"

#include <algorithm>
#include <cstring>

AudioRing::AudioRing(int capacityBytes)
    : m_buffer(size_t(std::max(capacityBytes, 64))), m_capacity(m_buffer.size()) {}

void AudioRing::write(size_t at, const void* src, size_t n) {
    const size_t offset = at % m_capacity;
    const size_t first = std::min(n, m_capacity - offset);
    std::memcpy(m_buffer.data() + offset, src, first);
    std::memcpy(m_buffer.data(), static_cast<const unsigned char*>(src) + first, n - first);
}

void AudioRing::read(size_t at, void* dst, size_t n) const {
    const size_t offset = at % m_capacity;
    const size_t first = std::min(n, m_capacity - offset);
    std::memcpy(dst, m_buffer.data() + offset, first);
    std::memcpy(static_cast<unsigned char*>(dst) + first, m_buffer.data(), n - first);
}

bool AudioRing::push(const unsigned char* data, int size, long long timestampUs) {
    if (!data || size <= 0) {
        return false;
    }
    const size_t head = m_head.load(std::memory_order_relaxed);
    const size_t tail = m_tail.load(std::memory_order_acquire);
    const size_t needed = sizeof(Header) + size_t(size);
    if (needed > m_capacity - (head - tail)) {
        m_overruns.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    const Header header{int32_t(size), int64_t(timestampUs)};
    write(head, &header, sizeof header);
    write(head + sizeof header, data, size_t(size));
    m_head.store(head + needed, std::memory_order_release);
    return true;
}

bool AudioRing::pop(std::vector<unsigned char>& out, long long& timestampUs) {
    const size_t tail = m_tail.load(std::memory_order_relaxed);
    const size_t head = m_head.load(std::memory_order_acquire);
    if (head == tail) {
        return false;
    }
    Header header{};
    read(tail, &header, sizeof header);
    out.resize(size_t(header.size));
    read(tail + sizeof header, out.data(), size_t(header.size));
    timestampUs = header.timestampUs;
    m_tail.store(tail + sizeof header + size_t(header.size), std::memory_order_release);
    return true;
}

void AudioRing::clear() {
    m_tail.store(m_head.load(std::memory_order_acquire), std::memory_order_release);
}
