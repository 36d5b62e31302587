#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "bitmaptext/AntialiasText.h"

using namespace kova;

namespace {

std::unique_ptr<TBitmap> Dest(int width, int height, uint32_t fill = 0xFFFFFFFF)
{
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf32bit);
    b->SetSize(width, height);
    for (int y = 0; y < height; ++y)
        std::fill_n(reinterpret_cast<uint32_t*>(b->ScanLine(y)), width, fill);
    return b;
}

uint32_t At(TBitmap* b, int x, int y) { return reinterpret_cast<uint32_t*>(b->ScanLine(y))[x]; }

std::vector<uint32_t> Pixels(TBitmap* b)
{
    std::vector<uint32_t> all;
    for (int y = 0; y < b->Height(); ++y)
        for (int x = 0; x < b->Width(); ++x)
            all.push_back(At(b, x, y));
    return all;
}

// The area the text covers: half its extent at twice the point size.
SIZE HalfExtent(TFont* font, const std::string& text)
{
    TBitmap b;
    TFont* big = b.Canvas()->Font();
    big->SetName(font->Name());
    big->SetSize(2 * font->Size());
    big->SetStyle(font->Style());
    const SIZE e = b.Canvas()->TextExtent(text);
    return SIZE{e.cx / 2, e.cy / 2};
}

uint8_t Channel(uint32_t p, int shift) { return (p >> shift) & 255; }

const std::string Sample = "Kova 漢字 Wg";

class AntialiasTextOutTest : public testing::Test {
protected:
    AntialiasTextOutTest()
    {
        Font.SetSize(12);
        Font.SetColor(clBlack);
    }
    TFont Font;
};

}  // namespace

TEST_F(AntialiasTextOutTest, EmptyTextChangesNothing)
{
    auto b = Dest(20, 10, 0x12345678);
    AntialiasTextOut(b.get(), 0, 0, &Font, "");
    EXPECT_EQ(std::vector<uint32_t>(200, 0x12345678), Pixels(b.get()));
}

TEST_F(AntialiasTextOutTest, InkFillsTheTextAreaOnly)
{
    const SIZE area = HalfExtent(&Font, Sample);
    const int x0 = 5, y0 = 7;
    auto b = Dest(area.cx + 20, area.cy + 20, 0x5AFFFFFF);
    AntialiasTextOut(b.get(), x0, y0, &Font, Sample);
    int inked = 0, right = 0, bottom = 0;
    for (int y = 0; y < b->Height(); ++y)
        for (int x = 0; x < b->Width(); ++x) {
            const uint32_t p = At(b.get(), x, y);
            ASSERT_EQ(0x5Au, p >> 24) << "fourth byte at " << x << "," << y;
            if (p == 0x5AFFFFFF)
                continue;
            ++inked, right = std::max(right, x), bottom = std::max(bottom, y);
            ASSERT_TRUE(x >= x0 && x < x0 + area.cx && y >= y0 && y < y0 + area.cy) << "ink at " << x << "," << y;
            ASSERT_TRUE(Channel(p, 0) == Channel(p, 8) && Channel(p, 8) == Channel(p, 16)) << std::hex << p;
        }
    EXPECT_GT(inked, 20);
    // Drawn at the font's own size, the text fills about the area.
    EXPECT_GE(right, x0 + area.cx * 9 / 10);
    EXPECT_GE(bottom, y0 + area.cy * 2 / 3);
}

TEST_F(AntialiasTextOutTest, BoldMakesMoreInk)
{
    auto ink = [&] {
        auto b = Dest(300, 60);
        AntialiasTextOut(b.get(), 0, 0, &Font, Sample);
        int64_t sum = 0;
        for (uint32_t p : Pixels(b.get()))
            sum += 255 - Channel(p, 0);
        return sum;
    };
    const int64_t regular = ink();
    Font.SetStyle(fsBold);
    EXPECT_GT(ink(), regular + regular / 10);
}

TEST_F(AntialiasTextOutTest, ClippingKeepsTheVisiblePixels)
{
    const SIZE area = HalfExtent(&Font, Sample);
    auto whole = Dest(area.cx + 10, area.cy + 10);
    AntialiasTextOut(whole.get(), 0, 0, &Font, Sample);

    auto small = Dest(area.cx / 2, area.cy / 2);
    AntialiasTextOut(small.get(), 0, 0, &Font, Sample);
    for (int y = 0; y < small->Height(); ++y)
        for (int x = 0; x < small->Width(); ++x)
            ASSERT_EQ(At(whole.get(), x, y), At(small.get(), x, y)) << x << "," << y;

    // Above and left of the destination only the lower right part shows.
    const int dx = area.cx / 3, dy = area.cy / 3;
    auto shifted = Dest(area.cx, area.cy);
    AntialiasTextOut(shifted.get(), -dx, -dy, &Font, Sample);
    for (int y = 0; y < area.cy; ++y)
        for (int x = 0; x < area.cx; ++x) {
            const bool shown = x + dx < area.cx && y + dy < area.cy;
            ASSERT_EQ(shown ? At(whole.get(), x + dx, y + dy) : 0xFFFFFFFF, At(shifted.get(), x, y)) << x << "," << y;
        }

    const auto before = Pixels(small.get());
    const int w = small->Width(), h = small->Height();
    const int outside[][2] = {{w, 0}, {w + 1, 0}, {1000, 2}, {0, h}, {0, 40}, {-5000, 0}, {0, -5000}};
    for (const auto& p : outside) {
        AntialiasTextOut(small.get(), p[0], p[1], &Font, Sample);
        EXPECT_EQ(before, Pixels(small.get())) << "at " << p[0] << "," << p[1];
    }
}

TEST_F(AntialiasTextOutTest, HugeTextRendersOnlyWhatTheDestinationShows)
{
    // Doubled, 40 characters at 1000 points are over 100000 pixels wide: more than any
    // scratch bitmap holds, and far more than the destination shows.
    Font.SetSize(1000);
    auto small = Dest(40, 40);
    EXPECT_NO_THROW(AntialiasTextOut(small.get(), -2000, -600, &Font, std::string(40, 'W')));
}

// Over white, a fully inked pixel takes the colour exactly; the rest lie between it and white.
TEST_F(AntialiasTextOutTest, SystemColourIsDrawnAsItsCurrentRgb)
{
    Font.SetSize(36);
    Font.SetStyle(fsBold);
    for (const auto& [colour, index] : {std::pair{clWindowText, COLOR_WINDOWTEXT}, std::pair{clHighlight, COLOR_HIGHLIGHT}}) {
        Font.SetColor(colour);
        const COLORREF rgb = GetSysColor(index);
        const uint32_t ink = GetRValue(rgb) << 16 | GetGValue(rgb) << 8 | GetBValue(rgb);
        auto b = Dest(400, 100, 0x00FFFFFF);
        AntialiasTextOut(b.get(), 0, 0, &Font, "■W");
        int full = 0;
        for (uint32_t p : Pixels(b.get())) {
            full += p == ink;
            for (int shift : {0, 8, 16})
                ASSERT_GE(Channel(p, shift), Channel(ink, shift)) << std::hex << p << " against " << ink;
        }
        EXPECT_GT(full, 100) << "colour index " << index;
    }
}

TEST_F(AntialiasTextOutTest, FontAndDestinationCanvasAreLeftAsTheyWere)
{
    Font.SetName("ＭＳ ゴシック");
    Font.SetStyle(fsBold | fsItalic);
    Font.SetColor(clRed);
    const HFONT handle = Font.Handle();
    auto b = Dest(200, 50);
    TCanvas* c = b->Canvas();
    c->Pen()->SetWidth(3);
    c->Brush()->SetStyle(bsCross);
    c->Font()->SetSize(20);
    c->MoveTo(3, 4);
    int changes = 0;
    Font.OnChange = c->Pen()->OnChange = c->Brush()->OnChange = c->Font()->OnChange = [&](TObject*) { ++changes; };

    AntialiasTextOut(b.get(), 2, 1, &Font, Sample);
    EXPECT_EQ(0, changes);
    EXPECT_EQ("ＭＳ ゴシック", Font.Name());
    EXPECT_EQ(12, Font.Size());
    EXPECT_EQ(fsBold | fsItalic, Font.Style());
    EXPECT_EQ(clRed, Font.Color());
    EXPECT_EQ(handle, Font.Handle());
    EXPECT_EQ(3, c->Pen()->Width());
    EXPECT_EQ(clWhite, c->Brush()->Color());
    EXPECT_EQ(bsCross, c->Brush()->Style());
    EXPECT_EQ(20, c->Font()->Size());
    EXPECT_EQ((TPoint{3, 4}), c->PenPos());
}

// Other pixel formats get no proper drawing, but their rows are not overrun. The rows of an
// 8-bit image lie bottom-up, so an overrun of the second row would land in the first: put
// the first inked text row there and the blank row above it in the first.
TEST_F(AntialiasTextOutTest, EightBitRowsAreNotOverrun)
{
    Font.SetSize(24);
    const std::string text = "■■";
    const SIZE area = HalfExtent(&Font, text);
    auto reference = Dest(area.cx, area.cy);
    AntialiasTextOut(reference.get(), 0, 0, &Font, text);
    int top = 0;
    while (top < area.cy && std::all_of(reference->ScanLine(top), reference->ScanLine(top) + 4 * area.cx,
                                        [](uint8_t v) { return v == 255; }))
        ++top;
    ASSERT_TRUE(top > 0 && top < area.cy);

    TBitmap b;
    b.SetPixelFormat(pf8bit);
    b.SetSize(5, 2);
    auto row = [&](int y) { return std::vector<uint8_t>(b.ScanLine(y), b.ScanLine(y) + b.RowBytes()); };
    for (int y = 0; y < 2; ++y)
        std::fill_n(b.ScanLine(y), b.RowBytes(), uint8_t(0x77));
    const std::vector<uint8_t> untouched = row(0);
    AntialiasTextOut(&b, -area.cx / 4, 1 - top, &Font, text);
    EXPECT_EQ(untouched, row(0));
    EXPECT_NE(untouched, row(1)) << "no ink";
}
