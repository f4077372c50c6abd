// One streaming node of a V4L2 camera: format negotiation, mapped buffers and the capture
// thread that hands each filled buffer to the frame sink and queues it again.
#ifndef QELDS_V4L2_STREAM_H
#define QELDS_V4L2_STREAM_H

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "CameraDevice.h"

namespace qelds {

class V4l2Io;

// What the streams of one start share: the sink and the camera-lost report, made once.
struct CaptureSession {
    FrameSink* sink = nullptr;
    std::atomic<bool> stopping{false};
    std::atomic<bool> lost{false};
    std::atomic<bool>* deviceLost = nullptr;  // the camera's own flag, outliving the session
    std::function<void()> onLost;             // tells the camera list to look again
    // Called by a capture thread that lost its device; tells the sink once, unless stopping.
    void reportLost();
};

// True on a capture thread (inside frame delivery): such calls must not wait for captures to end.
bool onCaptureThread();

class V4l2Stream {
public:
    struct Config {
        int mediaType = 0;
        uint32_t pixelFormat = 0;
        int width = 0;
        int height = 0;
        int fps = 0;
    };

    V4l2Stream(V4l2Io& io, int index, std::string node);
    ~V4l2Stream();
    V4l2Stream(const V4l2Stream&) = delete;
    V4l2Stream& operator=(const V4l2Stream&) = delete;

    // Negotiates the format and frame rate on fd, maps and queues the buffers.
    bool prepare(int fd, const Config& config);
    // VIDIOC_STREAMON; false with errno kept (ENOSPC: not enough USB bandwidth).
    bool streamOn();
    void startThread(CaptureSession* session);
    // Stops the capture thread (prompt: it is woken), turns streaming off and frees the buffers.
    void release();
    // Changes the frame rate while streaming; restarts the stream when the driver demands it.
    bool setFps(int fps);

    int index() const { return m_index; }
    const std::string& node() const { return m_node; }

private:
    struct Buffer {
        void* start = nullptr;
        size_t length = 0;
    };

    void run();
    void stopThread();
    bool queueAll();
    bool applyFps(int fps);
    void freeBuffers();
    bool waitWake(int ms);

    V4l2Io& m_io;
    const int m_index;
    const std::string m_node;
    int m_fd = -1;
    int m_wakeFd = -1;
    Config m_config;
    uint32_t m_minRawBytes = 0;  // uncompressed formats: shorter frames are damaged and dropped
    std::vector<Buffer> m_buffers;
    bool m_streaming = false;
    CaptureSession* m_session = nullptr;
    std::atomic<bool> m_stopThread{false};
    std::thread m_thread;
};

}  // namespace qelds

#endif
