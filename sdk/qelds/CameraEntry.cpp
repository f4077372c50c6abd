#include "CameraEntry.h"

#include <chrono>
#include <cstdio>

namespace qelds {

int64_t nowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

CameraEntry::CameraEntry(std::shared_ptr<CameraDevice> device, int index)
    : m_device(std::move(device)), m_uniqueId(m_device->uniqueId()), m_index(index) {}

CameraEntry::~CameraEntry() {
    retire();
}

bool CameraEntry::open() {
    std::lock_guard<std::mutex> lock(m_control);
    if (m_gone)
        return false;
    if (m_open)
        return true;
    if (!m_device->open()) {
        std::fprintf(stderr, "qelds: cannot open camera %s\n", m_uniqueId.c_str());
        return false;
    }
    m_open = true;
    return true;
}

bool CameraEntry::close() {
    std::lock_guard<std::mutex> lock(m_control);
    if (!m_open)
        return false;
    if (m_running) {
        m_device->stop();
        m_running = false;
    }
    m_device->close();
    m_open = false;
    return true;
}

bool CameraEntry::start() {
    std::lock_guard<std::mutex> lock(m_control);
    if (!m_open || m_gone)
        return false;
    if (m_running) {
        std::fprintf(stderr, "qelds: camera %s is already streaming\n", m_uniqueId.c_str());
        return false;
    }
    for (StreamStats& s : m_stats)
        s.reset();
    if (!m_device->start(this)) {
        std::fprintf(stderr, "qelds: camera %s did not start\n", m_uniqueId.c_str());
        return false;
    }
    m_running = true;
    return true;
}

bool CameraEntry::stop() {
    std::lock_guard<std::mutex> lock(m_control);
    if (!m_open)
        return false;
    if (m_running) {
        m_device->stop();
        m_running = false;
    }
    // Streams 1 and up are enabled for one run only: a caller that goes back to single-stream
    // operation sets stream 0 alone and must not find the others starting with it.
    for (int stream = 1; stream < m_device->streamCount(); ++stream)
        m_device->setPreviewParams(stream, false, 0, 0, 0, 0);
    return true;
}

void CameraEntry::retire() {
    m_gone = true;
    std::lock_guard<std::mutex> lock(m_control);
    if (m_running)
        m_device->stop();
    if (m_open)
        m_device->close();
    m_running = false;
    m_open = false;
}

bool CameraEntry::stats(int stream, int* fps, int* bytesPerSecond) const {
    if (stream < 0 || stream >= kMaxStreams || !m_running)
        return false;
    m_stats[stream].measure(nowUs(), fps, bytesPerSecond);
    return true;
}

void CameraEntry::onFrame(int pin, int stream, int mediaType, int width, int height, int64_t timestampUs,
                          uint8_t* data, int size) {
    if (pin == 0 && stream >= 0 && stream < kMaxStreams)
        m_stats[stream].record(nowUs(), size);
    qelcamera_preview_callback fn = m_callback.load();
    if (fn)
        fn(m_index.load(), pin, stream, mediaType, width, height, static_cast<long>(timestampUs), data, size);
}

void CameraEntry::onVanished() {
    std::fprintf(stderr, "qelds: camera %s went away while streaming\n", m_uniqueId.c_str());
}

}  // namespace qelds
