// A tiny 5 x 7 bitmap font (upper-case letters, digits and common signs) for writing on
// generated pictures. Lower-case letters draw as upper case; unknown characters as a box.
#ifndef QELDS_VIRTUAL_BITMAP_FONT_H
#define QELDS_VIRTUAL_BITMAP_FONT_H

#include <cstdint>

namespace qelds {

struct BitmapFont {
    static constexpr int kWidth = 5;
    static constexpr int kHeight = 7;
    static constexpr int kAdvance = 6;  // glyph width plus one column of spacing
    // Seven rows of the glyph, bit 4 is the leftmost column.
    static const uint8_t* glyph(char c);
};

}  // namespace qelds

#endif
