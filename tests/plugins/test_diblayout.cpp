// The checked layout of a plug-in's DIB: the sizes it gives, and the headers it refuses
// whatever the blocks hold.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

#include "plugins/DibLayout.h"
#include "surface/BmpFile.h"

using namespace kova;

namespace {

struct Header {
    int32_t Width = 10, Height = 10;
    uint16_t Bits = 8;
    uint32_t ColorsUsed = 0;
    uint32_t Size = 40;
    uint16_t Planes = 1;
    uint32_t Compression = 0;
};

// A header followed by a full colour table.
std::vector<uint8_t> Info(const Header& h)
{
    std::vector<uint8_t> b(40 + 4 * 256);
    auto put = [&](size_t at, auto v) { std::memcpy(b.data() + at, &v, sizeof v); };
    put(0, h.Size);
    put(4, h.Width);
    put(8, h.Height);
    put(12, h.Planes);
    put(14, h.Bits);
    put(16, h.Compression);
    put(32, h.ColorsUsed);
    return b;
}

bool operator==(const DibLayout& a, const DibLayout& b)
{
    return a.Width == b.Width && a.Height == b.Height && a.BitCount == b.BitCount && a.ColorCount == b.ColorCount &&
           a.InfoSize == b.InfoSize && a.ImageSize == b.ImageSize;
}

}  // namespace

TEST(DibLayout, SizesOfSoundHeaders)
{
    const struct {
        Header In;
        DibLayout Out;
    } cases[] = {
        {{10, 10, 8}, {10, 10, 8, 256, 1064, 120}},
        {{33, 3, 1}, {33, 3, 1, 2, 48, 24}},
        {{3, -2, 24}, {3, -2, 24, 0, 40, 24}},
        {{4, 2, 4, 3}, {4, 2, 4, 3, 52, 8}},
        {{5, 1, 16, 7}, {5, 1, 16, 7, 68, 12}},
        {{bmpfile::MaxSide, 1, 32}, {bmpfile::MaxSide, 1, 32, 0, 40, 4 * bmpfile::MaxSide}},
        {{8192, -8192, 32}, {8192, -8192, 32, 0, 40, 256 << 20}},  // the most pixels a bitmap holds
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.In.Width << " x " << c.In.Height << " x " << c.In.Bits);
        const std::vector<uint8_t> info = Info(c.In);
        const size_t infoSize = static_cast<size_t>(c.Out.InfoSize), imageSize = static_cast<size_t>(c.Out.ImageSize);
        const std::optional<DibLayout> layout = CheckDibLayout(info.data(), infoSize, imageSize);
        ASSERT_TRUE(layout);
        EXPECT_TRUE(*layout == c.Out) << layout->ColorCount << " colours, " << layout->InfoSize << " + "
                                      << layout->ImageSize << " bytes";
        // Blocks a byte short of that are refused.
        EXPECT_FALSE(CheckDibLayout(info.data(), infoSize - 1, imageSize));
        EXPECT_FALSE(CheckDibLayout(info.data(), infoSize, imageSize - 1));
    }
}

TEST(DibLayout, RefusedHeadersWhateverTheBlocksHold)
{
    const Header cases[] = {
        {.Size = 12},
        {.Planes = 2},
        {.Bits = 7},
        {.Compression = 1},
        {.Bits = 8, .ColorsUsed = 257},
        {.Bits = 4, .ColorsUsed = 17},
        {.Bits = 24, .ColorsUsed = 257},
        {.Width = 0},
        {.Width = -1},
        {.Height = 0},
        {.Width = bmpfile::MaxSide + 1, .Height = 1},
        {.Width = 1, .Height = -(bmpfile::MaxSide + 1)},
        {.Width = 8193, .Height = 8193, .Bits = 1},  // more pixels than a bitmap holds, in 8 MB
        {.Width = 1761607634, .Height = INT_MIN, .Bits = 24},  // found by fuzzing: products past 64 bits
        {.Width = INT_MAX, .Height = INT_MAX, .Bits = 32},
        {.Width = 1, .Height = INT_MIN},
    };
    for (const Header& h : cases) {
        SCOPED_TRACE(testing::Message() << h.Width << " x " << h.Height << " x " << h.Bits << ", header " << h.Size
                                        << ", " << h.ColorsUsed << " colours");
        const std::vector<uint8_t> info = Info(h);
        EXPECT_FALSE(CheckDibLayout(info.data(), info.size(), SIZE_MAX));
    }
    EXPECT_FALSE(CheckDibLayout(nullptr, 40, 100));
    EXPECT_FALSE(CheckDibLayout(Info({}).data(), 39, SIZE_MAX));
}
