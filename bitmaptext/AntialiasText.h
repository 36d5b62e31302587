#pragma once
// Anti-aliased text: one line drawn with smoothed edges into a 32-bit bitmap.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "surface/Graphics.h"

namespace kova {

// Draws Text in Font's name, size, style and colour with its top-left at (X, Y) of Bitmap,
// which must be in the 32-bit pixel format. The text is rendered black on white at twice
// the point size and reduced by two; what Bitmap holds shows through by the coverage.
// Writes only the pixels of the text area that lie inside Bitmap; Bitmap's canvas and
// Font are left as they were. Makes a scratch bitmap for the one call.
void AntialiasTextOut(TBitmap* Bitmap, int32_t X, int32_t Y, TFont* Font, const std::string& Text);

// The same drawing for a caller that draws many texts: it keeps the scratch bitmaps of the
// fonts used lately, each with its double-size font realised, whose first use costs the
// glyph rasterisation that dominates a call.
class TAntialiasText {
public:
    TAntialiasText();
    ~TAntialiasText();
    void Draw(TBitmap* Bitmap, int32_t X, int32_t Y, TFont* Font, const std::string& Text);

private:
    struct Scratch;
    TBitmap& ScratchFor(TFont* font);
    std::vector<std::unique_ptr<Scratch>> FScratch;  // most recently used first
};

}  // namespace kova
