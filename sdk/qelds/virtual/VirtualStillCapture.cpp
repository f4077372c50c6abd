#include "VirtualStillCapture.h"

#include <cstdio>
#include <vector>

#include "CameraDevice.h"
#include "JpegEncoder.h"
#include "SceneRenderer.h"
#include "VideoEncoder.h"

namespace qelds {

VirtualStillCapture::~VirtualStillCapture() {
    requestStop();
    join();
}

void VirtualStillCapture::arm() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_requests = 0;
    m_stop = false;
}

void VirtualStillCapture::launch() {
    m_thread = std::thread([this] { loop(); });
}

void VirtualStillCapture::request() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_requests;
    }
    m_wake.notify_all();
}

void VirtualStillCapture::requestStop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
}

void VirtualStillCapture::join() {
    if (!m_thread.joinable())
        return;
    if (m_thread.get_id() == std::this_thread::get_id())
        m_thread.detach();
    else
        m_thread.join();
}

void VirtualStillCapture::loop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || m_requests > 0; });
        if (m_stop)
            return;
        --m_requests;
        lock.unlock();
        deliver(m_source());
        lock.lock();
    }
}

void VirtualStillCapture::deliver(const Job& job) {
    const StreamConfig& c = job.config;
    if (!c.enable || !job.sink)
        return;
    int type = job.notJpeg ? 2 : c.mediaType;
    char caption[64];
    std::snprintf(caption, sizeof caption, "STILL %dX%d", c.width, c.height);
    SceneRenderer scene;
    scene.setup(c.width, c.height, caption);
    scene.setSettings(job.settings);
    DirtyRegion dirty;
    int64_t captured = monotonicUs();
    scene.render(0, 0, &dirty);
    const YuvImage& img = scene.image();
    if (type == 1) {
        JpegEncoder jpeg;
        jpeg.setup(c.width, c.height, 90);
        int size = 0;
        const std::vector<uint8_t>& data = jpeg.encode(img, &size);
        job.sink->onFrame(1, 0, 1, c.width, c.height, captured, const_cast<uint8_t*>(data.data()), size);
        return;
    }
    const RangeTables& t = RangeTables::get();
    std::vector<uint8_t> packed(static_cast<size_t>(c.width) * c.height * 2);
    for (int row = 0; row < c.height; ++row) {
        uint8_t* d = packed.data() + static_cast<size_t>(row) * c.width * 2;
        for (int x = 0; x < c.width; x += 2, d += 4) {
            d[0] = t.luma[img.yRow(row)[x]];
            d[1] = t.chroma[img.uRow(row)[x / 2]];
            d[2] = t.luma[img.yRow(row)[x + 1]];
            d[3] = t.chroma[img.vRow(row)[x / 2]];
        }
    }
    job.sink->onFrame(1, 0, 2, c.width, c.height, captured, packed.data(), static_cast<int>(packed.size()));
}

}  // namespace qelds
