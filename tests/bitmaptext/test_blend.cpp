#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "bitmaptext/BlendText.h"

using namespace kova;

namespace {

constexpr uint32_t White = 0x00FFFFFF;

// A 32-bit image in plain memory.
struct Image {
    Image(int width, int height, uint32_t fill) : Width(width), Px(size_t(width) * height, fill) {}
    uint32_t& At(int x, int y) { return Px[size_t(y) * Width + x]; }
    uint8_t* Row(int y, int x = 0) { return reinterpret_cast<uint8_t*>(&At(x, y)); }
    int Width;
    std::vector<uint32_t> Px;
};

// The scratch image for half extents hw x hh: all white.
Image Scratch(int hw, int hh) { return Image(2 * hw + 1, 2 * hh + 1, White); }

// The 2x2 samples of output pixel (i, j).
void PaintBlock(Image& scratch, int i, int j, uint32_t value)
{
    scratch.At(2 * i, 2 * j + 1) = scratch.At(2 * i + 1, 2 * j + 1) = value;
    scratch.At(2 * i, 2 * j + 2) = scratch.At(2 * i + 1, 2 * j + 2) = value;
}

// Blends into hw x hh pixels of dest whose top-left is (x, y).
void Blend(Image& dest, int x, int y, Image& scratch, int hw, int hh, uint8_t r, uint8_t g, uint8_t b)
{
    BlendTextRows(dest.Row(y, x), 4 * dest.Width, scratch.Row(0), 4 * scratch.Width, hw, hh, r, g, b);
}

}  // namespace

TEST(BlendTextRows, WorkedValues)
{
    Image scratch = Scratch(4, 1);
    PaintBlock(scratch, 1, 0, 0);
    PaintBlock(scratch, 2, 0, 0x00808080);
    PaintBlock(scratch, 3, 0, 0xFFFFFF00);  // only the blue byte counts: full ink

    Image onWhite(4, 1, 0xFFFFFFFF);
    Blend(onWhite, 0, 0, scratch, 4, 1, 0, 0, 0);
    EXPECT_EQ((std::vector<uint32_t>{0xFFFFFFFF, 0xFF000000, 0xFF808080, 0xFF000000}), onWhite.Px);

    Image onBlack(4, 1, 0);
    Blend(onBlack, 0, 0, scratch, 2, 1, 255, 255, 255);
    EXPECT_EQ(0x00FEFEFEu, onBlack.At(1, 0)) << "text colour 255 over 0, full ink";

    // Each colour byte goes to its channel; full ink over white gives the colour itself.
    Image coloured(4, 1, 0xFFFFFFFF);
    Blend(coloured, 0, 0, scratch, 2, 1, 0x10, 0x80, 0xF0);
    EXPECT_EQ(0xFF1080F0u, coloured.At(1, 0));
}

TEST(BlendTextRows, BackgroundAndFourthByteAreKept)
{
    const uint8_t colours[][3] = {{0, 0, 0}, {255, 255, 255}, {1, 200, 99}};
    for (const auto& c : colours) {
        Image dest(4, 1, 0);
        dest.Px = {0x00000000, 0x12345678, 0xFFFFFFFF, 0x80FF0001};
        const auto before = dest.Px;
        Image blank = Scratch(4, 1);
        Blend(dest, 0, 0, blank, 4, 1, c[0], c[1], c[2]);
        EXPECT_EQ(before, dest.Px) << "background under colour " << int(c[0]) << "," << int(c[1]);
    }
    Image ink = Scratch(3, 1);
    for (int i = 0; i < 3; ++i)
        PaintBlock(ink, i, 0, 0);
    Image dest(3, 1, 0);
    dest.Px = {0x00FFFFFF, 0x5AFFFFFF, 0xFF000000};
    Blend(dest, 0, 0, ink, 3, 1, 7, 7, 7);
    // (0 * 1 + 7 * 255) >> 8 = 6.
    EXPECT_EQ((std::vector<uint32_t>{0x00070707, 0x5A070707, 0xFF060606}), dest.Px);
}

// cx = 7 at double size: hw = 3 and the scratch is 7 wide; its last column is never read.
TEST(BlendTextRows, OddWidthLeavesLastScratchColumnUnread)
{
    Image scratch = Scratch(3, 1);
    for (int y = 0; y < 3; ++y)
        scratch.At(6, y) = 0;
    Image dest(4, 1, 0xFFFFFFFF);
    Blend(dest, 0, 0, scratch, 3, 1, 0, 0, 0);
    EXPECT_EQ(std::vector<uint32_t>(4, 0xFFFFFFFF), dest.Px);

    for (int i = 0; i < 3; ++i)
        PaintBlock(scratch, i, 0, 0);
    Blend(dest, 0, 0, scratch, 3, 1, 0, 0, 0);
    EXPECT_EQ((std::vector<uint32_t>{0xFF000000, 0xFF000000, 0xFF000000, 0xFFFFFFFF}), dest.Px);
}

// cy = 20 at double size: hh = 10; rows 1 .. 20 are read, 20 being the white extra row.
TEST(BlendTextRows, EvenHeightSkipsRowZeroAndMixesTheExtraRow)
{
    Image scratch = Scratch(1, 10);
    scratch.At(0, 0) = scratch.At(1, 0) = 0;
    scratch.At(0, 19) = scratch.At(1, 19) = 0;
    Image dest(1, 11, 0xFFFFFFFF);
    Blend(dest, 0, 0, scratch, 1, 10, 0, 0, 0);
    std::vector<uint32_t> expected(11, 0xFFFFFFFF);
    expected[9] = 0xFF7F7F7F;  // s = 2 * 255, m = 128: (255 * 128) >> 8 = 127
    EXPECT_EQ(expected, dest.Px);
}

TEST(BlendTextRows, WritesOnlyTheGivenRectangle)
{
    Image scratch = Scratch(4, 3);
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 4; ++i)
            PaintBlock(scratch, i, j, 0);
    Image dest(6, 5, 0xFFFFFFFF);
    Blend(dest, 1, 2, scratch, 2, 2, 0, 0, 0);
    Blend(dest, 0, 0, scratch, 0, 3, 0, 0, 0);
    Blend(dest, 0, 0, scratch, -3, 3, 0, 0, 0);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(x >= 1 && x < 3 && y >= 2 && y < 4 ? 0xFF000000u : 0xFFFFFFFFu, dest.At(x, y)) << x << "," << y;
}

TEST(ClipTextArea, AllEdges)
{
    EXPECT_EQ((TextClip{0, 0, 10, 5}), ClipTextArea(90, 45, 10, 5, 100, 50)) << "touching right and bottom";
    EXPECT_EQ((TextClip{0, 0, 4, 2}), ClipTextArea(96, 48, 10, 5, 100, 50));
    EXPECT_EQ((TextClip{3, 2, 7, 3}), ClipTextArea(-3, -2, 10, 5, 100, 50));
    EXPECT_EQ((TextClip{3, 0, 2, 5}), ClipTextArea(-3, 0, 10, 5, 2, 50)) << "both sides cut";
    const int32_t nothing[][6] = {{100, 0, 10, 5, 100, 50}, {150, 0, 10, 5, 100, 50}, {0, 50, 10, 5, 100, 50},
                                  {-10, 0, 10, 5, 100, 50}, {0, -5, 10, 5, 100, 50},  {0, 0, 0, 5, 100, 50},
                                  {0, 0, 10, 5, 0, 0},      {INT32_MAX, 0, 10, 5, 100, 50},
                                  {INT32_MIN, 0, INT32_MAX, 5, 100, 50}};
    for (const auto& a : nothing)
        EXPECT_EQ((TextClip{}), ClipTextArea(a[0], a[1], a[2], a[3], a[4], a[5])) << a[0] << "," << a[1];
    EXPECT_EQ((TextClip{INT32_MAX - 99, 0, 99, 5}), ClipTextArea(-(INT32_MAX - 99), 0, INT32_MAX, 5, 99, 50));
}
