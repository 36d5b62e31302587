#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>
#include <vector>

#include "surface/Halftone.h"

using namespace kova;
using bmpfile::Rgbq;

namespace {

const Rgbq& Mapped(int r, int g, int b) { return halftone::Palette()[halftone::IndexOf(r, g, b)]; }

int Distance(const Rgbq& c, int r, int g, int b)
{
    return (c.r - r) * (c.r - r) + (c.g - g) * (c.g - g) + (c.b - b) * (c.b - b);
}

TEST(Halftone, EntriesAreDistinctAndMapToThemselves)
{
    const auto& pal = halftone::Palette();
    EXPECT_EQ((Rgbq{0, 0, 0, 0}), pal[0]);
    EXPECT_EQ((Rgbq{255, 255, 255, 0}), pal[255]);
    std::set<std::tuple<int, int, int>> seen;
    for (int i = 0; i < 256; ++i) {
        const Rgbq& c = pal[i];
        EXPECT_TRUE(seen.insert({c.r, c.g, c.b}).second) << "entry " << i << " repeats an earlier one";
        EXPECT_EQ(0, c.reserved);
        EXPECT_EQ(i, halftone::IndexOf(c.r, c.g, c.b)) << "entry " << i;
    }
}

TEST(Halftone, GreysStayNeutralAndClose)
{
    EXPECT_EQ(0, halftone::IndexOf(1, 2, 1));
    EXPECT_EQ(255, halftone::IndexOf(254, 253, 255));
    for (int v = 0; v < 256; ++v) {
        const Rgbq& c = Mapped(v, v, v);
        EXPECT_TRUE(c.r == c.g && c.g == c.b) << "grey " << v << " maps to " << int(c.r) << "," << int(c.g) << ","
                                             << int(c.b);
        EXPECT_LE(std::abs(c.r - v), 8) << "grey " << v;
    }
}

// Colours are looked up by cells of 4 levels a channel, so the chosen entry may be further
// than the nearest one, by at most the cell's diagonal.
TEST(Halftone, MappingIsNearlyNearest)
{
    const double slack = 2 * std::sqrt(3.0) * 1.5 + 1e-9;
    for (int r = 1; r < 256; r += 6)
        for (int g = 0; g < 256; g += 5)
            for (int b = 2; b < 256; b += 7) {
                int best = INT32_MAX;
                for (const Rgbq& c : halftone::Palette())
                    best = std::min(best, Distance(c, r, g, b));
                ASSERT_LE(std::sqrt(Distance(Mapped(r, g, b), r, g, b)), std::sqrt(best) + slack)
                    << r << "," << g << "," << b;
            }
}

TEST(Halftone, TableIsTheSameEverywhere)
{
    // FNV-1a over one colour of every cell: any change of palette or mapping shows here.
    uint32_t hash = 2166136261u;
    for (int r = 0; r < 256; r += 4)
        for (int g = 0; g < 256; g += 4)
            for (int b = 0; b < 256; b += 4)
                hash = (hash ^ halftone::IndexOf(r, g, b)) * 16777619u;
    EXPECT_EQ(0xC3476E33u, hash);
    EXPECT_EQ(halftone::IndexOf(200, 10, 60), halftone::IndexOf(203, 11, 63));
    EXPECT_EQ((Rgbq{51, 0, 204, 0}), Mapped(200, 10, 60));
}

TEST(Halftone, MapRowReadsBlueGreenRed)
{
    const std::vector<uint8_t> row = {255, 0, 0, 0, 0, 0, 255, 0, 128, 128, 128, 77, 9, 9, 9, 9};
    std::vector<uint8_t> out(5, 0xAA);
    halftone::MapRow(row.data(), out.data(), 4);
    EXPECT_EQ((Rgbq{255, 0, 0, 0}), halftone::Palette()[out[0]]);
    EXPECT_EQ((Rgbq{0, 0, 255, 0}), halftone::Palette()[out[1]]);
    EXPECT_EQ((Rgbq{128, 128, 128, 0}), halftone::Palette()[out[2]]);  // the fourth byte is ignored
    EXPECT_EQ(halftone::IndexOf(9, 9, 9), out[3]);
    EXPECT_EQ(0xAA, out[4]);
}

}  // namespace
