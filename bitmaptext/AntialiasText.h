#pragma once
// Anti-aliased text: one line drawn with smoothed edges into a 32-bit bitmap.
#include <cstdint>
#include <string>

#include "surface/Graphics.h"

namespace kova {

// Draws Text in Font's name, size, style and colour with its top-left at (X, Y) of Bitmap,
// which must be in the 32-bit pixel format. The text is rendered black on white at twice
// the point size and reduced by two; what Bitmap holds shows through by the coverage.
// Writes only the pixels of the text area that lie inside Bitmap; Bitmap's canvas and
// Font are left as they were.
void AntialiasTextOut(TBitmap* Bitmap, int32_t X, int32_t Y, TFont* Font, const std::string& Text);

}  // namespace kova
