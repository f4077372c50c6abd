// The still pin of a running virtual camera: a thread that takes capture requests one by one,
// renders the scene at the still size and delivers it as a JPEG (or YUY2) on pin 1.
#ifndef QELDS_VIRTUAL_STILL_CAPTURE_H
#define QELDS_VIRTUAL_STILL_CAPTURE_H

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "SceneSettings.h"
#include "VirtualStream.h"

namespace qelds {

class FrameSink;

class VirtualStillCapture {
public:
    // What one capture needs, taken when the request is served.
    struct Job {
        StreamConfig config;  // nothing is delivered unless enabled
        SceneSettings settings;
        FrameSink* sink = nullptr;
        bool notJpeg = false;  // deliver YUY2 whatever the format says
    };
    using JobSource = std::function<Job()>;

    explicit VirtualStillCapture(JobSource source) : m_source(std::move(source)) {}
    ~VirtualStillCapture();
    VirtualStillCapture(const VirtualStillCapture&) = delete;
    VirtualStillCapture& operator=(const VirtualStillCapture&) = delete;

    // Forgets earlier requests and a stop request; the thread starts with launch().
    void arm();
    void launch();
    // One more capture for the thread to serve.
    void request();
    // The thread ends after the capture it is serving (requests left are dropped).
    void requestStop();
    // Waits for the thread; when called on the thread itself, leaves it to end on its own.
    void join();

    // Renders and delivers one still.
    static void deliver(const Job& job);

private:
    void loop();

    JobSource m_source;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    int m_requests = 0;  // under m_mutex
    bool m_stop = false;
};

}  // namespace qelds

#endif
