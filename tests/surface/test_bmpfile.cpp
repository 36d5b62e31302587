#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/Exceptions.h"
#include "base/Streams.h"
#include "surface/BmpFile.h"

using namespace kova;
using namespace kova::bmpfile;

namespace {

using Bytes = std::vector<uint8_t>;
using Strings = std::vector<std::string>;

// Field offsets in a file with a BITMAPINFOHEADER.
constexpr size_t OffBits = 10, HeaderSize = 14, Width = 18, Height = 22, Planes = 26, BitCount = 28,
                 Compression = 30, SizeImage = 34, ClrUsed = 46;

void Put(Bytes& b, size_t at, uint32_t v, int n = 4)
{
    for (int i = 0; i < n; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t Get(const Bytes& b, size_t at, int n = 4)
{
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i)
        v = v << 8 | b[at + i];
    return v;
}

struct FileParts {
    int32_t width = 1, height = 1;
    uint16_t bits = 24;
    uint32_t compression = 0;
    std::vector<uint32_t> table = {};  // 0xRRGGBB
    std::vector<uint32_t> masks = {};  // after a 40-byte header, inside a longer one
    uint32_t headerSize = 40;
    Bytes pixels = {};
};

// A file in the usual order: headers, masks, colour table, pixels.
Bytes Build(const FileParts& s)
{
    Bytes b(14 + s.headerSize + (s.headerSize == 40 && !s.masks.empty() ? 12 : 0));
    b[0] = 'B';
    b[1] = 'M';
    Put(b, HeaderSize, s.headerSize);
    Put(b, Width, static_cast<uint32_t>(s.width));
    Put(b, Height, static_cast<uint32_t>(s.height));
    Put(b, Planes, 1, 2);
    Put(b, BitCount, s.bits, 2);
    Put(b, Compression, s.compression);
    Put(b, ClrUsed, static_cast<uint32_t>(s.table.size()));
    for (size_t i = 0; i < s.masks.size(); ++i)
        Put(b, 54 + 4 * i, s.masks[i]);
    for (uint32_t c : s.table)
        b.insert(b.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), 0});
    Put(b, OffBits, static_cast<uint32_t>(b.size()));
    b.insert(b.end(), s.pixels.begin(), s.pixels.end());
    return b;
}

Image DecodeBytes(const Bytes& b) { return Decode(b.data(), b.size()); }

void ExpectInvalid(const Bytes& b)
{
    try {
        DecodeBytes(b);
        ADD_FAILURE() << "decoded a malformed file of " << b.size() << " bytes";
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ("ビットマップが無効です", e.what());
    }
}

Rgbq Pixel(const Image& img, int x, int y)
{
    if (img.BitsPerPixel == 8)
        return img.Palette.at(img.Row(y)[x]);
    const uint8_t* p = img.Row(y) + x * 4;
    EXPECT_EQ(0, p[3]) << "fourth byte";
    return Rgbq{p[0], p[1], p[2], p[3]};
}

// A pixel as "r,g,b".
std::string At(const Image& img, int x, int y)
{
    const Rgbq c = Pixel(img, x, y);
    return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
}

// The indices of an 8-bit image as hex digits, top row first.
Strings Rows(const Image& img)
{
    Strings rows(img.Height);
    for (int y = 0; y < img.Height; ++y)
        for (int x = 0; x < img.Width; ++x)
            rows[y] += "0123456789abcdef"[img.Row(y)[x] & 15];
    return rows;
}

// Read with the standard library, so that the native build runs these tests too.
Bytes ReadFile(const std::string& name)
{
    std::ifstream in(std::string(KOVA_TEST_DATA) + "/bmp/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Fixture {
    const char* file;
    const char* source;  // the expected pixels, a binary PPM
    int bitsPerPixel;
    int tolerance;  // ImageMagick truncates to 5 or 6 bits: up to one step of 255 / 31
};

const Fixture Fixtures[] = {
    {"full_core_24.bmp", "full.ppm", 32, 0},     {"full_info_24.bmp", "full.ppm", 32, 0},
    {"full_v5_24.bmp", "full.ppm", 32, 0},       {"full_core_8.bmp", "full.ppm", 8, 0},
    {"full_info_8.bmp", "full.ppm", 8, 0},       {"full_v5_8.bmp", "full.ppm", 8, 0},
    {"full_info_8_rle.bmp", "full.ppm", 8, 0},   {"full_v5_8_rle.bmp", "full.ppm", 8, 0},
    {"full_v5_32_alpha.bmp", "full.ppm", 32, 0}, {"full_v5_16_565.bmp", "full.ppm", 32, 9},
    {"full_v5_16_555.bmp", "full.ppm", 32, 9},   {"c16_core_4.bmp", "c16.ppm", 8, 0},
    {"c16_info_4.bmp", "c16.ppm", 8, 0},         {"c16_v5_4.bmp", "c16.ppm", 8, 0},
    {"c16_info_8_rle.bmp", "c16.ppm", 8, 0},     {"bw_core_1.bmp", "bw.ppm", 8, 0},
    {"bw_info_1.bmp", "bw.ppm", 8, 0},           {"bw_v4_1.bmp", "bw.ppm", 8, 0},
};

TEST(BmpFixtures, DecodeToTheSourcePixels)
{
    for (const Fixture& f : Fixtures) {
        SCOPED_TRACE(f.file);
        const Image img = DecodeBytes(ReadFile(f.file));
        const Bytes ppm = ReadFile(f.source);
        int w = 0, h = 0, n = 0;
        ASSERT_EQ(2, std::sscanf(reinterpret_cast<const char*>(ppm.data()), "P6 %d %d 255%n", &w, &h, &n));
        ASSERT_EQ(w, img.Width);
        ASSERT_EQ(h, img.Height);
        EXPECT_EQ(f.bitsPerPixel, img.BitsPerPixel);
        EXPECT_EQ(size_t(RowBytes(w, img.BitsPerPixel)) * h, img.Pixels.size());
        // Decoded in two steps into bottom-up rows, as into a DIB section: the same rows.
        const Bytes file = ReadFile(f.file);
        const Image header = DecodeHeader(file.data(), file.size());
        EXPECT_TRUE(header.Pixels.empty());
        EXPECT_EQ(img.Palette, header.Palette);
        const ptrdiff_t rowBytes = RowBytes(w, img.BitsPerPixel);
        Bytes bottomUp(img.Pixels.size(), 0xEE);
        DecodePixels(file.data(), file.size(), bottomUp.data() + (h - 1) * rowBytes, -rowBytes);
        for (int y = 0; y < h; ++y)
            ASSERT_TRUE(std::equal(img.Row(y), img.Row(y) + w * img.BitsPerPixel / 8,
                                   bottomUp.data() + (h - 1 - y) * rowBytes))
                << "row " << y;
        const uint8_t* want = ppm.data() + n + 1;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x, want += 3) {
                const Rgbq c = Pixel(img, x, y);
                ASSERT_LE(std::max({std::abs(c.r - want[0]), std::abs(c.g - want[1]), std::abs(c.b - want[2])}),
                          f.tolerance)
                    << "at " << x << "," << y << ": " << At(img, x, y);
            }
    }
}

TEST(BmpFixtures, EveryTruncationIsRefused)
{
    for (const Fixture& f : Fixtures) {
        SCOPED_TRACE(f.file);
        const Bytes whole = ReadFile(f.file);
        for (size_t n = 0; n < whole.size(); ++n)
            ExpectInvalid(Bytes(whole.begin(), whole.begin() + n));
    }
}

TEST(BmpDecode, HandMadeLayouts)
{
    // The sign of the height orders the rows: the file's first row is red, the second blue.
    FileParts s{.height = 2, .pixels = {0, 0, 255, 0, 255, 0, 0, 0}};
    Image img = DecodeBytes(Build(s));
    EXPECT_EQ("0,0,255", At(img, 0, 0));
    s.height = -2;
    img = DecodeBytes(Build(s));
    EXPECT_EQ(2, img.Height);
    EXPECT_EQ("255,0,0", At(img, 0, 0));

    // 32 bits: the fourth byte is cleared. 16 bits without masks: 5-5-5, rounded to full range.
    EXPECT_EQ((Bytes{1, 2, 3, 0}), DecodeBytes(Build({.bits = 32, .pixels = {1, 2, 3, 0xAA}})).Pixels);
    img = DecodeBytes(Build({.width = 3, .bits = 16, .pixels = {0xFF, 0x7F, 0x10, 0x00, 0x00, 0x80, 0, 0}}));
    EXPECT_EQ("255,255,255", At(img, 0, 0));
    EXPECT_EQ("0,0,132", At(img, 1, 0));
    EXPECT_EQ("0,0,0", At(img, 2, 0));  // the unused top bit

    // 10-10-10 masks after an info header or inside every longer header.
    for (uint32_t size : {40u, 52u, 56u, 108u, 124u}) {
        SCOPED_TRACE(size);
        img = DecodeBytes(Build({.bits = 32, .compression = 3, .masks = {0x3FF00000, 0xFFC00, 0x3FF},
                                 .headerSize = size, .pixels = {0x00, 0x02, 0xF0, 0x3F}}));
        EXPECT_EQ("255,0,128", At(img, 0, 0));
    }
    // One-bit, absent and 31-bit channels.
    img = DecodeBytes(Build({.bits = 16, .compression = 3, .masks = {0x8000, 0, 1}, .pixels = {1, 0x80, 0, 0}}));
    EXPECT_EQ("255,0,255", At(img, 0, 0));
    img = DecodeBytes(Build({.bits = 32, .compression = 3, .masks = {1, 0, 0xFFFFFFFE}, .pixels = {0, 0, 0, 0x80}}));
    EXPECT_EQ("0,0,128", At(img, 0, 0));
}

TEST(BmpDecode, ColourTableAndPixelOffset)
{
    // Indices past a short table are clamped to its last entry.
    Bytes b = Build({.width = 3, .bits = 8, .table = {0x0000FF, 0x112233}, .pixels = {0, 1, 200, 0}});
    EXPECT_EQ((Strings{"011"}), Rows(DecodeBytes(b)));
    // An offset of 0 or one inside the headers means right after the table; a later one is honoured.
    for (uint32_t off : {0u, 20u, 61u}) {
        Put(b, OffBits, off);
        EXPECT_EQ("17,34,51", At(DecodeBytes(b), 1, 0)) << off;
    }
    b.insert(b.begin() + 62, {1, 1, 1, 1});
    Put(b, OffBits, 66);
    EXPECT_EQ((Strings{"011"}), Rows(DecodeBytes(b)));
    Put(b, OffBits, static_cast<uint32_t>(b.size() + 1));
    ExpectInvalid(b);

    // No colours used means the full table; reserved bytes are cleared.
    FileParts s{.width = 2, .bits = 4, .pixels = {0xF3, 0, 0, 0}};
    for (uint32_t i = 0; i < 16; ++i)
        s.table.push_back(i * 0x111111);
    b = Build(s);
    Put(b, ClrUsed, 0);
    b[54 + 3] = 0x77;
    const Image img = DecodeBytes(b);
    ASSERT_EQ(16u, img.Palette.size());
    EXPECT_EQ((Rgbq{0, 0, 0, 0}), img.Palette[0]);
    EXPECT_EQ((Strings{"f3"}), Rows(img));
}

TEST(BmpDecode, MalformedHeadersAreRefused)
{
    const Bytes good = Build({.width = 2, .height = 2, .pixels = Bytes(16)});
    ASSERT_NO_THROW(DecodeBytes(good));
    const struct {
        size_t at;
        uint32_t value;
        int bytes;
    } patches[] = {
        {0, 'B' | 'A' << 8, 2}, {HeaderSize, 64, 4}, {HeaderSize, 0xFFFFFFF0, 4}, {Width, 0, 4},
        {Width, uint32_t(-2), 4}, {Width, MaxSide + 1, 4}, {Height, 0, 4}, {Height, uint32_t(INT_MIN), 4},
        {Height, uint32_t(-(MaxSide + 1)), 4}, {Planes, 2, 2}, {BitCount, 7, 2}, {BitCount, 0, 2},
        {Compression, 4, 4} /* JPEG */, {Compression, 1, 4} /* RLE8 at 24 bits */, {Compression, 3, 4},
        {Width, MaxSide, 4} /* pixels not in the file */,
    };
    for (const auto& p : patches) {
        SCOPED_TRACE(testing::Message() << "offset " << p.at << " = " << p.value);
        Bytes b = good;
        Put(b, p.at, p.value, p.bytes);
        ExpectInvalid(b);
    }
    const std::pair<uint32_t, uint32_t> sizes[] = {{MaxSide, MaxSide}, {0x7FFFFFFF, 0x7FFFFFFF}, {8192, 8192}};
    for (auto [w, h] : sizes) {
        Bytes b = good;
        Put(b, Width, w);
        Put(b, Height, h);
        ExpectInvalid(b);
        // Refused by the header already, before a caller allocates for the pixels.
        EXPECT_THROW(DecodeHeader(b.data(), b.size()), EInvalidGraphic) << w << " x " << h;
    }
    // Bad masks, or no room for them; colour tables past the end or overflowing 32 bits.
    ExpectInvalid(Build({.bits = 32, .compression = 3, .masks = {0xFF00FF, 0xFF00, 0xFF}, .pixels = Bytes(4)}));
    ExpectInvalid(Build({.bits = 16, .compression = 3, .masks = {0x1F0000, 0x7E0, 0x1F}, .pixels = Bytes(4)}));
    ExpectInvalid(Build({.bits = 32, .compression = 3, .pixels = Bytes(4)}));
    Bytes table = Build({.bits = 8, .table = {0}, .pixels = Bytes(4)});
    for (uint32_t used : {2u, 0x40000001u, 0xFFFFFFFFu}) {
        Put(table, ClrUsed, used);
        ExpectInvalid(table);
    }
}

Bytes Rle(int width, int height, uint32_t compression, const Bytes& stream)
{
    FileParts s{.width = width, .height = height, .bits = uint16_t(compression == 1 ? 8 : 4), .compression = compression,
           .pixels = stream};
    for (uint32_t i = 0; i < 16; ++i)
        s.table.push_back(i * 0x010101);
    return Build(s);
}

TEST(BmpRle, RunsAbsoluteRunsDeltasAndClipping)
{
    const Bytes rle8 = {2, 5, 0, 3, 1, 2, 3, 0,  // run 55, absolute 123 and its pad byte
                        0, 0, 0, 2, 1, 1,        // end of line, delta one right and one up
                        0, 4, 9, 8, 7, 6, 6, 12, // even absolute run (no pad), a run past the edge
                        0, 0, 1, 200,            // end of line, index 200 clamped to 15
                        0, 2, 9, 9, 3, 3, 0, 1}; // delta out of the picture, a dropped run, end
    EXPECT_EQ((Strings{"f00000", "09876c", "000000", "551230"}), Rows(DecodeBytes(Rle(6, 4, 1, rle8))));

    const Bytes rle4 = {5, 0x12, 0, 3, 0x34, 0x50,        // 12121 and absolute 345
                        4, 0x67,                          // runs past the right edge
                        0, 0, 0, 5, 0xAB, 0xCD, 0xE0, 0,  // absolute abcde, three bytes and a pad
                        0, 1};
    EXPECT_EQ((Strings{"abcde0000", "121213456"}), Rows(DecodeBytes(Rle(9, 2, 2, rle4))));
}

TEST(BmpRle, TruncatedOrMisusedStreamsAreRefused)
{
    for (const Bytes& stream : {Bytes{}, Bytes{4, 1} /* no end of bitmap */, Bytes{4, 1, 0}, Bytes{0, 2, 1},
                                Bytes{0, 4, 1, 2, 3}, Bytes{0, 3, 1, 2, 3} /* its pad byte missing */})
        ExpectInvalid(Rle(4, 1, 1, stream));
    ExpectInvalid(Rle(4, 1, 2, {0, 5, 0x12, 0x34}));
    ExpectInvalid(Rle(MaxSide, MaxSide, 1, {0, 1}));
    Bytes topDown = Rle(4, 1, 1, {0, 1});
    ASSERT_NO_THROW(DecodeBytes(topDown));
    Put(topDown, Height, uint32_t(-1));
    ExpectInvalid(topDown);
}

// width by height pixels of 8 or 32 bits, no two rows alike, with a 37-colour palette.
struct Sample {
    int width, height, bits;
    std::vector<Rgbq> palette;
    Bytes pixels;
    const uint8_t* Row(int y) const { return pixels.data() + size_t(y) * RowBytes(width, bits); }

    Sample(int w, int h, int b) : width(w), height(h), bits(b), pixels(size_t(RowBytes(w, b)) * h)
    {
        for (int i = 0; b == 8 && i < 37; ++i)
            palette.push_back(Rgbq{uint8_t(i * 7), uint8_t(255 - i), uint8_t(i * 3), 0});
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < RowBytes(w, b) && x < w * b / 8; ++x)
                pixels[size_t(y) * RowBytes(w, b) + x] = uint8_t(b == 8 ? (x * 5 + y * 11) % 37 : x % 4 == 3 ? 0 : x * 9 + y * 31);
    }

    Bytes Encoded() const
    {
        TMemoryStream m;
        Encode(m, width, height, bits, palette.data(), int(palette.size()), [this](int y) { return Row(y); });
        return Bytes(m.Memory(), m.Memory() + m.Size());
    }
};

TEST(BmpEncode, RoundTripAndHeader)
{
    for (int bits : {8, 32})
        for (int width : {1, 3, 13}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, width " << width);
            const Sample s(width, 7, bits);
            const Image img = DecodeBytes(s.Encoded());
            EXPECT_EQ(width, img.Width);
            EXPECT_EQ(bits, img.BitsPerPixel);
            EXPECT_EQ(s.palette, img.Palette);
            EXPECT_EQ(s.pixels, img.Pixels);
        }
    // 10 by 10 with 256 colours: 1198 bytes, pixels at 1078, rows of 12 bytes with zero padding.
    Sample s(10, 10, 8);
    s.palette.resize(256);
    s.pixels[0] = 99;
    s.pixels[10] = 0xEE;
    const Bytes b = s.Encoded();
    ASSERT_EQ(1198u, b.size());
    EXPECT_EQ((std::vector<uint32_t>{'B' | 'M' << 8, 1198, 1078, 40, 10, 10, 1, 8, 0, 120, 256}),
              (std::vector<uint32_t>{Get(b, 0, 2), Get(b, 2), Get(b, OffBits), Get(b, HeaderSize), Get(b, Width),
                                     Get(b, Height), Get(b, Planes, 2), Get(b, BitCount, 2), Get(b, Compression),
                                     Get(b, SizeImage), Get(b, ClrUsed)}));
    EXPECT_EQ(99, b[1078 + 9 * 12]);  // the top row comes last
    EXPECT_EQ(0, b[1078 + 9 * 12 + 10]);
    const Bytes t = Sample(3, 2, 32).Encoded();
    EXPECT_EQ(78u, t.size());
    EXPECT_EQ(0u, Get(t, ClrUsed));
}

// Accepts only the first few bytes written.
class ShortStream : public TStream {
public:
    explicit ShortStream(int64_t room) : FRoom(room) {}
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void*, int64_t count) override
    {
        const int64_t n = std::min(count, FRoom);
        FRoom -= n;
        return n;
    }
    int64_t Seek(int64_t, TSeekOrigin) override { return 0; }

private:
    int64_t FRoom;
};

TEST(BmpEncode, FailuresAreReported)
{
    const Sample s(4, 4, 8);
    auto row = [&](int y) { return s.Row(y); };
    for (int64_t room : {0, 10, 54, 210}) {
        ShortStream out(room);
        EXPECT_THROW(Encode(out, 4, 4, 8, s.palette.data(), 37, row), EWriteError) << room;
    }
    TMemoryStream m;
    EXPECT_THROW(Encode(m, 0, 2, 8, s.palette.data(), 37, row), EInvalidGraphic);
    EXPECT_THROW(Encode(m, 2, 2, 24, s.palette.data(), 37, row), EInvalidGraphic);
    EXPECT_THROW(Encode(m, 2, 2, 8, s.palette.data(), 0, row), EInvalidGraphic);
    EXPECT_THROW(Encode(m, 2, 2, 8, nullptr, 2, row), EInvalidGraphic);
    EXPECT_THROW(Encode(m, 2, 2, 8, s.palette.data(), 257, row), EInvalidGraphic);
    EXPECT_THROW(Encode(m, 40000, 40000, 32, nullptr, 0, row), EInvalidGraphic);  // over 4 GB
    EXPECT_EQ(0, m.Size());
}

// Leaves files of ours for tools/make_bmp_fixtures.sh to read back with ImageMagick.
TEST(BmpWritten, ForImageMagick)
{
    const char* dir = std::getenv("KOVA_BMP_WRITE_DIR");
    if (!dir)
        GTEST_SKIP() << "run by tools/make_bmp_fixtures.sh";
    for (const char* name : {"full_info_8.bmp", "full_info_24.bmp"}) {
        const Image img = DecodeBytes(ReadFile(name));
        TMemoryStream m;
        Encode(m, img.Width, img.Height, img.BitsPerPixel, img.Palette.data(), int(img.Palette.size()),
               [&](int y) { return img.Row(y); });
        std::ofstream out(std::string(dir) + "/written_" + std::to_string(img.BitsPerPixel) + ".bmp",
                          std::ios::binary);
        out.write(reinterpret_cast<const char*>(m.Memory()), m.Size());
    }
}

}  // namespace
