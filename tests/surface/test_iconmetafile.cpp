#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "SurfaceTest.h"
#include "base/Exceptions.h"

using namespace kova;
using namespace kova::test;

namespace {

using ByteVec = std::vector<uint8_t>;

void Put(ByteVec& b, size_t at, uint32_t v, int n = 4)
{
    for (int i = 0; i < n; ++i)
        b.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}

void Append(ByteVec& b, uint32_t v, int n = 4)
{
    b.resize(b.size() + n);
    Put(b, b.size() - n, v, n);
}

uint32_t Get32(const ByteVec& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

std::unique_ptr<TMemoryStream> StreamOf(const ByteVec& bytes)
{
    auto m = std::make_unique<TMemoryStream>();
    m->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    m->SetPosition(0);
    return m;
}

// An 8 x 8 icon of 32 bits per pixel: left half red, right half blue, top-left transparent.
ByteVec IconFile()
{
    ByteVec f = {0, 0, 1, 0, 1, 0, 8, 8, 0, 0, 1, 0, 32, 0};
    Append(f, 40 + 8 * 32 + 8 * 4);
    Append(f, 22);
    for (uint32_t v : {40, 8, 16, 1 | 32 << 16, 0, 0, 0, 0, 0, 0})
        Append(f, v);
    for (int row = 7; row >= 0; --row)  // bottom-up
        for (int x = 0; x < 8; ++x)
            Append(f, row == 0 && x == 0 ? 0u : x < 4 ? 0xFFFF0000u : 0xFF0000FFu);
    for (int row = 7; row >= 0; --row)
        Append(f, row == 0 ? 0x80 : 0);
    return f;
}

TEST(Icons, LoadDrawAndSaveTheFirstImage)
{
    const ByteVec file = IconFile();
    TIcon icon;
    icon.LoadFromStream(*StreamOf(file));
    EXPECT_EQ(8, icon.Width());
    EXPECT_EQ(8, icon.Height());
    TBitmap b;
    MakeWhite(b, 16, 16);
    b.Canvas()->Draw(0, 0, &icon);
    EXPECT_EQ(0xFFFFFFu, PixelAt(b, 0, 0)) << "transparent";
    EXPECT_EQ(0xFF0000u, PixelAt(b, 1, 0));
    EXPECT_EQ(0x0000FFu, PixelAt(b, 4, 7));
    EXPECT_EQ(0xFFFFFFu, PixelAt(b, 8, 8));
    b.Canvas()->StretchDraw(Rect(0, 0, 16, 16), &icon);
    EXPECT_EQ(0xFF0000u, PixelAt(b, 7, 15));
    EXPECT_EQ(0x0000FFu, PixelAt(b, 8, 15));

    TMemoryStream out;
    icon.SaveToStream(out);
    EXPECT_EQ(file, ByteVec(out.Memory(), out.Memory() + out.Size()));
}

TEST(Icons, MalformedFilesRaiseAndKeepTheIcon)
{
    TIcon icon;
    icon.LoadFromStream(*StreamOf(IconFile()));
    const std::pair<size_t, uint32_t> changes[] = {
        {4, 0},            // no entries
        {2, 2},            // a cursor
        {4, 500},          // more entries than bytes
        {18, 0xFFFFFFF0},  // image offset past the end
        {14, 0x7FFFFFFF},  // image size past the end
        {22, 100000},      // header larger than the image
        {26, 64},          // rows past the image
        {30, 15},          // odd height
        {36, 7},           // unknown depth
        {38, 1},           // compressed
        {54, 0x10000000},  // too many colours
    };
    for (auto [at, value] : changes) {
        ByteVec f = IconFile();
        Put(f, at, value, at == 36 || at == 4 || at == 2 ? 2 : 4);
        EXPECT_THROW(icon.LoadFromStream(*StreamOf(f)), EInvalidGraphic) << at;
    }
    ByteVec truncated = IconFile();
    truncated.pop_back();
    EXPECT_THROW(icon.LoadFromStream(*StreamOf(truncated)), EInvalidGraphic);
    EXPECT_THROW(icon.LoadFromStream(*StreamOf({})), EInvalidGraphic);
    EXPECT_EQ(8, icon.Width());
    EXPECT_FALSE(icon.Empty());
}

// An enhanced metafile of side pixels on this screen, a black square in its middle half.
ByteVec EmfFile(int side)
{
    const int hundredths = MulDiv(side, 2540, ScreenPixelsPerInch());
    const RECT frame{0, 0, hundredths, hundredths};
    HDC dc = CreateEnhMetaFileA(nullptr, nullptr, &frame, nullptr);
    const int device = MulDiv(hundredths, GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, HORZSIZE) * 100);
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    Rectangle(dc, device / 4, device / 4, device * 3 / 4, device * 3 / 4);
    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    ByteVec bytes(GetEnhMetaFileBits(emf, 0, nullptr));
    GetEnhMetaFileBits(emf, static_cast<UINT>(bytes.size()), bytes.data());
    DeleteEnhMetaFile(emf);
    return bytes;
}

// A Windows metafile with a 40-unit window, a black square in its middle half; with the
// placeable header it is 40 units at `inch` units per inch.
ByteVec WmfFile(int inch = 0)
{
    HDC dc = CreateMetaFileA(nullptr);
    SetWindowExtEx(dc, 40, 40, nullptr);
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    Rectangle(dc, 10, 10, 30, 30);
    HMETAFILE wmf = CloseMetaFile(dc);
    ByteVec bits(GetMetaFileBitsEx(wmf, 0, nullptr));
    GetMetaFileBitsEx(wmf, static_cast<UINT>(bits.size()), bits.data());
    DeleteMetaFile(wmf);
    if (!inch)
        return bits;
    ByteVec f(22);
    Put(f, 0, 0x9AC6CDD7u);
    Put(f, 10, 40, 2);
    Put(f, 12, 40, 2);
    Put(f, 14, static_cast<uint32_t>(inch), 2);
    f.insert(f.end(), bits.begin(), bits.end());
    return f;
}

// Played into a 20 x 20 white bitmap, the middle is black and the edges white.
void ExpectSquareInTheMiddle(TMetafile& meta, bool checkEdges = true)
{
    TBitmap b;
    MakeWhite(b, 20, 20);
    b.Canvas()->StretchDraw(Rect(0, 0, 20, 20), &meta);
    EXPECT_EQ(0x000000u, PixelAt(b, 10, 10));
    EXPECT_EQ(0x000000u, PixelAt(b, 7, 12));
    if (checkEdges) {
        EXPECT_EQ(0xFFFFFFu, PixelAt(b, 1, 1));
        EXPECT_EQ(0xFFFFFFu, PixelAt(b, 18, 18));
    }
}

TEST(Metafiles, LoadWithTheirSizeAndDraw)
{
    const ByteVec emf = EmfFile(20);
    TMetafile meta;
    meta.LoadFromStream(*StreamOf(emf));
    EXPECT_NEAR(20, meta.Width(), 1);
    EXPECT_NEAR(20, meta.Height(), 1);
    ExpectSquareInTheMiddle(meta);
    TMemoryStream out;
    meta.SaveToStream(out);
    EXPECT_EQ(emf, ByteVec(out.Memory(), out.Memory() + out.Size()));

    TMetafile placeable, copy;
    placeable.LoadFromStream(*StreamOf(WmfFile(2 * ScreenPixelsPerInch())));
    EXPECT_EQ(20, placeable.Width());
    EXPECT_EQ(20, placeable.Height());
    ExpectSquareInTheMiddle(placeable);
    copy.Assign(&placeable);
    ExpectSquareInTheMiddle(copy);

    // Without the header the size is what the conversion makes of it: Wine frames the drawn
    // square only, Windows the whole reference device.
    TMetafile plain;
    plain.LoadFromStream(*StreamOf(WmfFile()));
    EXPECT_GT(plain.Width(), 0);
    ExpectSquareInTheMiddle(plain, false);
}

TEST(Metafiles, MalformedFilesRaise)
{
    const ByteVec emf = EmfFile(10), wmf = WmfFile(), placeable = WmfFile(96);
    const size_t record = Get32(emf, 4);  // the record after the header
    std::vector<ByteVec> cases = {{}, ByteVec(100, 0x5A), ByteVec(emf.begin(), emf.end() - 8),
                                  ByteVec(placeable.begin(), placeable.begin() + 30)};
    auto broken = [&](const ByteVec& from, size_t at, uint32_t value, int n = 4) {
        cases.push_back(from);
        Put(cases.back(), at, value, n);
    };
    broken(emf, 48, static_cast<uint32_t>(emf.size()) + 4);  // longer than the file
    broken(emf, 4, 0);                                        // header size 0
    broken(emf, record + 4, 0);                               // record of size 0
    broken(emf, record + 4, 0x10000);                         // record past the end
    broken(wmf, 6, 0x100000);                                 // size past the end
    broken(wmf, 2, 3, 2);                                     // bad header size
    broken(wmf, 18, 0);                                       // record of size 0
    broken(wmf, wmf.size() - 2, 1, 2);                        // no end record
    broken(placeable, 14, 0, 2);                              // 0 units per inch
    for (size_t i = 0; i < cases.size(); ++i) {
        TMetafile meta;
        EXPECT_THROW(meta.LoadFromStream(*StreamOf(cases[i])), EInvalidGraphic) << i;
        EXPECT_TRUE(meta.Empty());
    }
}

}  // namespace
