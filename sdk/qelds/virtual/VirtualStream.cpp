#include "VirtualStream.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "CameraDevice.h"
#include "VirtualCamera.h"

namespace qelds {

int64_t monotonicUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

static const char* typeName(int type) {
    switch (type) {
        case 1:
            return "MJPG";
        case 2:
            return "YUY2";
        case 3:
            return "H264";
        case 4:
            return "H265";
        default:
            return "?";
    }
}

VirtualStream::VirtualStream(VirtualCamera* camera, int index, const StreamConfig& config, FrameSink* sink)
    : m_camera(camera), m_index(index), m_config(config), m_sink(sink), m_fps(config.fps) {
    if (m_config.bitrate <= 0)
        m_config.bitrate = VideoEncoder::defaultBitrate(config.width, config.height, config.fps);
    if (m_config.gop <= 0)
        m_config.gop = config.fps;
    m_bitrate = m_config.bitrate;
    m_gop = m_config.gop;
}

VirtualStream::~VirtualStream() {
    requestStop();
    join();
}

bool VirtualStream::prepare(std::string* error) {
    char caption[96];
    std::snprintf(caption, sizeof caption, "S%d %dX%d %s %dFPS", m_index, m_config.width, m_config.height,
                  typeName(m_config.mediaType), m_config.fps);
    m_scene.setup(m_config.width, m_config.height, caption);
    switch (m_config.mediaType) {
        case 1:
            m_jpeg.setup(m_config.width, m_config.height, 80);
            return true;
        case 2:
            m_packed.assign(static_cast<size_t>(m_config.width) * m_config.height * 2, 0);
            return true;
        case 3:
        case 4:
            return m_video.open(m_config.mediaType, m_config.width, m_config.height, m_config.fps,
                                m_config.bitrate, m_config.gop, error);
        default:
            *error = "media type not supported";
            return false;
    }
}

void VirtualStream::start() {
    m_thread = std::thread([this] { run(); });
}

void VirtualStream::requestStop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
}

void VirtualStream::join() {
    if (m_thread.joinable() && !isCurrentThread())
        m_thread.join();
}

void VirtualStream::detach() {
    if (m_thread.joinable())
        m_thread.detach();
}

void VirtualStream::wake() {
    m_wake.notify_all();
}

void VirtualStream::setFps(int fps) {
    m_fps = fps;
    wake();
}

void VirtualStream::setEncoding(int bitsPerSecond, int gop) {
    if (bitsPerSecond > 0)
        m_bitrate = bitsPerSecond;
    if (gop > 0)
        m_gop = gop;
    m_reconfigure = true;
}

void VirtualStream::packYuy2() {
    const RangeTables& t = RangeTables::get();
    const YuvImage& img = m_scene.image();
    int w = m_config.width;
    Rect visible{0, 0, w, m_config.height};
    for (int i = 0; i < m_dirty.count(); ++i) {
        Rect r = img.aligned(m_dirty.at(i)).intersected(visible);
        for (int row = r.y; row < r.y + r.h; ++row) {
            const uint8_t* y = img.yRow(row);
            const uint8_t* u = img.uRow(row);
            const uint8_t* v = img.vRow(row);
            uint8_t* d = m_packed.data() + (static_cast<size_t>(row) * w + r.x) * 2;
            for (int x = r.x; x < r.x + r.w; x += 2) {
                d[0] = t.luma[y[x]];
                d[1] = t.chroma[u[x / 2]];
                d[2] = t.luma[y[x + 1]];
                d[3] = t.chroma[v[x / 2]];
                d += 4;
            }
        }
    }
}

bool VirtualStream::produce(const uint8_t** data, int* size) {
    uint64_t generation = m_camera->sceneGeneration();
    if (generation != m_sceneGeneration) {
        m_sceneGeneration = generation;
        m_scene.setSettings(m_camera->sceneSettings());
    }
    m_dirty.clear();
    m_scene.render(m_frameNumber, monotonicUs() - m_startUs, &m_dirty);
    switch (m_config.mediaType) {
        case 1: {
            m_jpeg.markDirty(m_dirty);
            const std::vector<uint8_t>& jpeg = m_jpeg.encode(m_scene.image(), size);
            *data = jpeg.data();
            int fault = m_camera->takeJpegFault();
            if (fault != 0) {
                // Damaged frames go out of a copy so the encoder's cache stays intact.
                m_damaged.assign(jpeg.begin(), jpeg.begin() + *size);
                if (fault == VirtualFaults::kCorrupt) {
                    for (int i = *size / 3; i < *size / 3 + 512 && i < *size - 2; ++i)
                        m_damaged[i] = static_cast<uint8_t>(m_damaged[i] ^ 0x5A);
                } else {
                    *size /= 2;
                }
                *data = m_damaged.data();
            }
            return true;
        }
        case 2:
            packYuy2();
            *data = m_packed.data();
            *size = static_cast<int>(m_packed.size());
            return true;
        default: {
            std::string error;
            if (m_reconfigure.exchange(false)) {
                if (!m_video.open(m_config.mediaType, m_config.width, m_config.height, m_fps, m_bitrate,
                                  m_gop, &error)) {
                    std::fprintf(stderr, "qelds: virtual stream %d: %s\n", m_index, error.c_str());
                    return false;
                }
            }
            if (!m_video.encode(m_scene.image(), m_dirty, m_keyframe.exchange(false), data, size, &error)) {
                if (!error.empty())
                    std::fprintf(stderr, "qelds: virtual stream %d: %s\n", m_index, error.c_str());
                return false;
            }
            return true;
        }
    }
}

void VirtualStream::run() {
    m_startUs = monotonicUs();
    int64_t next = m_startUs;
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stop) {
        int fps = m_fps > 0 ? m_fps.load() : 1;
        int64_t period = 1000000 / fps;
        auto deadline = std::chrono::steady_clock::time_point(std::chrono::microseconds(next));
        if (m_wake.wait_until(lock, deadline, [this] { return m_stop || m_camera->vanished(); })) {
            if (m_stop)
                break;
        }
        if (m_camera->vanished()) {
            lock.unlock();
            m_camera->reportVanished();
            return;
        }
        int64_t now = monotonicUs();
        next += period;
        if (next < now - period)
            next = now;  // fell behind (stall, slow encoder): no burst
        if (m_camera->stalled(now))
            continue;
        lock.unlock();
        const uint8_t* data = nullptr;
        int size = 0;
        int64_t captured = monotonicUs();
        if (produce(&data, &size)) {
            ++m_frameNumber;
            m_sink->onFrame(0, m_index, m_config.mediaType, m_config.width, m_config.height, captured,
                            const_cast<uint8_t*>(data), size);
        }
        lock.lock();
    }
}

}  // namespace qelds
