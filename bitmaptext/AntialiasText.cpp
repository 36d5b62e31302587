#include "bitmaptext/AntialiasText.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "bitmaptext/BlendText.h"

namespace kova {

namespace {

// A double-size font costs a glyph rasterisation on its first use, which dominates a call.
// So the scratch bitmaps of the fonts used lately are kept, each with its font handle.
// A kept bitmap only grows; what a call reads of it is made white again first, so the
// result is that of a fresh white bitmap of exactly 2hw + 1 by 2hh + 1.
class ScratchBitmaps {
public:
    TBitmap& For(TFont* font)
    {
        for (size_t i = 0; i < FEntries.size(); ++i) {
            Entry& e = FEntries[i];
            if (e.Name == font->Name() && e.Size == font->Size() && e.Style == font->Style()) {
                std::rotate(FEntries.begin(), FEntries.begin() + static_cast<ptrdiff_t>(i),
                            FEntries.begin() + static_cast<ptrdiff_t>(i) + 1);
                return *FEntries.front().Bitmap;
            }
        }
        if (FEntries.size() == Capacity)
            FEntries.pop_back();
        Entry e{font->Name(), font->Size(), font->Style(), std::make_unique<TBitmap>()};
        TFont* big = e.Bitmap->Canvas()->Font();
        big->SetName(font->Name());
        big->SetSize(2 * font->Size());
        big->SetStyle(font->Style());
        big->SetColor(clBlack);
        e.Bitmap->Canvas()->Brush()->SetStyle(bsClear);
        e.Bitmap->SetPixelFormat(pf32bit);
        FEntries.insert(FEntries.begin(), std::move(e));
        return *FEntries.front().Bitmap;
    }

private:
    static constexpr size_t Capacity = 16;
    struct Entry {
        std::string Name;
        int Size;
        TFontStyles Style;
        std::unique_ptr<TBitmap> Bitmap;
    };
    std::vector<Entry> FEntries;  // most recently used first
};

// Black text on white at twice the point size, one pixel wider and taller than twice
// the half extents so that every 2x2 sample block exists.
TBitmap& RenderScratch(TFont* font, const std::string& text, int32_t& hw, int32_t& hh)
{
    static ScratchBitmaps kept;
    TBitmap& scratch = kept.For(font);
    TCanvas* canvas = scratch.Canvas();
    const SIZE extent = canvas->TextExtent(text);
    hw = extent.cx / 2;
    hh = extent.cy / 2;
    const int width = 2 * hw + 1, height = 2 * hh + 1;
    if (width > scratch.Width() || height > scratch.Height())
        scratch.SetSize(std::max(width, scratch.Width()), std::max(height, scratch.Height()));
    ptrdiff_t step = 0;
    uint8_t* row = scratch.ScanLines(0, height, 0, width, step);
    for (int y = 0; y < height; ++y, row += step)
        std::memset(row, 0xFF, static_cast<size_t>(width) * 4);
    // Straight to GDI: the scratch canvas's pen position, which the canvas's text out would
    // measure the text again for, is never used.
    ExtTextOutA(canvas->Handle(), 0, 0, 0, nullptr, text.data(), static_cast<UINT>(text.size()), nullptr);
    return scratch;
}

}  // namespace

void AntialiasTextOut(TBitmap* Bitmap, int32_t X, int32_t Y, TFont* Font, const std::string& Text)
{
    const COLORREF rgb = ColorToRGB(Font->Color());
    const uint8_t cR = rgb & 255, cG = (rgb >> 8) & 255, cB = (rgb >> 16) & 255;

    int32_t hw = 0, hh = 0;
    TBitmap& scratch = RenderScratch(Font, Text, hw, hh);

    // Bounded by the row memory too, so a destination in another pixel format is never
    // written past the end of its rows.
    const int32_t width = std::min(Bitmap->Width(), Bitmap->RowBytes() / 4);
    const TextClip clip = ClipTextArea(X, Y, hw, hh, width, Bitmap->Height());
    if (clip.Rows == 0)
        return;

    const int32_t left = X + clip.Col0, top = Y + clip.Row0;
    ptrdiff_t destStep = 0, sampleStep = 0;
    uint8_t* destRow = Bitmap->ScanLines(top, top + clip.Rows, left, left + clip.Cols, destStep) + 4 * left;
    const uint8_t* sampleRow =
        scratch.ScanLines(2 * clip.Row0, 2 * clip.Row0 + 2 * clip.Rows + 1, 0, 0, sampleStep) + 8 * clip.Col0;
    BlendTextRows(destRow, destStep, sampleRow, sampleStep, clip.Cols, clip.Rows, cR, cG, cB);
}

}  // namespace kova
