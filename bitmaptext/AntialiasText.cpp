#include "bitmaptext/AntialiasText.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "bitmaptext/BlendText.h"

namespace kova {

namespace {

// Black text on white at twice the point size, one pixel wider and taller than twice
// the half extents so that every 2x2 sample block exists.
std::unique_ptr<TBitmap> RenderScratch(TFont* font, const std::string& text, int32_t& hw, int32_t& hh)
{
    auto scratch = std::make_unique<TBitmap>();
    TCanvas* canvas = scratch->Canvas();
    TFont* big = canvas->Font();
    big->SetName(font->Name());
    big->SetSize(2 * font->Size());
    big->SetStyle(font->Style());
    const SIZE extent = canvas->TextExtent(text);
    hw = extent.cx / 2;
    hh = extent.cy / 2;
    scratch->SetPixelFormat(pf32bit);
    scratch->SetWidth(2 * hw + 1);
    scratch->SetHeight(2 * hh + 1);
    canvas->Brush()->SetStyle(bsClear);
    big->SetColor(clBlack);
    canvas->TextOut(0, 0, text);
    return scratch;
}

}  // namespace

void AntialiasTextOut(TBitmap* Bitmap, int32_t X, int32_t Y, TFont* Font, const std::string& Text)
{
    const COLORREF rgb = ColorToRGB(Font->Color());
    const uint8_t cR = rgb & 255, cG = (rgb >> 8) & 255, cB = (rgb >> 16) & 255;

    int32_t hw = 0, hh = 0;
    const std::unique_ptr<TBitmap> scratch = RenderScratch(Font, Text, hw, hh);

    // Bounded by the row memory too, so a destination in another pixel format is never
    // written past the end of its rows.
    const int32_t width = std::min(Bitmap->Width(), Bitmap->RowBytes() / 4);
    const TextClip clip = ClipTextArea(X, Y, hw, hh, width, Bitmap->Height());
    if (clip.Rows == 0)
        return;

    std::vector<uint8_t*> dest(clip.Rows);
    for (int32_t j = 0; j < clip.Rows; ++j)
        dest[j] = Bitmap->ScanLine(Y + clip.Row0 + j) + 4 * (X + clip.Col0);
    std::vector<const uint8_t*> samples(2 * clip.Rows + 1);
    for (int32_t k = 0; k <= 2 * clip.Rows; ++k)
        samples[k] = scratch->ScanLine(2 * clip.Row0 + k) + 8 * clip.Col0;
    BlendTextRows(dest.data(), samples.data(), clip.Cols, clip.Rows, cR, cG, cB);
}

}  // namespace kova
