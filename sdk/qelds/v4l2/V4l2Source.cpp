#include "V4l2Source.h"

#include <cstdlib>

#include "HotplugMonitor.h"
#include "RealV4l2Io.h"
#include "ReplayV4l2Io.h"
#include "V4l2Camera.h"
#include "V4l2Log.h"
#include "V4l2Probe.h"
#include "XuMap.h"

namespace qelds {

std::unique_ptr<DeviceSource> createV4l2Source() {
    std::shared_ptr<const XuMap> xuMap = loadXuMapOrWarn(XuMap::defaultPath());
    std::string error;

    if (const char* replay = std::getenv("QELDS_V4L2_REPLAY"); replay && *replay) {
        auto io = std::make_shared<ReplayV4l2Io>();
        if (!io->load(replay, &error))
            v4l2Warning("device description %s not loaded: %s", replay, error.c_str());
        return std::make_unique<V4l2Source>(io, xuMap, false);
    }
    return std::make_unique<V4l2Source>(std::make_shared<RealV4l2Io>(), xuMap, true);
}

V4l2Source::V4l2Source(std::shared_ptr<V4l2Io> io, std::shared_ptr<const XuMap> xuMap, bool watchUdev)
    : m_io(std::move(io)), m_xuMap(std::move(xuMap)), m_watchUdev(watchUdev) {}

V4l2Source::~V4l2Source() {
    stopMonitor();
}

std::vector<std::shared_ptr<CameraDevice>> V4l2Source::enumerate() {
    std::vector<V4l2CameraInfo> infos = probeCameras(*m_io);
    std::lock_guard<std::mutex> lock(m_mutex);
    std::map<std::string, std::shared_ptr<V4l2Camera>> present;
    std::vector<std::shared_ptr<CameraDevice>> list;
    for (V4l2CameraInfo& info : infos) {
        std::shared_ptr<V4l2Camera> camera;
        const auto known = m_cameras.find(info.uniqueId);
        // Same port and same USB address: the same device, keep its object (and its state).
        if (known != m_cameras.end() && known->second->info().generation == info.generation)
            camera = known->second;
        else
            camera = std::make_shared<V4l2Camera>(m_io, std::move(info), m_xuMap,
                                                  [notifier = m_notifier] { notifier->notify(); });
        present[camera->uniqueId()] = camera;
        list.push_back(camera);
    }
    m_cameras = std::move(present);
    return list;
}

void V4l2Source::LostNotifier::notify() {
    std::lock_guard<std::mutex> lock(mutex);
    if (monitor)
        monitor->poke();
}

bool V4l2Source::startMonitor(std::function<void()> changed) {
    stopMonitor();
    auto monitor = std::make_unique<HotplugMonitor>();
    bool watching = monitor->start(changed, m_watchUdev);
    if (!watching && m_watchUdev) {
        // Without udev, cameras lost while streaming still announce themselves.
        monitor->start(changed, false);
    }
    {
        std::lock_guard<std::mutex> lock(m_notifier->mutex);
        m_notifier->monitor = monitor.get();
    }
    m_monitor = std::move(monitor);
    return watching;
}

void V4l2Source::stopMonitor() {
    {
        std::lock_guard<std::mutex> lock(m_notifier->mutex);
        m_notifier->monitor = nullptr;
    }
    if (m_monitor)
        m_monitor->stop();
    m_monitor.reset();
}

}  // namespace qelds
