#include "Library.h"

#include <cstdio>

#include "virtual/VirtualRegistry.h"
#ifdef QELDS_HAVE_V4L2
#include "v4l2/V4l2Source.h"
#endif

namespace qelds {

Library& Library::instance() {
    static Library library;
    return library;
}

bool Library::init() {
    std::lock_guard<std::mutex> life(m_lifeMutex);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_initialized)
            return true;
    }
    VirtualRegistry::instance().addFromEnvironment();
    m_sources.clear();
#ifdef QELDS_HAVE_V4L2
    if (auto v4l2 = createV4l2Source())
        m_sources.push_back(std::move(v4l2));
    else
        std::fprintf(stderr, "qelds: V4L2 cameras are not available\n");
#endif
    m_sources.push_back(std::make_unique<VirtualSource>());
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_initialized = true;
        m_pendingChanges = 0;
        m_stopHotplug = false;
    }
    refresh();
    m_hotplugThread = std::thread([this] { hotplugLoop(); });
    for (auto& source : m_sources) {
        if (!source->startMonitor([this] { notifyChanged(); }))
            std::fprintf(stderr, "qelds: hot-plug monitoring is not available for a camera family\n");
    }
    return true;
}

bool Library::uninit() {
    std::lock_guard<std::mutex> life(m_lifeMutex);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_initialized)
            return false;
        m_initialized = false;
        m_callback = nullptr;
        m_stopHotplug = true;
    }
    for (auto& source : m_sources)
        source->stopMonitor();
    m_hotplugWake.notify_all();
    if (m_hotplugThread.joinable()) {
        if (m_hotplugThread.get_id() == std::this_thread::get_id())
            m_hotplugThread.detach();  // uninit from inside the hot-plug callback
        else
            m_hotplugThread.join();
    }
    std::vector<std::shared_ptr<CameraEntry>> entries;
    {
        std::lock_guard<std::mutex> refresh(m_refreshMutex);
        std::lock_guard<std::mutex> lock(m_mutex);
        entries.swap(m_entries);
    }
    for (auto& e : entries)
        e->retire();
    m_sources.clear();
    return true;
}

bool Library::initialized() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_initialized;
}

bool Library::setDeviceChangedCallback(qelcamera_device_changed_callback fn) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_initialized)
        return false;
    m_callback = fn;
    return true;
}

bool Library::cameraCount(int* count) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_initialized || !count)
        return false;
    *count = static_cast<int>(m_entries.size());
    return true;
}

std::shared_ptr<CameraEntry> Library::entry(int cam) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_initialized || cam < 0 || cam >= static_cast<int>(m_entries.size()))
        return nullptr;
    return m_entries[cam];
}

void Library::refresh() {
    std::lock_guard<std::mutex> serial(m_refreshMutex);
    if (!initialized())
        return;
    // m_sources only changes under m_lifeMutex, and init/uninit never run while a refresh
    // is in flight on the hot-plug thread (uninit joins it first).
    std::vector<std::shared_ptr<CameraDevice>> devices;
    for (auto& source : m_sources) {
        for (auto& d : source->enumerate())
            devices.push_back(d);
    }
    std::vector<std::shared_ptr<CameraEntry>> leaving;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<std::shared_ptr<CameraEntry>> next;
        for (auto& d : devices) {
            std::string id = d->uniqueId();
            std::shared_ptr<CameraEntry> kept;
            for (auto& e : m_entries) {
                if (e && e->uniqueId() == id) {
                    kept = e;
                    e = nullptr;  // taken
                    break;
                }
            }
            if (!kept)
                kept = std::make_shared<CameraEntry>(d, 0);
            kept->setIndex(static_cast<int>(next.size()));
            next.push_back(kept);
        }
        for (auto& e : m_entries) {
            if (e)
                leaving.push_back(e);
        }
        m_entries.swap(next);
    }
    for (auto& e : leaving)
        e->retire();
}

void Library::notifyChanged() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_initialized)
            return;
        ++m_pendingChanges;
    }
    m_hotplugWake.notify_all();
}

void Library::hotplugLoop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_hotplugWake.wait(lock, [this] { return m_stopHotplug || m_pendingChanges > 0; });
        if (m_stopHotplug)
            return;
        --m_pendingChanges;
        lock.unlock();
        refresh();
        lock.lock();
        if (m_stopHotplug)
            return;
        qelcamera_device_changed_callback fn = m_callback;
        int count = static_cast<int>(m_entries.size());
        lock.unlock();
        if (fn)
            fn(1, count);
        lock.lock();
    }
}

}  // namespace qelds
