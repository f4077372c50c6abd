#include "YuvImage.h"

#include <cstring>

namespace qelds {

static uint8_t clamp255(int v) {
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

Yuv yuvFromRgb(int r, int g, int b) {
    int y = (77 * r + 150 * g + 29 * b + 128) >> 8;
    int u = ((-43 * r - 85 * g + 128 * b + 128) >> 8) + 128;
    int v = ((128 * r - 107 * g - 21 * b + 128) >> 8) + 128;
    return Yuv{clamp255(y), clamp255(u), clamp255(v)};
}

void YuvImage::allocate(int width, int height) {
    m_width = width;
    m_height = height;
    m_paddedWidth = (width + 15) / 16 * 16;
    m_paddedHeight = (height + 7) / 8 * 8;
    size_t luma = static_cast<size_t>(m_paddedWidth) * m_paddedHeight;
    m_y.assign(luma, 16);
    m_u.assign(luma / 2, 128);
    m_v.assign(luma / 2, 128);
}

Rect YuvImage::aligned(Rect r) const {
    r = r.intersected(bounds());
    if (r.empty())
        return Rect{};
    int x0 = r.x & ~1;
    int x1 = (r.x + r.w + 1) & ~1;
    return Rect{x0, r.y, x1 - x0, r.h};
}

void YuvImage::copyRect(const YuvImage& from, Rect r) {
    r = aligned(r);
    if (r.empty() || from.m_paddedWidth != m_paddedWidth || from.m_paddedHeight != m_paddedHeight)
        return;
    for (int row = r.y; row < r.y + r.h; ++row) {
        std::memcpy(yRow(row) + r.x, from.yRow(row) + r.x, r.w);
        std::memcpy(uRow(row) + r.x / 2, from.uRow(row) + r.x / 2, r.w / 2);
        std::memcpy(vRow(row) + r.x / 2, from.vRow(row) + r.x / 2, r.w / 2);
    }
}

void DirtyRegion::add(const Rect& r) {
    if (r.empty() || m_all)
        return;
    if (m_count < kCapacity) {
        m_rects[m_count++] = r;
        return;
    }
    Rect u = m_rects[0];
    for (int i = 1; i < m_count; ++i)
        u = u.united(m_rects[i]);
    m_rects[0] = u.united(r);
    m_count = 1;
}

}  // namespace qelds
