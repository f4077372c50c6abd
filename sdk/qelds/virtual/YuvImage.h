// A planar YUV 4:2:2 picture (full-range, as JPEG carries it) with its dirty-rectangle list.
#ifndef QELDS_VIRTUAL_YUV_IMAGE_H
#define QELDS_VIRTUAL_YUV_IMAGE_H

#include <algorithm>
#include <cstdint>
#include <vector>

namespace qelds {

struct Rect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    bool empty() const { return w <= 0 || h <= 0; }
    Rect intersected(const Rect& o) const {
        int x0 = std::max(x, o.x), y0 = std::max(y, o.y);
        int x1 = std::min(x + w, o.x + o.w), y1 = std::min(y + h, o.y + o.h);
        return Rect{x0, y0, x1 - x0, y1 - y0};
    }
    Rect united(const Rect& o) const {
        if (empty())
            return o;
        if (o.empty())
            return *this;
        int x0 = std::min(x, o.x), y0 = std::min(y, o.y);
        int x1 = std::max(x + w, o.x + o.w), y1 = std::max(y + h, o.y + o.h);
        return Rect{x0, y0, x1 - x0, y1 - y0};
    }
};

struct Yuv {
    uint8_t y = 0;
    uint8_t u = 128;
    uint8_t v = 128;
};

// Full-range BT.601 conversion (the JPEG/JFIF colour space).
Yuv yuvFromRgb(int r, int g, int b);

// Planes are padded to whole 16 x 8 blocks so a JPEG encoder can read complete blocks.
class YuvImage {
public:
    void allocate(int width, int height);
    int width() const { return m_width; }
    int height() const { return m_height; }
    int paddedWidth() const { return m_paddedWidth; }
    int paddedHeight() const { return m_paddedHeight; }
    Rect bounds() const { return Rect{0, 0, m_paddedWidth, m_paddedHeight}; }

    uint8_t* yRow(int row) { return m_y.data() + static_cast<size_t>(row) * m_paddedWidth; }
    uint8_t* uRow(int row) { return m_u.data() + static_cast<size_t>(row) * (m_paddedWidth / 2); }
    uint8_t* vRow(int row) { return m_v.data() + static_cast<size_t>(row) * (m_paddedWidth / 2); }
    const uint8_t* yRow(int row) const { return m_y.data() + static_cast<size_t>(row) * m_paddedWidth; }
    const uint8_t* uRow(int row) const { return m_u.data() + static_cast<size_t>(row) * (m_paddedWidth / 2); }
    const uint8_t* vRow(int row) const { return m_v.data() + static_cast<size_t>(row) * (m_paddedWidth / 2); }

    // Copies rectangle r (clipped, x widened to even) from another picture of the same size.
    void copyRect(const YuvImage& from, Rect r);
    // Clips r to the picture and widens it to even x boundaries (one chroma sample covers two pixels).
    Rect aligned(Rect r) const;

private:
    int m_width = 0;
    int m_height = 0;
    int m_paddedWidth = 0;
    int m_paddedHeight = 0;
    std::vector<uint8_t> m_y;
    std::vector<uint8_t> m_u;
    std::vector<uint8_t> m_v;
};

// The regions of a picture changed since the last delivery. A few rectangles per frame;
// more than the capacity collapse into their union.
class DirtyRegion {
public:
    static constexpr int kCapacity = 16;
    void add(const Rect& r);
    void setAll(const Rect& bounds) {
        m_count = 0;
        m_all = true;
        m_rects[m_count++] = bounds;
    }
    void clear() {
        m_count = 0;
        m_all = false;
    }
    bool all() const { return m_all; }
    int count() const { return m_count; }
    const Rect& at(int i) const { return m_rects[i]; }

private:
    Rect m_rects[kCapacity];
    int m_count = 0;
    bool m_all = false;
};

}  // namespace qelds

#endif
