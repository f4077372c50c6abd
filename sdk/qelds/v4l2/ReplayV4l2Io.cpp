#include "ReplayV4l2Io.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "ReplayModel.h"

namespace qelds {

namespace {

const uint32_t kOffsetStride = 0x1000000;
const int kPollSliceMs = 20;  // waits are cut into slices so an unplug is seen promptly

}  // namespace

struct ReplayV4l2Io::Mapping {
    std::unique_ptr<uint8_t[]> memory;
    size_t length = 0;
    ReplayNode* node = nullptr;
    uint32_t index = 0;
};
ReplayV4l2Io::ReplayV4l2Io() = default;
ReplayV4l2Io::~ReplayV4l2Io() = default;

bool ReplayV4l2Io::load(const std::string& path, std::string* error) {
    std::ifstream in(path);
    if (!in) {
        if (error)
            *error = "cannot read " + path;
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    return parse(text.str(), error);
}

bool ReplayV4l2Io::parse(const std::string& text, std::string* error) {
    std::vector<std::unique_ptr<ReplayDevice>> added;
    try {
        added = parseReplayDevices(text);
    } catch (const std::exception& e) {
        if (error)
            *error = e.what();
        return false;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto& d : added)
        m_devices.push_back(std::move(d));
    return true;
}

ReplayNode* ReplayV4l2Io::nodeByPath(const std::string& path) const {
    for (const auto& d : m_devices)
        for (const auto& n : d->nodes)
            if (n->path == path)
                return n.get();
    return nullptr;
}

ReplayDevice* ReplayV4l2Io::deviceBySysfs(const std::string& sysfs) const {
    for (const auto& d : m_devices)
        if (d->sysfs == sysfs)
            return d.get();
    return nullptr;
}

void ReplayV4l2Io::unplug(const std::string& sysfs) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (ReplayDevice* d = deviceBySysfs(sysfs))
        d->present = false;
}

void ReplayV4l2Io::replug(const std::string& sysfs) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ReplayDevice* d = deviceBySysfs(sysfs);
    if (!d || d->present)
        return;
    d->present = true;
    const int devnum = std::atoi(d->attributes["devnum"].c_str());
    d->attributes["devnum"] = std::to_string(devnum + 1) + "\n";
    for (auto& n : d->nodes) {
        n->unplugAfter = -1;
        n->streamOnError = 0;
    }
}

void ReplayV4l2Io::unplugAfterFrames(const std::string& node, int frames) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (ReplayNode* n = nodeByPath(node))
        n->unplugAfter = n->delivered + frames;
}

void ReplayV4l2Io::failStreamOn(const std::string& node, int error) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (ReplayNode* n = nodeByPath(node))
        n->streamOnError = error;
}

void ReplayV4l2Io::damageFrames(const std::string& node, int count) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (ReplayNode* n = nodeByPath(node)) {
        n->damaged = count;
        n->damagedTotal = count;
    }
}

void ReplayV4l2Io::setFrameIntervalMs(int ms) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_frameIntervalMs = ms;
}

int ReplayV4l2Io::framesDelivered(const std::string& node) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const ReplayNode* n = nodeByPath(node);
    return n ? n->delivered : 0;
}

bool ReplayV4l2Io::isStreaming(const std::string& node) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const ReplayNode* n = nodeByPath(node);
    return n && n->streaming;
}

int ReplayV4l2Io::openDescriptors() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(m_fds.size());
}

int ReplayV4l2Io::mappedBuffers() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(m_mappings.size());
}

int ReplayV4l2Io::allocatedBuffers(const std::string& node) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const ReplayNode* n = nodeByPath(node);
    return n ? int(n->buffers.size()) : 0;
}

int ReplayV4l2Io::timePerFrameFps(const std::string& node) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const ReplayNode* n = nodeByPath(node);
    return n ? int(std::lround(1.0 / replaySeconds(n->interval))) : 0;
}

bool ReplayV4l2Io::controlValue(const std::string& node, uint32_t cid, int* value) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    ReplayNode* n = nodeByPath(node);
    ReplayControl* c = n ? n->control(cid) : nullptr;
    if (!c)
        return false;
    *value = c->value;
    return true;
}

std::vector<uint8_t> ReplayV4l2Io::xuValue(const std::string& sysfs, int unit, int selector) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (const ReplayDevice* d = deviceBySysfs(sysfs))
        for (const auto& xu : d->xu)
            if (xu.unit == unit && xu.selector == selector)
                return xu.data;
    return {};
}

std::vector<std::string> ReplayV4l2Io::listVideoNodes() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::pair<int, std::string>> found;
    for (const auto& d : m_devices) {
        if (!d->present)
            continue;
        for (const auto& n : d->nodes) {
            const auto digits = n->path.find_first_of("0123456789");
            found.emplace_back(digits == std::string::npos ? 0 : std::atoi(n->path.c_str() + digits),
                               n->path);
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> nodes;
    for (auto& f : found)
        nodes.push_back(f.second);
    return nodes;
}

std::string ReplayV4l2Io::sysfsDeviceOf(const std::string& node) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const ReplayNode* n = nodeByPath(node);
    return n && n->device->present ? n->deviceDir : std::string();
}

bool ReplayV4l2Io::readSysfs(const std::string& path, std::string* content) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::string dir = sysfsParent(path);
    const std::string file = path.substr(dir.size() + 1);
    const ReplayDevice* d = deviceBySysfs(dir);
    if (!d || !d->present)
        return false;
    const auto found = d->attributes.find(file);
    if (found == d->attributes.end())
        return false;
    *content = found->second;
    return true;
}

int ReplayV4l2Io::open(const std::string& node) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ReplayNode* n = nodeByPath(node);
    if (!n) {
        errno = ENOENT;
        return -1;
    }
    if (!n->device->present) {
        errno = ENODEV;
        return -1;
    }
    const int fd = m_nextFd++;
    m_fds[fd] = n;
    return fd;
}

int ReplayV4l2Io::close(int fd) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_fds.find(fd);
    if (found == m_fds.end()) {
        errno = EBADF;
        return -1;
    }
    ReplayNode* n = found->second;
    if (n->owner == fd) {
        // Closing the queue's owner stops streaming and frees the queue; mappings stay valid.
        n->streaming = false;
        n->queue.clear();
        for (auto& m : m_mappings)
            if (m.second->node == n)
                m.second->node = nullptr;
        n->buffers.clear();
        n->owner = -1;
    }
    m_fds.erase(found);
    return 0;
}

void* ReplayV4l2Io::mmap(size_t length, int fd, off_t offset) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_fds.find(fd);
    if (found == m_fds.end()) {
        errno = EBADF;
        return nullptr;
    }
    ReplayNode* n = found->second;
    if (!n->device->present) {
        errno = ENODEV;
        return nullptr;
    }
    const uint32_t index = uint32_t(offset) / kOffsetStride;
    if (n->owner != fd || uint32_t(offset) % kOffsetStride || index >= n->buffers.size() ||
        length > n->buffers[index].length || n->buffers[index].memory) {
        errno = EINVAL;
        return nullptr;
    }
    auto mapping = std::make_unique<Mapping>();
    mapping->memory.reset(new uint8_t[length]());
    mapping->length = length;
    mapping->node = n;
    mapping->index = index;
    void* address = mapping->memory.get();
    n->buffers[index].memory = mapping->memory.get();
    m_mappings[address] = std::move(mapping);
    return address;
}

int ReplayV4l2Io::munmap(void* address, size_t length) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_mappings.find(address);
    if (found == m_mappings.end() || found->second->length != length) {
        errno = EINVAL;
        return -1;
    }
    Mapping& m = *found->second;
    if (m.node && m.index < m.node->buffers.size())
        m.node->buffers[m.index].memory = nullptr;
    m_mappings.erase(found);
    return 0;
}

V4l2Io::PollResult ReplayV4l2Io::poll(int fd, int wakeFd, int timeoutMs) {
    const auto deadline = ReplayClock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        ReplayClock::duration untilFrame = std::chrono::milliseconds(kPollSliceMs);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            const auto found = m_fds.find(fd);
            if (found == m_fds.end()) {
                errno = EBADF;
                return PollResult::Failed;
            }
            ReplayNode* n = found->second;
            if (!n->device->present || !n->streaming || n->owner != fd)
                return PollResult::Ready;  // the error shows when dequeueing
            if (!n->queue.empty()) {
                const double period =
                    m_frameIntervalMs > 0 ? m_frameIntervalMs / 1000.0 : replaySeconds(n->interval);
                const auto due =
                    n->streamStart + std::chrono::duration_cast<ReplayClock::duration>(
                                         std::chrono::duration<double>(period * double(n->nextFrame)));
                const auto now = ReplayClock::now();
                if (due <= now)
                    return PollResult::Ready;
                untilFrame = std::min(untilFrame, due - now);
            }
        }
        const auto now = ReplayClock::now();
        if (now >= deadline) {
            ++m_pollsTimedOut;
            return PollResult::Timeout;
        }
        const auto wait = std::min<ReplayClock::duration>(untilFrame, deadline - now);
        pollfd p{wakeFd, POLLIN, 0};
        const int ms = int(std::chrono::duration_cast<std::chrono::microseconds>(wait).count() + 999) / 1000;
        if (::poll(&p, wakeFd >= 0 ? 1 : 0, ms) > 0) {
            ++m_pollsWoken;
            return PollResult::Woken;
        }
    }
}

int ReplayV4l2Io::ioctl(int fd, unsigned long request, void* arg) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_fds.find(fd);
    if (found == m_fds.end()) {
        errno = EBADF;
        return -1;
    }
    ReplayNode& node = *found->second;
    if (!node.device->present) {
        errno = ENODEV;
        return -1;
    }
    const int error = handleIoctl(fd, node, request, arg);
    if (error) {
        errno = error;
        return -1;
    }
    return 0;
}

}  // namespace qelds
