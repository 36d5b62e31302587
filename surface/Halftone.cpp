#include "surface/Halftone.h"

#include <vector>

namespace kova::halftone {

namespace {

using bmpfile::Rgbq;

constexpr Rgbq Rgb(int r, int g, int b)
{
    return Rgbq{static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r), 0};
}

// The twenty static colours of the Windows system palette, at both ends.
constexpr Rgbq LowStatics[10] = {Rgb(0, 0, 0),       Rgb(128, 0, 0),     Rgb(0, 128, 0),   Rgb(128, 128, 0),
                                 Rgb(0, 0, 128),     Rgb(128, 0, 128),   Rgb(0, 128, 128), Rgb(192, 192, 192),
                                 Rgb(192, 220, 192), Rgb(166, 202, 240)};
constexpr Rgbq HighStatics[10] = {Rgb(255, 251, 240), Rgb(160, 160, 164), Rgb(128, 128, 128), Rgb(255, 0, 0),
                                  Rgb(0, 255, 0),     Rgb(255, 255, 0),   Rgb(0, 0, 255),     Rgb(255, 0, 255),
                                  Rgb(0, 255, 255),   Rgb(255, 255, 255)};

// Greys between those of the statics and the cube (0, 51, 102, 128, 153, 192, 204, 255),
// so that anti-aliased edges of black text on white stay neutral.
constexpr uint8_t Greys[28] = {9,   17,  26,  34,  43,  58,  66,  73,  80,  87,  95,  108, 115, 121,
                               134, 140, 147, 160, 166, 173, 179, 186, 198, 213, 221, 230, 238, 247};

constexpr int CubeLevel = 51;
constexpr int LutBits = 6;
constexpr int LutShift = 8 - LutBits;
constexpr int LutSide = 1 << LutBits;

bool IsCorner(int r, int g, int b)
{
    auto end = [](int v) { return v == 0 || v == 5; };
    return end(r) && end(g) && end(b);
}

std::array<Rgbq, 256> MakePalette()
{
    std::array<Rgbq, 256> pal{};
    int n = 0;
    for (const Rgbq& c : LowStatics)
        pal[n++] = c;
    // The cube's corners are statics already; leaving them out keeps every entry distinct.
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                if (!IsCorner(r, g, b))
                    pal[n++] = Rgb(r * CubeLevel, g * CubeLevel, b * CubeLevel);
    for (uint8_t v : Greys)
        pal[n++] = Rgb(v, v, v);
    for (const Rgbq& c : HighStatics)
        pal[n++] = c;
    return pal;
}

bool OnCube(const Rgbq& c) { return c.r % CubeLevel == 0 && c.g % CubeLevel == 0 && c.b % CubeLevel == 0; }

// Coordinates are doubled so that the centre of a table cell is a whole number.
struct Point {
    int r, g, b;
};

Point CellCentre(int qr, int qg, int qb)
{
    auto centre = [](int q) { return (q << (LutShift + 1)) + (1 << LutShift) - 1; };
    return {centre(qr), centre(qg), centre(qb)};
}

int Distance(const Rgbq& c, const Point& p)
{
    const int dr = p.r - 2 * c.r, dg = p.g - 2 * c.g, db = p.b - 2 * c.b;
    return dr * dr + dg * dg + db * db;
}

// Nearest cube level to a doubled coordinate; a tie goes to the lower level.
int CubeStep(int v) { return (v + CubeLevel - 1) / (2 * CubeLevel); }

uint8_t Closest(const std::array<Rgbq, 256>& pal, const Point& p, uint8_t first, const std::vector<uint8_t>& rest)
{
    uint8_t best = first;
    int bestDistance = Distance(pal[first], p);
    for (uint8_t i : rest) {
        const int d = Distance(pal[i], p);
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

// Each cell maps to the entry nearest its centre by squared distance. The cube is a grid,
// so its nearest point is found per channel and only the other entries are searched.
std::vector<uint8_t> MakeLut()
{
    const auto& pal = Palette();
    std::vector<uint8_t> offCube;
    uint8_t cube[6][6][6];
    for (int i = 0; i < 256; ++i) {
        const Rgbq& c = pal[i];
        if (OnCube(c))
            cube[c.r / CubeLevel][c.g / CubeLevel][c.b / CubeLevel] = static_cast<uint8_t>(i);
        else
            offCube.push_back(static_cast<uint8_t>(i));
    }
    std::vector<uint8_t> lut(LutSide * LutSide * LutSide);
    for (int r = 0; r < LutSide; ++r)
        for (int g = 0; g < LutSide; ++g)
            for (int b = 0; b < LutSide; ++b) {
                const Point p = CellCentre(r, g, b);
                lut[(r * LutSide + g) * LutSide + b] =
                    Closest(pal, p, cube[CubeStep(p.r)][CubeStep(p.g)][CubeStep(p.b)], offCube);
            }
    return lut;
}

const uint8_t* Lut()
{
    static const std::vector<uint8_t> lut = MakeLut();
    return lut.data();
}

inline uint8_t Lookup(const uint8_t* lut, uint8_t r, uint8_t g, uint8_t b)
{
    return lut[((r >> LutShift) * LutSide + (g >> LutShift)) * LutSide + (b >> LutShift)];
}

}  // namespace

const std::array<bmpfile::Rgbq, 256>& Palette()
{
    static const std::array<Rgbq, 256> palette = MakePalette();
    return palette;
}

uint8_t IndexOf(uint8_t r, uint8_t g, uint8_t b) { return Lookup(Lut(), r, g, b); }

void MapRow(const uint8_t* src32, uint8_t* dst8, int width)
{
    const uint8_t* lut = Lut();
    for (int x = 0; x < width; ++x, src32 += 4)
        dst8[x] = Lookup(lut, src32[2], src32[1], src32[0]);
}

}  // namespace kova::halftone
