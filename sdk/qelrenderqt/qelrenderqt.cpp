#include "qelrenderqt.h"
#include "qelrenderqt_extra.h"

#include <QtGlobal>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "VideoRenderer.h"

namespace {

std::atomic<bool> g_initialised{false};
std::atomic<unsigned> g_refusals{0};

// Per-frame refusals are logged the first few times and then every few hundredth.
bool shouldLogRefusal() {
    const unsigned n = g_refusals.fetch_add(1, std::memory_order_relaxed);
    return n < 5 || n % 300 == 0;
}

// The renderers of the process by key. Lookups hand out shared references, so a renderer
// released while another thread renders with it is freed after that frame.
class RendererTable {
public:
    void add(std::shared_ptr<VideoRenderer> renderer, char* keyOut) {
        std::lock_guard<std::mutex> lock(m_mutex);
        char key[32];
        std::snprintf(key, sizeof key, "render-%llu", m_nextId++);
        m_renderers.emplace(key, std::move(renderer));
        std::memcpy(keyOut, key, std::strlen(key) + 1);
    }
    std::shared_ptr<VideoRenderer> find(const char* key) const {
        std::string_view view;
        if (!validKey(key, &view)) {
            return nullptr;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto it = m_renderers.find(view);
        return it == m_renderers.end() ? nullptr : it->second;
    }
    std::shared_ptr<VideoRenderer> take(const char* key) {
        std::string_view view;
        if (!validKey(key, &view)) {
            return nullptr;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto it = m_renderers.find(view);
        if (it == m_renderers.end()) {
            return nullptr;
        }
        std::shared_ptr<VideoRenderer> renderer = std::move(it->second);
        m_renderers.erase(it);
        return renderer;
    }
    std::map<std::string, std::shared_ptr<VideoRenderer>, std::less<>> takeAll() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return std::move(m_renderers);
    }

private:
    static bool validKey(const char* key, std::string_view* view) {
        if (!key) {
            return false;
        }
        const size_t length = strnlen(key, QEL_TEXT_BUFFER_SIZE);
        if (length == 0 || length >= QEL_TEXT_BUFFER_SIZE) {
            return false;
        }
        *view = std::string_view(key, length);
        return true;
    }

    mutable std::mutex m_mutex;
    std::map<std::string, std::shared_ptr<VideoRenderer>, std::less<>> m_renderers;
    unsigned long long m_nextId = 1;
};

RendererTable& renderers() {
    static RendererTable table;
    return table;
}

}  // namespace

int qelrender_init(void) {
    g_initialised = true;
    return 1;
}

int qelrender_uninit(void) {
    g_initialised = false;
    auto all = renderers().takeAll();
    for (auto& entry : all) {
        entry.second->release();
    }
    return 1;
}

int qelrender_get_version(char* buf) {
    if (!buf) {
        return 0;
    }
    std::snprintf(buf, QEL_TEXT_BUFFER_SIZE, "qelrenderqt 1.0.1 (Qt %s)", qVersion());
    return 1;
}

int qelrender_create_render(char* keyOut, long reserved, int colorSpace, int width, int height,
                            IWindow* window) {
    if (!keyOut || reserved != 0 || colorSpace != QEL_COLORSPACE_YUV420P) {
        qWarning("qelrender_create_render: bad arguments (key buffer %p, reserved %ld, colour space %d)",
                 static_cast<void*>(keyOut), reserved, colorSpace);
        return 0;
    }
    if (!g_initialised) {
        qWarning("qelrender_create_render: qelrender_init was not called");
        return 0;
    }
    std::shared_ptr<VideoRenderer> renderer = VideoRenderer::create(width, height, window);
    if (!renderer) {
        return 0;
    }
    renderers().add(std::move(renderer), keyOut);
    return 1;
}

int qelrender_render(const char* key, const unsigned char* data, int size) {
    return qelrender_render_at(key, data, size, 0);
}

int qelrender_render_at(const char* key, const unsigned char* data, int size, long long captureUs) {
    const std::shared_ptr<VideoRenderer> renderer = renderers().find(key);
    if (!renderer) {
        if (shouldLogRefusal()) {
            qWarning("qelrender_render: unknown key");
        }
        return 0;
    }
    if (!data || size != renderer->frameBytes()) {
        if (shouldLogRefusal()) {
            qWarning("qelrender_render: frame of %d bytes, expected %d", data ? size : -1,
                     renderer->frameBytes());
        }
        return 0;
    }
    return renderer->render(data, size, captureUs) ? 1 : 0;
}

int qelrender_preferred_scale(const char* key) {
    const std::shared_ptr<VideoRenderer> renderer = renderers().find(key);
    if (!renderer) {
        return 0;
    }
    return renderer->shownScale();
}

int qelrender_render_planes_at(const char* key, const QELPlanarPicture* picture, long long captureUs) {
    const std::shared_ptr<VideoRenderer> renderer = renderers().find(key);
    if (!renderer || !picture) {
        if (shouldLogRefusal()) {
            qWarning("qelrender_render_planes_at: unknown key or no picture");
        }
        return 0;
    }
    return renderer->renderPlanes(*picture, captureUs) ? 1 : 0;
}

int qelrender_render_half_at(const char* key, const unsigned char* data, int size, long long captureUs) {
    const std::shared_ptr<VideoRenderer> renderer = renderers().find(key);
    if (!renderer) {
        if (shouldLogRefusal()) {
            qWarning("qelrender_render_half_at: unknown key");
        }
        return 0;
    }
    if (!data || size != renderer->halfFrameBytes()) {
        if (shouldLogRefusal()) {
            qWarning("qelrender_render_half_at: frame of %d bytes, expected %d", data ? size : -1,
                     renderer->halfFrameBytes());
        }
        return 0;
    }
    return renderer->renderHalf(data, size, captureUs) ? 1 : 0;
}

int qelrender_wants_frame(const char* key) {
    const std::shared_ptr<VideoRenderer> renderer = renderers().find(key);
    return renderer && renderer->wantsFrame() ? 1 : 0;
}

int qelrender_set_paint_log(const char* key, int capacity) {
    const std::shared_ptr<VideoRenderer> renderer = renderers().find(key);
    if (!renderer || capacity < 0) {
        return 0;
    }
    renderer->setPaintLogCapacity(capacity);
    return 1;
}

int qelrender_take_paint_log(const char* key, QELPaintRecord* out, int capacity, int* count) {
    const std::shared_ptr<VideoRenderer> renderer = renderers().find(key);
    if (!renderer || !out || capacity < 0 || !count) {
        return 0;
    }
    *count = renderer->takePaintLog(out, capacity);
    return 1;
}

int qelrender_get_counts(const char* key, QELRenderCounts* counts) {
    const std::shared_ptr<VideoRenderer> renderer = renderers().find(key);
    if (!renderer || !counts) {
        return 0;
    }
    *counts = renderer->counts();
    return 1;
}

int qelrender_release_render(const char* key) {
    const std::shared_ptr<VideoRenderer> renderer = renderers().take(key);
    if (!renderer) {
        qWarning("qelrender_release_render: unknown key");
        return 0;
    }
    renderer->release();
    return 1;
}
