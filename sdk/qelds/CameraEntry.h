// One camera in the library's list: the device, whether it is open and streaming, the
// preview callback and the per-stream statistics. Receives the device's frames.
#ifndef QELDS_CAMERA_ENTRY_H
#define QELDS_CAMERA_ENTRY_H

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "CameraDevice.h"
#include "StreamStats.h"
#include "qelds.h"

namespace qelds {

class CameraEntry : public FrameSink {
public:
    static constexpr int kMaxStreams = 8;

    CameraEntry(std::shared_ptr<CameraDevice> device, int index);
    ~CameraEntry() override;

    CameraDevice& device() { return *m_device; }
    const std::string& uniqueId() const { return m_uniqueId; }
    int index() const { return m_index.load(); }
    void setIndex(int index) { m_index = index; }

    bool open();
    bool close();
    bool isOpen() const { return m_open.load(); }
    bool start();
    bool stop();
    void setCallback(qelcamera_preview_callback fn) { m_callback = fn; }
    bool stats(int stream, int* fps, int* bytesPerSecond) const;
    // The device left the list: stop and close it for good.
    void retire();
    bool gone() const { return m_gone.load(); }

    void onFrame(int pin, int stream, int mediaType, int width, int height, int64_t timestampUs,
                 uint8_t* data, int size) override;
    void onVanished() override;

private:
    std::shared_ptr<CameraDevice> m_device;
    const std::string m_uniqueId;
    std::atomic<int> m_index;
    std::mutex m_control;  // open/close/start/stop
    std::atomic<bool> m_open{false};
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_gone{false};
    std::atomic<qelcamera_preview_callback> m_callback{nullptr};
    StreamStats m_stats[kMaxStreams];
};

int64_t nowUs();

}  // namespace qelds

#endif
