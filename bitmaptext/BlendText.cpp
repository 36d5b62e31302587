#include "bitmaptext/BlendText.h"

#include <algorithm>

namespace kova {

namespace {

// First and count of the output positions 0 .. size - 1, placed at pos, that fall inside
// 0 .. limit - 1. Worked in 64 bits so that no placement overflows.
void ClipAxis(int32_t pos, int32_t size, int32_t limit, int32_t& first, int32_t& count)
{
    const int64_t lo = std::max<int64_t>(0, -int64_t{pos});
    const int64_t hi = std::min<int64_t>(size, int64_t{limit} - pos);
    if (hi <= lo) {
        first = 0;
        count = 0;
        return;
    }
    first = static_cast<int32_t>(lo);
    count = static_cast<int32_t>(hi - lo);
}

}  // namespace

TextClip ClipTextArea(int32_t x, int32_t y, int32_t hw, int32_t hh, int32_t width, int32_t height)
{
    TextClip c;
    ClipAxis(x, hw, width, c.Col0, c.Cols);
    ClipAxis(y, hh, height, c.Row0, c.Rows);
    if (c.Cols == 0 || c.Rows == 0)
        c = TextClip{};
    return c;
}

void BlendTextRows(uint8_t* dest, ptrdiff_t destStep, const uint8_t* scratch, ptrdiff_t scratchStep, int32_t hw,
                   int32_t hh, uint8_t cR, uint8_t cG, uint8_t cB)
{
    constexpr uint32_t allWhite = 4 * 255;
    for (int32_t j = 0; j < hh; ++j) {
        uint8_t* d = dest + j * destStep;
        const uint8_t* s0 = scratch + (2 * j + 1) * scratchStep;
        const uint8_t* s1 = s0 + scratchStep;
        for (uint8_t* const end = d + 4 * static_cast<intptr_t>(std::max(hw, 0)); d != end;
             d += 4, s0 += 8, s1 += 8) {
            const uint32_t s = uint32_t{s0[0]} + s0[4] + s1[0] + s1[4];
            // Background: m = 256 would give every byte back as it was.
            if (s == allWhite)
                continue;
            const uint32_t m = (s >> 2) + 1;
            const uint32_t w = 256 - m;
            d[0] = static_cast<uint8_t>((d[0] * m + cB * w) >> 8);
            d[1] = static_cast<uint8_t>((d[1] * m + cG * w) >> 8);
            d[2] = static_cast<uint8_t>((d[2] * m + cR * w) >> 8);
        }
    }
}

}  // namespace kova
