// The V4L2 cameras as a device source of qelds.
#ifndef QELDS_V4L2_SOURCE_H
#define QELDS_V4L2_SOURCE_H

#include <map>
#include <memory>
#include <mutex>

#include "CameraDevice.h"

namespace qelds {

class HotplugMonitor;
class V4l2Camera;
class V4l2Io;
class XuMap;

// The cameras of the running system. With QELDS_V4L2_REPLAY naming a device description, the
// cameras of that description instead (no hardware needed).
std::unique_ptr<DeviceSource> createV4l2Source();

class V4l2Source : public DeviceSource {
public:
    // watchUdev false: only cameras found gone while streaming count as changes (replayed devices).
    V4l2Source(std::shared_ptr<V4l2Io> io, std::shared_ptr<const XuMap> xuMap, bool watchUdev);
    ~V4l2Source() override;

    std::vector<std::shared_ptr<CameraDevice>> enumerate() override;
    bool startMonitor(std::function<void()> changed) override;
    void stopMonitor() override;

private:
    // Lets cameras that find their device gone reach the running monitor, if any.
    struct LostNotifier {
        std::mutex mutex;
        HotplugMonitor* monitor = nullptr;
        void notify();
    };

    std::shared_ptr<V4l2Io> m_io;
    std::shared_ptr<const XuMap> m_xuMap;
    const bool m_watchUdev;
    std::mutex m_mutex;
    // Cameras handed out, by uniqueId: a device still present is answered with the same object.
    std::map<std::string, std::shared_ptr<V4l2Camera>> m_cameras;
    std::shared_ptr<LostNotifier> m_notifier = std::make_shared<LostNotifier>();
    std::unique_ptr<HotplugMonitor> m_monitor;
};

}  // namespace qelds

#endif
