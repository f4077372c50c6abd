#include "Painter.h"

#include <cmath>
#include <cstring>

#include "BitmapFont.h"

namespace qelds {

Rect Painter::toDevice(const Rect& r) const {
    Rect d = r;
    if (m_mirror)
        d.x = m_image->width() - r.x - r.w;
    if (m_flip)
        d.y = m_image->height() - r.y - r.h;
    return d.intersected(Rect{0, 0, m_image->width(), m_image->height()});
}

void Painter::fillDevice(const Rect& d, Yuv c) {
    if (d.empty())
        return;
    m_bounds = m_bounds.united(d);
    int cx0 = d.x / 2;
    int cx1 = (d.x + d.w + 1) / 2;
    for (int row = d.y; row < d.y + d.h; ++row) {
        std::memset(m_image->yRow(row) + d.x, c.y, d.w);
        std::memset(m_image->uRow(row) + cx0, c.u, cx1 - cx0);
        std::memset(m_image->vRow(row) + cx0, c.v, cx1 - cx0);
    }
}

void Painter::fill(const Rect& r, Yuv c) {
    fillDevice(toDevice(r), c);
}

void Painter::disc(int cx, int cy, int radius, Yuv c, const Rect& clip) {
    for (int dy = -radius; dy <= radius; ++dy) {
        int half = static_cast<int>(std::sqrt(static_cast<double>(radius * radius - dy * dy)));
        fillClipped(Rect{cx - half, cy + dy, 2 * half + 1, 1}, clip, c);
    }
}

void Painter::frame(const Rect& r, int t, Yuv c) {
    fill(Rect{r.x, r.y, r.w, t}, c);
    fill(Rect{r.x, r.y + r.h - t, r.w, t}, c);
    fill(Rect{r.x, r.y, t, r.h}, c);
    fill(Rect{r.x + r.w - t, r.y, t, r.h}, c);
}

int Painter::textWidth(const char* s, int scale) {
    int n = static_cast<int>(std::strlen(s));
    return n == 0 ? 0 : (n * BitmapFont::kAdvance - 1) * scale;
}

int Painter::textHeight(int scale) {
    return BitmapFont::kHeight * scale;
}

void Painter::text(int x, int y, int scale, const char* s, Yuv c) {
    for (; *s; ++s, x += BitmapFont::kAdvance * scale) {
        if (*s == ' ')
            continue;
        const uint8_t* g = BitmapFont::glyph(*s);
        for (int row = 0; row < BitmapFont::kHeight; ++row) {
            uint8_t bits = g[row];
            int col = 0;
            while (col < BitmapFont::kWidth) {
                // One rectangle per horizontal run of set pixels.
                if (!(bits & (0x10 >> col))) {
                    ++col;
                    continue;
                }
                int start = col;
                while (col < BitmapFont::kWidth && (bits & (0x10 >> col)))
                    ++col;
                fill(Rect{x + start * scale, y + row * scale, (col - start) * scale, scale}, c);
            }
        }
    }
}

void Painter::pixelate(const Rect& r, int block) {
    Rect d = m_image->aligned(toDevice(r));
    if (d.empty() || block < 2)
        return;
    block &= ~1;
    for (int by = d.y; by < d.y + d.h; by += block) {
        int bh = std::min(block, d.y + d.h - by);
        for (int bx = d.x; bx < d.x + d.w; bx += block) {
            int bw = std::min(block, d.x + d.w - bx);
            bw &= ~1;
            if (bw <= 0)
                continue;
            long sy = 0, su = 0, sv = 0;
            for (int row = by; row < by + bh; ++row) {
                const uint8_t* py = m_image->yRow(row) + bx;
                const uint8_t* pu = m_image->uRow(row) + bx / 2;
                const uint8_t* pv = m_image->vRow(row) + bx / 2;
                for (int i = 0; i < bw; ++i)
                    sy += py[i];
                for (int i = 0; i < bw / 2; ++i) {
                    su += pu[i];
                    sv += pv[i];
                }
            }
            long n = static_cast<long>(bw) * bh;
            Yuv avg{static_cast<uint8_t>(sy / n), static_cast<uint8_t>(2 * su / n),
                    static_cast<uint8_t>(2 * sv / n)};
            fillDevice(Rect{bx, by, bw, bh}, avg);
        }
    }
}

}  // namespace qelds
