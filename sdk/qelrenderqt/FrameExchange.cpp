#include "FrameExchange.h"

#include <sys/eventfd.h>
#include <unistd.h>
#include <QtGlobal>
#include <algorithm>
#include <cerrno>
#include <ctime>

extern "C" {
#include <libavutil/mem.h>
}

namespace {

constexpr uint32_t kBlack = 0xff000000u;
// The scaler stores whole vector registers; rows and the whole buffer get slack past their end.
constexpr int kRowSlack = 128;
constexpr int kBufferSlack = 256;

}  // namespace

FrameExchange::FrameExchange() : m_wakeFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (m_wakeFd < 0) {
        qWarning("FrameExchange: eventfd failed: %d", errno);
    }
}

FrameExchange::~FrameExchange() {
    release(&m_buffers[0]);
    release(&m_buffers[1]);
    if (m_wakeFd >= 0) {
        ::close(m_wakeFd);
    }
}

bool FrameExchange::allocate(Buffer* buffer, int width, int height) {
    release(buffer);
    const int stride = ((width * 4 + kRowSlack) + 63) / 64 * 64;
    const size_t bytes = size_t(stride) * size_t(height) + kBufferSlack;
    buffer->pixels = static_cast<uint8_t*>(av_malloc(bytes));
    if (!buffer->pixels) {
        qWarning("FrameExchange: out of memory for a %dx%d picture", width, height);
        return false;
    }
    buffer->width = width;
    buffer->height = height;
    buffer->stride = stride;
    buffer->image = QImage(buffer->pixels, width, height, stride, QImage::Format_RGB32);
    buffer->pictureRect = QRect();
    return true;
}

void FrameExchange::release(Buffer* buffer) {
    buffer->image = QImage();
    av_free(buffer->pixels);
    *buffer = Buffer();
}

FrameExchange::Buffer* FrameExchange::back(int width, int height, const QRect& pictureRect) {
    Buffer* buffer = &m_buffers[1 - m_front];
    if (buffer->width != width || buffer->height != height || !buffer->pixels) {
        if (!allocate(buffer, width, height)) {
            return nullptr;
        }
    }
    if (buffer->pictureRect != pictureRect) {
        for (int y = 0; y < height; ++y) {
            uint32_t* row = reinterpret_cast<uint32_t*>(buffer->pixels + size_t(y) * buffer->stride);
            std::fill(row, row + width, kBlack);
        }
        buffer->pictureRect = pictureRect;
    }
    return buffer;
}

bool FrameExchange::wantsPicture() {
    m_offered.fetch_add(1, std::memory_order_relaxed);
    return m_frontPainted.load(std::memory_order_acquire);
}

void FrameExchange::publish() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_front = 1 - m_front;
        m_hasFront = true;
        m_frontPainted.store(false, std::memory_order_relaxed);
    }
    m_published.fetch_add(1, std::memory_order_relaxed);
    if (m_wakePending.exchange(true)) {
        return;
    }
    const uint64_t one = 1;
    if (::write(m_wakeFd, &one, sizeof one) < 0 && errno != EAGAIN) {
        m_wakePending = false;
        if (m_wakeFailures++ % 300 == 0) {
            qWarning("FrameExchange: waking the GUI thread failed: %d", errno);
        }
    }
}

void FrameExchange::takeWake() {
    uint64_t count = 0;
    if (::read(m_wakeFd, &count, sizeof count) < 0 && errno != EAGAIN) {
        qWarning("FrameExchange: reading the wake-up failed: %d", errno);
    }
    m_wakePending = false;
}

void FrameExchange::clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_hasFront = false;
    m_frontPainted.store(true, std::memory_order_release);
}

void FrameExchange::notePaintLocked(int64_t captureUs) {
    m_painted.fetch_add(1, std::memory_order_relaxed);
    if (captureUs == 0 || m_paintLog.empty()) {
        return;
    }
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    m_paintLog[m_paintLogNext] = {captureUs, int64_t(now.tv_sec) * 1000000 + now.tv_nsec / 1000};
    m_paintLogNext = (m_paintLogNext + 1) % m_paintLog.size();
    m_paintLogCount = std::min(m_paintLogCount + 1, m_paintLog.size());
}

void FrameExchange::setPaintLogCapacity(int capacity) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_paintLog.assign(size_t(std::max(0, capacity)), QELPaintRecord{});
    m_paintLogNext = 0;
    m_paintLogCount = 0;
}

int FrameExchange::takePaintLog(QELPaintRecord* out, int capacity) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const size_t n = std::min(m_paintLogCount, size_t(std::max(0, capacity)));
    const size_t size = m_paintLog.size();
    // The oldest kept record sits m_paintLogCount places behind the next write.
    const size_t first = size ? (m_paintLogNext + size - m_paintLogCount) % size : 0;
    for (size_t i = 0; i < n; ++i) {
        out[i] = m_paintLog[(first + i) % size];
    }
    m_paintLogCount = 0;
    return int(n);
}

QELRenderCounts FrameExchange::counts() const {
    return {m_offered.load(std::memory_order_relaxed), m_published.load(std::memory_order_relaxed),
            m_painted.load(std::memory_order_relaxed)};
}
