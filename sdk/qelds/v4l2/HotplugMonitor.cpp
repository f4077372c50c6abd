#include "HotplugMonitor.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "V4l2Log.h"

namespace qelds {

DebouncedWatcher::DebouncedWatcher(int quietMs) : m_quietMs(quietMs) {
    m_pokeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_pokeFd < 0)
        v4l2Warning("hot-plug: eventfd failed: %s", std::strerror(errno));
}

DebouncedWatcher::~DebouncedWatcher() {
    stop();
    if (m_pokeFd >= 0)
        ::close(m_pokeFd);
}

void DebouncedWatcher::poke() {
    const uint64_t one = 1;
    if (m_pokeFd >= 0 && ::write(m_pokeFd, &one, sizeof one) < 0)
        v4l2Warning("hot-plug: poke failed: %s", std::strerror(errno));
}

bool DebouncedWatcher::start(int fd, Drain drain, std::function<void()> changed) {
    stop();
    if ((fd >= 0 && !drain) || !changed || m_pokeFd < 0)
        return false;
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0) {
        v4l2Warning("hot-plug: eventfd failed: %s", std::strerror(errno));
        return false;
    }
    m_fd = fd;
    m_drain = std::move(drain);
    m_changed = std::move(changed);
    uint64_t drained;
    while (::read(m_pokeFd, &drained, sizeof drained) > 0) {
    }
    m_thread = std::thread([this] { run(); });
    return true;
}

void DebouncedWatcher::stop() {
    if (m_thread.joinable()) {
        const uint64_t one = 1;
        if (::write(m_wakeFd, &one, sizeof one) < 0)
            v4l2Warning("hot-plug: waking the monitor failed: %s", std::strerror(errno));
        m_thread.join();
    }
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
    m_wakeFd = -1;
    m_fd = -1;
}

void DebouncedWatcher::run() {
    using Clock = std::chrono::steady_clock;
    bool pending = false;
    Clock::time_point due;
    while (true) {
        int timeout = -1;
        if (pending) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now()).count();
            timeout = left > 0 ? int(left) : 0;
        }
        pollfd fds[3] = {{m_wakeFd, POLLIN, 0}, {m_pokeFd, POLLIN, 0}, {m_fd, POLLIN, 0}};
        const int r = ::poll(fds, m_fd >= 0 ? 3 : 2, timeout);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            v4l2Warning("hot-plug: poll failed: %s", std::strerror(errno));
            return;
        }
        if (fds[0].revents & POLLIN)
            return;
        bool counts = false;
        if (fds[1].revents & POLLIN) {
            uint64_t pokes;
            counts = ::read(m_pokeFd, &pokes, sizeof pokes) > 0;
        }
        if (m_fd >= 0 && (fds[2].revents & (POLLERR | POLLHUP | POLLNVAL))) {
            v4l2Warning("hot-plug: the event source closed");
            return;
        }
        if (m_fd >= 0 && (fds[2].revents & POLLIN))
            counts = m_drain() || counts;
        if (counts) {
            pending = true;
            due = Clock::now() + std::chrono::milliseconds(m_quietMs);
            continue;
        }
        if (pending && Clock::now() >= due) {
            pending = false;
            m_changed();
        }
    }
}

HotplugMonitor::~HotplugMonitor() {
    stop();
}

bool HotplugMonitor::start(std::function<void()> changed, bool withUdev) {
    stop();
    if (!withUdev)
        return m_watcher.start(-1, nullptr, std::move(changed));
    m_udev = udev_new();
    if (!m_udev) {
        v4l2Warning("hot-plug: udev_new failed");
        return false;
    }
    m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
    if (!m_monitor ||
        udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "video4linux", nullptr) < 0 ||
        udev_monitor_enable_receiving(m_monitor) < 0) {
        v4l2Warning("hot-plug: cannot watch video4linux devices");
        stop();
        return false;
    }
    if (!m_watcher.start(
            udev_monitor_get_fd(m_monitor), [this] { return drain(); }, std::move(changed))) {
        stop();
        return false;
    }
    return true;
}

bool HotplugMonitor::drain() {
    bool counts = false;
    while (udev_device* device = udev_monitor_receive_device(m_monitor)) {
        const char* action = udev_device_get_action(device);
        if (action && (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0)) {
            v4l2Debug("hot-plug: %s %s", action,
                      udev_device_get_devnode(device) ? udev_device_get_devnode(device) : "");
            counts = true;
        }
        udev_device_unref(device);
    }
    return counts;
}

void HotplugMonitor::stop() {
    m_watcher.stop();
    if (m_monitor)
        udev_monitor_unref(m_monitor);
    m_monitor = nullptr;
    if (m_udev)
        udev_unref(m_udev);
    m_udev = nullptr;
}

}  // namespace qelds
