// Hand-over of converted pictures from the thread that renders to the GUI thread that paints:
// a lock-protected pair of buffers. The producer fills the back buffer without the lock and swaps
// it to the front under the lock; the GUI thread paints the front while holding the lock, so the
// buffer being painted is never the one being written. An eventfd wakes the GUI thread without
// allocating anything on the producer's side; one wake-up is outstanding at most.
// A published picture not yet painted makes the producer skip later frames without converting
// them (the screen is slower than the camera); the first paint of each picture is counted and,
// when asked for, logged with the frame's capture time in a ring sized once.
#ifndef QEL_FRAME_EXCHANGE_H
#define QEL_FRAME_EXCHANGE_H

#include <QImage>
#include <QRect>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "qelrenderqt_extra.h"

class FrameExchange {
public:
    struct Buffer {
        uint8_t* pixels = nullptr;  // 32-bit 0xffRRGGBB pixels, rows of `stride` bytes
        int width = 0;
        int height = 0;
        int stride = 0;
        QImage image;           // wraps `pixels`, created once per allocation
        QRect pictureRect;      // where the last picture went; the rest is black
        int64_t captureUs = 0;  // capture time of the frame it holds, 0 when not known
    };

    FrameExchange();
    ~FrameExchange();
    // The eventfd the GUI thread watches for wake-ups; -1 when it could not be created.
    int wakeFd() const { return m_wakeFd; }
    FrameExchange(const FrameExchange&) = delete;
    FrameExchange& operator=(const FrameExchange&) = delete;

    // Producer side (one thread at a time). The back buffer, resized to width x height and
    // blackened outside `pictureRect` when the layout changed; null when out of memory.
    Buffer* back(int width, int height, const QRect& pictureRect);
    // Makes the back buffer the front one and wakes the GUI thread unless a wake-up is outstanding.
    void publish();
    // Producer side: false while the published picture waits for its first paint, so a new frame
    // would only replace it unseen. Counts the frame as offered.
    bool wantsPicture();
    // The same question without counting a frame.
    bool frontPainted() const { return m_frontPainted.load(std::memory_order_acquire); }

    // GUI side. Runs paint(front image) under the lock; false when no picture was published yet.
    template <typename Paint>
    bool paintFront(Paint&& paint) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_hasFront) {
            return false;
        }
        paint(static_cast<const QImage&>(m_buffers[m_front].image));
        if (!m_frontPainted.load(std::memory_order_relaxed)) {
            notePaintLocked(m_buffers[m_front].captureUs);
            m_frontPainted.store(true, std::memory_order_release);
        }
        return true;
    }
    // The GUI thread takes the wake-up; the next publish wakes it again.
    void takeWake();
    // Forgets the published picture (the widget paints itself again).
    void clear();

    // Any thread. Keeps the last `capacity` first paints of stamped frames (0: none).
    void setPaintLogCapacity(int capacity);
    // Copies out up to `capacity` logged paints, oldest first, and empties the log.
    int takePaintLog(QELPaintRecord* out, int capacity);
    QELRenderCounts counts() const;

private:
    static bool allocate(Buffer* buffer, int width, int height);
    static void release(Buffer* buffer);
    void notePaintLocked(int64_t captureUs);

    std::mutex m_mutex;
    Buffer m_buffers[2];
    int m_front = 0;
    bool m_hasFront = false;
    std::atomic<bool> m_frontPainted{true};  // written under m_mutex; read by the producer
    std::vector<QELPaintRecord> m_paintLog;  // ring, m_mutex
    size_t m_paintLogNext = 0;               // m_mutex
    size_t m_paintLogCount = 0;              // m_mutex
    std::atomic<long long> m_offered{0};
    std::atomic<long long> m_published{0};
    std::atomic<long long> m_painted{0};
    std::atomic<bool> m_wakePending{false};
    int m_wakeFd = -1;
    unsigned m_wakeFailures = 0;
};

#endif
