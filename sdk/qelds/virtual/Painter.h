// Draws flat shapes and bitmap text into a YuvImage. Coordinates are logical (as if the
// picture were neither mirrored nor flipped); the painter maps them to the picture.
#ifndef QELDS_VIRTUAL_PAINTER_H
#define QELDS_VIRTUAL_PAINTER_H

#include "YuvImage.h"

namespace qelds {

class Painter {
public:
    Painter(YuvImage* image, bool mirror, bool flip) : m_image(image), m_mirror(mirror), m_flip(flip) {}

    // Logical rectangle -> picture rectangle (clipped to the visible picture).
    Rect toDevice(const Rect& r) const;
    void fill(const Rect& r, Yuv c);
    // Fills the part of r inside clip (both logical).
    void fillClipped(const Rect& r, const Rect& clip, Yuv c) { fill(r.intersected(clip), c); }
    void disc(int cx, int cy, int radius, Yuv c, const Rect& clip);
    void frame(const Rect& r, int thickness, Yuv c);
    // Writes s with its top-left corner at (x, y); scale is the size of one font pixel.
    void text(int x, int y, int scale, const char* s, Yuv c);
    static int textWidth(const char* s, int scale);
    static int textHeight(int scale);
    // Replaces the logical rectangle by blocks of its average colour.
    void pixelate(const Rect& r, int block);

    // Picture-space bounding box of everything drawn since the last resetBounds().
    const Rect& bounds() const { return m_bounds; }
    void resetBounds() { m_bounds = Rect{}; }

private:
    void fillDevice(const Rect& d, Yuv c);

    YuvImage* m_image;
    bool m_mirror;
    bool m_flip;
    Rect m_bounds;
};

}  // namespace qelds

#endif
