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

// Runs `changed` once per burst of events, on its own thread. Events are readable data on a
// descriptor (udev) or pokes from inside the library (a camera found gone while streaming).
class DebouncedWatcher {
public:
    // Reads every pending event of the descriptor; answers whether one of them counts.
    using Drain = std::function<bool()>;

    explicit DebouncedWatcher(int quietMs = 300);
    ~DebouncedWatcher();
    DebouncedWatcher(const DebouncedWatcher&) = delete;
    DebouncedWatcher& operator=(const DebouncedWatcher&) = delete;

    // fd -1: pokes only.
    bool start(int fd, Drain drain, std::function<void()> changed);
    // Returns promptly: the thread is woken, a pending burst is dropped, and the thread joined.
    void stop();
    bool running() const { return m_thread.joinable(); }
    // Counts as one event; any thread, also while stopped (then nothing happens).
    void poke();

private:
    void run();

    const int m_quietMs;
    int m_fd = -1;
    int m_wakeFd = -1;
    int m_pokeFd = -1;
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

    // withUdev false: only pokes are watched (replayed devices).
    bool start(std::function<void()> changed, bool withUdev = true);
    void stop();
    void poke() { m_watcher.poke(); }

private:
    bool drain();

    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    DebouncedWatcher m_watcher;
};

}  // namespace qelds

#endif
