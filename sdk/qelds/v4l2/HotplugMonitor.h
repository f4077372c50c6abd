// Watching video4linux devices come and go. Events arrive in bursts (every node of a device,
// then its interfaces): the callback runs once after a quiet period following the last event.
#ifndef QELDS_HOTPLUG_MONITOR_H
#define QELDS_HOTPLUG_MONITOR_H

#include <atomic>
#include <functional>
#include <thread>

struct udev;
struct udev_monitor;

namespace qelds {

// Runs `changed` once per burst of events on a descriptor, on its own thread.
class DebouncedWatcher {
public:
    // Reads every pending event of the descriptor; answers whether one of them counts.
    using Drain = std::function<bool()>;

    explicit DebouncedWatcher(int quietMs = 300);
    ~DebouncedWatcher();
    DebouncedWatcher(const DebouncedWatcher&) = delete;
    DebouncedWatcher& operator=(const DebouncedWatcher&) = delete;

    bool start(int fd, Drain drain, std::function<void()> changed);
    // Returns promptly: the thread is woken, a pending burst is dropped, and the thread joined.
    void stop();
    bool running() const { return m_thread.joinable(); }

private:
    void run();

    const int m_quietMs;
    int m_fd = -1;
    int m_wakeFd = -1;
    Drain m_drain;
    std::function<void()> m_changed;
    std::thread m_thread;
};

// The udev side: a monitor on the video4linux subsystem feeding a DebouncedWatcher.
class HotplugMonitor {
public:
    HotplugMonitor() = default;
    ~HotplugMonitor();
    HotplugMonitor(const HotplugMonitor&) = delete;
    HotplugMonitor& operator=(const HotplugMonitor&) = delete;

    bool start(std::function<void()> changed);
    void stop();

private:
    bool drain();

    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    DebouncedWatcher m_watcher;
};

}  // namespace qelds

#endif
