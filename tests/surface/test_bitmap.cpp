#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "SurfaceTest.h"
#include "base/Exceptions.h"
#include "surface/Halftone.h"

using namespace kova;
using namespace kova::test;

namespace {

TEST(Bitmaps, NewBitmapIsEmptyAndGrowsWhite)
{
    TBitmap b;
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(pfDevice, b.PixelFormat());
    EXPECT_EQ(32, b.BitsPerPixel());
    EXPECT_THROW(b.ScanLine(0), EInvalidGraphic);
    b.SetWidth(3);
    EXPECT_TRUE(b.Empty());
    b.SetHeight(2);
    EXPECT_EQ(0x00FFFFFFu, RawPixelAt(b, 2, 1)) << "white, the fourth byte 0";
    EXPECT_THROW(b.ScanLine(2), EInvalidGraphic);
    EXPECT_THROW(b.ScanLine(-1), EInvalidGraphic);
    EXPECT_THROW(b.SetSize(100000, 100000), EOutOfResources);
    EXPECT_EQ(3, b.Width());
}

TEST(Bitmaps, ResizeAndFormatChangesKeepTheImageAndTheCanvas)
{
    TBitmap b;
    MakeWhite(b, 4, 3);
    PutPixel(b, 3, 2, 0x040506);
    TCanvas* c = b.Canvas();
    c->Pen()->SetColor(clRed);
    c->MoveTo(0, 4);
    c->LineTo(1, 4);  // the DC exists before the image is replaced

    b.SetSize(6, 5);
    EXPECT_EQ(0x040506u, PixelAt(b, 3, 2));
    EXPECT_EQ(0xFFFFFFu, PixelAt(b, 4, 0));
    c->LineTo(3, 4);
    b.SetPixelFormat(pf8bit);
    c->LineTo(4, 4);
    b.SetPixelFormat(pf32bit);
    c->LineTo(5, 4);
    EXPECT_EQ("011110", Ink(b, 4)) << "pen and pen position survive";
    EXPECT_EQ(0xFF0000u, PixelAt(b, 4, 4));

    b.SetSize(4, 1);
    EXPECT_EQ("0000", Ink(b, 0));
    b.SetPixelFormat(pf8bit);
    b.SetWidth(5);
    EXPECT_EQ(halftone::IndexOf(255, 255, 255), b.ScanLine(0)[4]) << "new 8-bit pixels are white";
}

TEST(Bitmaps, ThirtyTwoToEightAndBackMapsOntoTheHalftonePalette)
{
    TBitmap b;
    MakeWhite(b, 3, 1);
    PutPixel(b, 0, 0, 0x000000);
    PutPixel(b, 1, 0, 0x0AC81E);  // red 10, green 200, blue 30
    b.SetPixelFormat(pf8bit);
    const uint8_t index = halftone::IndexOf(10, 200, 30);
    EXPECT_EQ(halftone::IndexOf(0, 0, 0), b.ScanLine(0)[0]);
    EXPECT_EQ(index, b.ScanLine(0)[1]);
    PALETTEENTRY pe[256];
    ASSERT_EQ(256u, GetPaletteEntries(b.Palette(), 0, 256, pe));
    EXPECT_EQ(halftone::Palette()[index].g, pe[index].peGreen);

    b.SetPixelFormat(pf32bit);
    const auto& entry = halftone::Palette()[index];
    EXPECT_EQ(0x000000u, PixelAt(b, 0, 0));
    EXPECT_EQ(static_cast<uint32_t>(entry.r << 16 | entry.g << 8 | entry.b), PixelAt(b, 1, 0));
    EXPECT_EQ(0xFFFFFFu, PixelAt(b, 2, 0));
    EXPECT_THROW(b.SetPixelFormat(pf24bit), EInvalidGraphic);
}

TEST(Bitmaps, DrawBlitsOrStretchesWithTheTargetsCopyMode)
{
    TBitmap src, dst;
    MakeWhite(src, 2, 1);
    PutPixel(src, 0, 0, 0x000000);
    MakeWhite(dst, 4, 2);
    dst.Canvas()->Draw(1, 0, &src);
    dst.Canvas()->StretchDraw(Rect(0, 1, 4, 2), &src);
    EXPECT_EQ("0100", Ink(dst, 0));
    EXPECT_EQ("1100", Ink(dst, 1));
    dst.Canvas()->SetCopyMode(NOTSRCCOPY);
    dst.Canvas()->Draw(2, 0, &src);
    EXPECT_EQ("0101", Ink(dst, 0));
}

TEST(Bitmaps, StreamsRoundTripInTheirFormatAndRejectBadData)
{
    TBitmap b, c;
    MakeWhite(b, 3, 2);
    PutPixel(b, 2, 1, 0x405060);
    TMemoryStream m;
    m.WriteBuffer("xy", 2);  // a bitmap reads from the current position on
    b.SaveToStream(m);
    EXPECT_EQ(2 + 14 + 40 + 3 * 2 * 4, m.Size());
    m.SetPosition(2);
    c.LoadFromStream(m);
    EXPECT_EQ(pf32bit, c.PixelFormat());
    EXPECT_EQ(Encoded(b), Encoded(c));

    b.SetPixelFormat(pf8bit);
    TMemoryStream m8;
    b.SaveToStream(m8);
    m8.SetPosition(0);
    c.LoadFromStream(m8);
    EXPECT_EQ(pf8bit, c.PixelFormat());
    EXPECT_EQ(Encoded(b), Encoded(c));

    m8.SetSize(m8.Size() - 1);  // one byte short of the pixels
    m8.SetPosition(0);
    EXPECT_THROW(c.LoadFromStream(m8), EInvalidGraphic);
    EXPECT_EQ(3, c.Width());
    TBitmap none;
    EXPECT_THROW(none.SaveToStream(m), EInvalidGraphic) << "an empty bitmap makes no bitmap file";
}

TEST(Bitmaps, AssignCopiesTakingOverMovesAndSetPaletteSetsTheColours)
{
    TBitmap a, b;
    a.SetPixelFormat(pf8bit);
    a.SetSize(2, 1);
    a.ScanLine(0)[1] = 1;
    b.Assign(&a);
    a.ScanLine(0)[1] = 0;
    EXPECT_EQ(1, b.ScanLine(0)[1]);

    struct {
        WORD Version, Count;
        PALETTEENTRY Entries[2];
    } lp{0x300, 2, {{255, 0, 0, 0}, {0, 0, 255, 0}}};
    HPALETTE pal = CreatePalette(reinterpret_cast<LOGPALETTE*>(&lp));
    b.SetPalette(pal);
    EXPECT_EQ(pal, b.Palette());
    b.SetPixelFormat(pf32bit);
    EXPECT_EQ(0x0000FFu, PixelAt(b, 1, 0));

    // Taking over an image: what Assign gives, and the source is left empty but usable.
    TBitmap taken;
    taken.TakeImageOf(b);
    EXPECT_EQ(0x0000FFu, PixelAt(taken, 1, 0));
    EXPECT_EQ(pf32bit, taken.PixelFormat());
    EXPECT_TRUE(b.Empty());
    b.SetSize(2, 1);
    b.Canvas()->FillRect(Rect(0, 0, 2, 1));
    EXPECT_EQ(0xFFFFFFu, PixelAt(b, 1, 0));
    a.Canvas()->Brush()->SetColor(clBlack);
    a.Canvas()->Pixel(0, 0);  // a source whose canvas holds its DIB
    const uint8_t before = a.ScanLine(0)[0];
    taken.TakeImageOf(a);
    EXPECT_EQ(pf8bit, taken.PixelFormat());
    a.Canvas()->FillRect(Rect(0, 0, 2, 1));
    EXPECT_EQ(before, taken.ScanLine(0)[0]) << "the source's canvas no longer draws into the taken image";

    b.Assign(nullptr);
    EXPECT_TRUE(b.Empty());
    TIcon icon;
    EXPECT_THROW(b.Assign(&icon), Exception);
}

}  // namespace
