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
// result is that of a fresh white bitmap of exactly the rendered area.
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

// Black text on white at twice the point size, placed at (-left, -top) in a white area of
// width by height: only the part of the doubled text that the blend reads.
void RenderScratch(TBitmap& scratch, const std::string& text, int left, int top, int width, int height)
{
    if (width > scratch.Width() || height > scratch.Height())
        scratch.SetSize(std::max(width, scratch.Width()), std::max(height, scratch.Height()));
    ptrdiff_t step = 0;
    uint8_t* row = scratch.ScanLines(0, height, 0, width, step);
    for (int y = 0; y < height; ++y, row += step)
        std::memset(row, 0xFF, static_cast<size_t>(width) * 4);
    // Straight to GDI: the scratch canvas's pen position, which the canvas's text out would
    // measure the text again for, is never used.
    ExtTextOutA(scratch.Canvas()->Handle(), -left, -top, 0, nullptr, text.data(), static_cast<UINT>(text.size()),
                nullptr);
}

}  // namespace

void AntialiasTextOut(TBitmap* Bitmap, int32_t X, int32_t Y, TFont* Font, const std::string& Text)
{
    const COLORREF rgb = ColorToRGB(Font->Color());
    const uint8_t cR = rgb & 255, cG = (rgb >> 8) & 255, cB = (rgb >> 16) & 255;

    static ScratchBitmaps kept;
    TBitmap& scratch = kept.For(Font);
    const SIZE extent = scratch.Canvas()->TextExtent(Text);
    const int32_t hw = extent.cx / 2, hh = extent.cy / 2;

    // Bounded by the row memory too, so a destination in another pixel format is never
    // written past the end of its rows.
    const int32_t width = std::min(Bitmap->Width(), Bitmap->RowBytes() / 4);
    const TextClip clip = ClipTextArea(X, Y, hw, hh, width, Bitmap->Height());
    if (clip.Rows == 0)
        return;
    // Only the clipped part is rendered, one sample row and column more than twice its size,
    // so the scratch never outgrows twice the destination however large the text.
    RenderScratch(scratch, Text, 2 * clip.Col0, 2 * clip.Row0, 2 * clip.Cols + 1, 2 * clip.Rows + 1);

    const int32_t left = X + clip.Col0, top = Y + clip.Row0;
    ptrdiff_t destStep = 0, sampleStep = 0;
    uint8_t* destRow = Bitmap->ScanLines(top, top + clip.Rows, left, left + clip.Cols, destStep) + 4 * left;
    const uint8_t* sampleRow = scratch.ScanLines(0, 2 * clip.Rows + 1, 0, 0, sampleStep);
    BlendTextRows(destRow, destStep, sampleRow, sampleStep, clip.Cols, clip.Rows, cR, cG, cB);
}

}  // namespace kova
