// One running stream of a virtual camera: a capture thread that renders the scene at the
// stream's size, paces frames in real time and delivers them in the stream's media type.
#ifndef QELDS_VIRTUAL_STREAM_H
#define QELDS_VIRTUAL_STREAM_H

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "JpegEncoder.h"
#include "SceneRenderer.h"
#include "VideoEncoder.h"

namespace qelds {

class FrameSink;
class VirtualCamera;

struct StreamConfig {
    bool enable = false;
    int mediaType = 0;
    int width = 0;
    int height = 0;
    int fps = 0;
    int bitrate = 0;  // bits per second; 0 = chosen from size and rate
    int gop = 0;      // frames; 0 = one second
};

class VirtualStream {
public:
    VirtualStream(VirtualCamera* camera, int index, const StreamConfig& config, FrameSink* sink);
    ~VirtualStream();
    VirtualStream(const VirtualStream&) = delete;
    VirtualStream& operator=(const VirtualStream&) = delete;

    // Sets up the picture and the encoder; false (with the reason) when the encoder cannot open.
    bool prepare(std::string* error);
    void start();
    void requestStop();
    void join();
    // Leaves the thread running on its own (only when stopped from inside its own callback).
    void detach();
    int index() const { return m_index; }
    bool isCurrentThread() const { return std::this_thread::get_id() == m_thread.get_id(); }
    // Wakes the thread (after a fault was cleared or the camera was pulled out).
    void wake();

    void setFps(int fps);
    void setEncoding(int bitsPerSecond, int gop);
    // The next encoded frame is a keyframe.
    void requestKeyframe() { m_keyframe = true; }

private:
    void run();
    // Renders and encodes one frame; false when there is nothing to deliver.
    bool produce(const uint8_t** data, int* size);
    void packYuy2();

    VirtualCamera* m_camera;
    int m_index;
    StreamConfig m_config;
    FrameSink* m_sink;
    SceneRenderer m_scene;
    JpegEncoder m_jpeg;
    VideoEncoder m_video;
    std::vector<uint8_t> m_packed;
    std::vector<uint8_t> m_damaged;
    DirtyRegion m_dirty;
    uint64_t m_sceneGeneration = ~0ull;
    int64_t m_frameNumber = 0;
    int64_t m_startUs = 0;

    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::atomic<int> m_fps;
    std::atomic<int> m_bitrate;
    std::atomic<int> m_gop;
    std::atomic<bool> m_reconfigure{false};
    std::atomic<bool> m_keyframe{false};
};

int64_t monotonicUs();

}  // namespace qelds

#endif
