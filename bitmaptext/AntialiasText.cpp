#include "bitmaptext/AntialiasText.h"

#include <algorithm>
#include <cstring>

#include "bitmaptext/BlendText.h"

namespace kova {

namespace {

constexpr size_t KeptScratch = 16;

// The distance in bytes from a row of the bitmap to the one below it.
ptrdiff_t RowStep(TBitmap& b) { return b.Height() > 1 ? b.ScanLine(1) - b.ScanLine(0) : 0; }

// Black text on white at twice the point size, placed at (-left, -top) in a white area of
// width by height: only the part of the doubled text that the blend reads. A kept bitmap
// only grows, so what a call reads of it is made white first.
void RenderScratch(TBitmap& scratch, const std::string& text, int left, int top, int width, int height)
{
    if (width > scratch.Width() || height > scratch.Height())
        scratch.SetSize(std::max(width, scratch.Width()), std::max(height, scratch.Height()));
    const ptrdiff_t step = RowStep(scratch);
    uint8_t* row = scratch.ScanLine(0);
    for (int y = 0; y < height; ++y, row += step)
        std::memset(row, 0xFF, static_cast<size_t>(width) * 4);
    // Straight to GDI: the scratch canvas's pen position, which the canvas's text out would
    // measure the text again for, is never used.
    ExtTextOutA(scratch.Canvas()->Handle(), -left, -top, 0, nullptr, text.data(), static_cast<UINT>(text.size()),
                nullptr);
}

}  // namespace

struct TAntialiasText::Scratch {
    explicit Scratch(TFont* font) : Name(font->Name()), Size(font->Size()), Style(font->Style()) {}
    std::string Name;
    int Size;
    TFontStyles Style;
    TBitmap Bitmap;
};

TAntialiasText::TAntialiasText() = default;

TAntialiasText::~TAntialiasText() = default;

TBitmap& TAntialiasText::ScratchFor(TFont* font)
{
    for (size_t i = 0; i < FScratch.size(); ++i) {
        Scratch& s = *FScratch[i];
        if (s.Name == font->Name() && s.Size == font->Size() && s.Style == font->Style()) {
            std::rotate(FScratch.begin(), FScratch.begin() + static_cast<ptrdiff_t>(i),
                        FScratch.begin() + static_cast<ptrdiff_t>(i) + 1);
            return FScratch.front()->Bitmap;
        }
    }
    if (FScratch.size() == KeptScratch)
        FScratch.pop_back();
    auto s = std::make_unique<Scratch>(font);
    TFont* big = s->Bitmap.Canvas()->Font();
    big->SetName(font->Name());
    big->SetSize(2 * font->Size());
    big->SetStyle(font->Style());
    big->SetColor(clBlack);
    s->Bitmap.Canvas()->Brush()->SetStyle(bsClear);
    s->Bitmap.SetPixelFormat(pf32bit);
    FScratch.insert(FScratch.begin(), std::move(s));
    return FScratch.front()->Bitmap;
}

void TAntialiasText::Draw(TBitmap* Bitmap, int32_t X, int32_t Y, TFont* Font, const std::string& Text)
{
    const COLORREF rgb = ColorToRGB(Font->Color());
    const uint8_t cR = rgb & 255, cG = (rgb >> 8) & 255, cB = (rgb >> 16) & 255;

    TBitmap& scratch = ScratchFor(Font);
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
    uint8_t* destRow = Bitmap->ScanLine(top) + 4 * left;
    BlendTextRows(destRow, RowStep(*Bitmap), scratch.ScanLine(0), RowStep(scratch), clip.Cols, clip.Rows, cR, cG, cB);
}

void AntialiasTextOut(TBitmap* Bitmap, int32_t X, int32_t Y, TFont* Font, const std::string& Text)
{
    TAntialiasText().Draw(Bitmap, X, Y, Font, Text);
}

}  // namespace kova
