// The library's state: the camera families, the camera list (real cameras first, then
// virtual ones), the hot-plug thread and the application's hot-plug callback.
#ifndef QELDS_LIBRARY_H
#define QELDS_LIBRARY_H

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "CameraDevice.h"
#include "CameraEntry.h"
#include "qelds.h"

namespace qelds {

class Library {
public:
    static Library& instance();
    // A process that never called uninit still ends its threads at exit.
    ~Library() { uninit(); }

    bool init();
    bool uninit();
    bool initialized();
    bool setDeviceChangedCallback(qelcamera_device_changed_callback fn);
    bool cameraCount(int* count);
    // The camera at a list index; null when the index is bad or the library is not initialised.
    std::shared_ptr<CameraEntry> entry(int cam);

    // Lists the cameras again now (on the calling thread), keeping the entries of cameras
    // still present. Cameras that left are stopped and closed.
    void refresh();
    // A camera family saw a change: the hot-plug thread lists again and calls the callback once.
    void notifyChanged();

private:
    void hotplugLoop();

    std::mutex m_lifeMutex;     // init/uninit
    std::mutex m_refreshMutex;  // one re-enumeration at a time
    std::mutex m_mutex;         // the fields below
    bool m_initialized = false;
    std::vector<std::shared_ptr<CameraEntry>> m_entries;
    std::vector<std::unique_ptr<DeviceSource>> m_sources;  // only touched under m_lifeMutex
    qelcamera_device_changed_callback m_callback = nullptr;

    std::thread m_hotplugThread;
    std::condition_variable m_hotplugWake;
    int m_pendingChanges = 0;
    bool m_stopHotplug = false;
};

}  // namespace qelds

#endif
