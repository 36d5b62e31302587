#include <gtest/gtest.h>

#include "SurfaceTest.h"

using namespace kova;
using namespace kova::test;

namespace {

TEST(Lines, TwoLinesMakeAPolylineWithoutItsLastPoint)
{
    TBitmap b;
    MakeWhite(b, 5, 4);
    TCanvas* c = b.Canvas();
    c->MoveTo(0, 0);
    c->LineTo(3, 0);
    c->LineTo(3, 3);
    EXPECT_EQ((TPoint{3, 3}), c->PenPos());
    EXPECT_EQ("11110", Ink(b, 0));
    EXPECT_EQ("00010", Ink(b, 1));
    EXPECT_EQ("00010", Ink(b, 2));
    EXPECT_EQ("00000", Ink(b, 3)) << "the end point is excluded";
    EXPECT_EQ(0x000000u, PixelAt(b, 1, 0)) << "default pen is black";
}

TEST(Lines, SystemColoursResolveWhenDrawn)
{
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), ColorToRGB(clWindowText));
    EXPECT_EQ(0x0000FFu, ColorToRGB(clRed));
    TBitmap b;
    MakeWhite(b, 4, 1);
    b.Canvas()->Pen()->SetColor(clBtnShadow);
    b.Canvas()->LineTo(4, 0);
    EXPECT_EQ(PixelOf(GetSysColor(COLOR_BTNSHADOW)), PixelAt(b, 2, 0));
}

TEST(Lines, PenChangedWhileSelectedIsDeselectedFirst)
{
    TBitmap b;
    MakeWhite(b, 6, 1);
    TCanvas* c = b.Canvas();
    c->LineTo(2, 0);
    HPEN black = c->Pen()->Handle();
    c->Pen()->SetColor(clRed);
    // Wine, like Windows, cannot delete a pen that is still selected.
    EXPECT_EQ(0, GetObjectType(black));
    c->LineTo(4, 0);
    EXPECT_EQ(0x000000u, PixelAt(b, 1, 0));
    EXPECT_EQ(0xFF0000u, PixelAt(b, 3, 0));
}

TEST(Text, PenPositionFollowsTheText)
{
    TBitmap b;
    MakeWhite(b, 64, 24);
    TCanvas* c = b.Canvas();
    const int w = c->TextWidth("Ab");
    ASSERT_GT(w, 0);
    c->TextOut(5, 3, "Ab");
    EXPECT_EQ((TPoint{5 + w, 3}), c->PenPos());
    // The next line starts where the text ended, not at the earlier pen position (0, 0).
    c->LineTo(5 + w + 4, 3);
    for (int x = 5 + w; x < 5 + w + 4; ++x)
        EXPECT_EQ(0x000000u, PixelAt(b, x, 3)) << x;
    EXPECT_EQ(0xFFFFFFu, PixelAt(b, 5 + w + 4, 3));
    EXPECT_EQ(0xFFFFFFu, PixelAt(b, 0, 0));
}

TEST(Shapes, FillRectExcludesRightAndBottom)
{
    TBitmap b;
    MakeWhite(b, 4, 4);
    b.Canvas()->Brush()->SetColor(clBlack);
    b.Canvas()->FillRect(Rect(1, 1, 3, 3));
    EXPECT_EQ("0000", Ink(b, 0));
    EXPECT_EQ("0110", Ink(b, 1));
    EXPECT_EQ("0110", Ink(b, 2));
    EXPECT_EQ("0000", Ink(b, 3));
}

TEST(Shapes, EllipseIsOutlinedWithThePenAndFilledWithTheBrush)
{
    TBitmap b;
    MakeWhite(b, 16, 16);
    TCanvas* c = b.Canvas();
    c->Pen()->SetColor(clRed);
    c->Brush()->SetColor(clBlue);
    c->Ellipse(2, 2, 14, 14);
    EXPECT_EQ(0x0000FFu, PixelAt(b, 8, 8));
    EXPECT_EQ(0xFF0000u, PixelAt(b, 2, 8));
    EXPECT_EQ(0xFF0000u, PixelAt(b, 8, 2));
    EXPECT_EQ(0xFFFFFFu, PixelAt(b, 2, 2)) << "the corner of the box is outside";
    int red = 0, blue = 0, outside = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const uint32_t p = PixelAt(b, x, y);
            red += p == 0xFF0000;
            blue += p == 0x0000FF;
            outside += p != 0xFFFFFF && (x < 2 || x >= 14 || y < 2 || y >= 14);
        }
    EXPECT_GT(red, 20);
    EXPECT_GT(blue, red);
    EXPECT_EQ(0, outside);
}

TEST(Copy, CopyRectOfEqualSizeIsExact)
{
    TBitmap src, dst;
    MakeWhite(src, 8, 8);
    MakeWhite(dst, 8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            PutPixel(src, x, y, static_cast<uint32_t>((x * 37 + y * 101) * 2654435761u) & 0xFFFFFF);
    dst.Canvas()->CopyRect(Rect(0, 0, 8, 8), src.Canvas(), Rect(0, 0, 8, 8));
    EXPECT_EQ(Encoded(src), Encoded(dst));
}

TEST(Copy, DrawingAnEmptyGraphicChangesNothing)
{
    TBitmap b, empty;
    TIcon noIcon;
    TMetafile noMeta;
    MakeWhite(b, 4, 4);
    PutPixel(b, 1, 1, 0x123456);
    const std::string before = Encoded(b);
    int changes = 0;
    b.OnChange = [&](TObject*) { ++changes; };
    b.Canvas()->Draw(0, 0, nullptr);
    b.Canvas()->Draw(0, 0, &empty);
    b.Canvas()->Draw(0, 0, &noIcon);
    b.Canvas()->StretchDraw(Rect(0, 0, 4, 4), &noMeta);
    EXPECT_EQ(before, Encoded(b));
    EXPECT_EQ(0, changes);
}

TEST(Handles, MadeWhenFirstUsedAndFreedOnlyByARealChange)
{
    TPen pen;
    int changes = 0;
    pen.OnChange = [&](TObject*) { ++changes; };
    EXPECT_FALSE(pen.HandleAllocated());
    HPEN h = pen.Handle();
    pen.SetColor(clBlack);
    pen.SetWidth(1);
    pen.SetStyle(psSolid);
    pen.SetMode(pmCopy);
    EXPECT_EQ(0, changes);
    EXPECT_EQ(h, pen.Handle());
    pen.SetMode(pmXor);
    EXPECT_TRUE(pen.HandleAllocated()) << "the raster mode is not part of the GDI pen";
    pen.SetWidth(3);
    EXPECT_EQ(2, changes);
    EXPECT_FALSE(pen.HandleAllocated());

    TFont font;
    HFONT hf = font.Handle();
    font.SetSize(font.Size());
    font.SetName(font.Name());
    font.SetColor(clRed);
    EXPECT_EQ(hf, font.Handle()) << "the colour is not part of the GDI font";
    font.SetStyle(fsBold);
    EXPECT_FALSE(font.HandleAllocated());

    // A canvas makes its pen's handle when it draws; copying in the same style keeps it.
    TBitmap b;
    MakeWhite(b, 2, 2);
    TCanvas* c = b.Canvas();
    c->Pen()->SetColor(clRed);
    c->MoveTo(1, 1);
    EXPECT_FALSE(c->Pen()->HandleAllocated());
    c->LineTo(0, 1);
    HPEN drawn = c->Pen()->Handle();
    TPen same;
    same.SetColor(clRed);
    c->Pen()->Assign(&same);
    c->LineTo(1, 0);
    EXPECT_EQ(drawn, c->Pen()->Handle());
}

TEST(Fonts, DefaultsFollowTheJapaneseSystem)
{
    EXPECT_EQ("ＭＳ Ｐゴシック", DefaultFontData().Name);
    HDC screen = GetDC(nullptr);
    const int ppi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    TFont f;
    EXPECT_EQ(ppi, f.PixelsPerInch());
    EXPECT_EQ(-MulDiv(9, ppi, 72), f.Height());
    EXPECT_EQ(9, f.Size());
    EXPECT_EQ(128, f.Charset());
    EXPECT_EQ(clWindowText, f.Color());
    LOGFONTA lf{};
    ASSERT_TRUE(GetObjectA(f.Handle(), sizeof lf, &lf));
    EXPECT_STREQ("ＭＳ Ｐゴシック", lf.lfFaceName);
    EXPECT_EQ(SHIFTJIS_CHARSET, lf.lfCharSet);
    EXPECT_EQ(f.Height(), lf.lfHeight);

    f.SetStyle(fsBold | fsItalic);
    f.SetPitch(fpFixed);
    // A face name too long for LOGFONT is cut before a double-byte character, not inside it:
    // byte 31 here is a lead byte. The font dialog starts from the same LOGFONT.
    f.SetName(std::string(30, 'a') + "ゴシック");
    ASSERT_TRUE(GetObjectA(f.Handle(), sizeof lf, &lf));
    EXPECT_EQ(FW_BOLD, lf.lfWeight);
    EXPECT_TRUE(lf.lfItalic && !lf.lfUnderline);
    EXPECT_EQ(FIXED_PITCH, lf.lfPitchAndFamily & 3);
    EXPECT_EQ(std::string(30, 'a'), lf.lfFaceName);
}

}  // namespace
