#pragma once
// The pixel work of anti-aliased text: a 2x2 box reduction of a black-on-white scratch
// image at twice the size, used as coverage to blend the text colour into 32-bit
// destination pixels (blue, green, red, fourth byte). No Windows API.
#include <cstddef>
#include <cstdint>

namespace kova {

// The part of an hw x hh text area placed at (x, y) that lies inside a destination of
// width x height pixels: output columns Col0 .. Col0 + Cols - 1, rows Row0 .. Row0 + Rows - 1.
// Cols and Rows are 0 when nothing is inside.
struct TextClip {
    int32_t Col0 = 0, Row0 = 0;
    int32_t Cols = 0, Rows = 0;
    bool operator==(const TextClip&) const = default;
};

TextClip ClipTextArea(int32_t x, int32_t y, int32_t hw, int32_t hh, int32_t width, int32_t height);

// Blends the text colour into hw x hh destination pixels. dest points at output pixel
// (0, 0), scratch at scratch pixel (0, 0); each step is the distance in bytes from a row to
// the one below it (negative for bottom-up memory). Output pixel (i, j) takes its coverage
// from the first bytes of scratch pixels 2i and 2i + 1 of rows 2j + 1 and 2j + 2; scratch
// row 0 and the columns from 2 * hw on are never read.
void BlendTextRows(uint8_t* dest, ptrdiff_t destStep, const uint8_t* scratch, ptrdiff_t scratchStep, int32_t hw,
                   int32_t hh, uint8_t cR, uint8_t cG, uint8_t cB);

}  // namespace kova
