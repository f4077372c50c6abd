// Hand-over of converted pictures from the thread that renders to the GUI thread that paints:
// a lock-protected pair of buffers. The producer fills the back buffer without the lock and swaps
// it to the front under the lock; the GUI thread paints the front while holding the lock, so the
// buffer being painted is never the one being written. An eventfd wakes the GUI thread without
// allocating anything on the producer's side; one wake-up is outstanding at most.
#ifndef QEL_FRAME_EXCHANGE_H
#define QEL_FRAME_EXCHANGE_H

#include <QImage>
#include <QRect>
#include <atomic>
#include <cstdint>
#include <mutex>

class FrameExchange {
public:
    struct Buffer {
        uint8_t* pixels = nullptr;  // 32-bit 0xffRRGGBB pixels, rows of `stride` bytes
        int width = 0;
        int height = 0;
        int stride = 0;
        QImage image;       // wraps `pixels`, created once per allocation
        QRect pictureRect;  // where the last picture went; the rest is black
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

    // GUI side. Runs paint(front image) under the lock; false when no picture was published yet.
    template <typename Paint>
    bool paintFront(Paint&& paint) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_hasFront) {
            return false;
        }
        paint(static_cast<const QImage&>(m_buffers[m_front].image));
        return true;
    }
    // The GUI thread takes the wake-up; the next publish wakes it again.
    void takeWake();
    // Forgets the published picture (the widget paints itself again).
    void clear();

private:
    static bool allocate(Buffer* buffer, int width, int height);
    static void release(Buffer* buffer);

    std::mutex m_mutex;
    Buffer m_buffers[2];
    int m_front = 0;
    bool m_hasFront = false;
    std::atomic<bool> m_wakePending{false};
    int m_wakeFd = -1;
    unsigned m_wakeFailures = 0;
};

#endif
