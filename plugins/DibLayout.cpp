#include "plugins/DibLayout.h"

#include <cstring>

#include "surface/BmpFile.h"

namespace kova {

namespace {

template <class T>
T Field(const uint8_t* header, size_t offset)
{
    T v;
    std::memcpy(&v, header + offset, sizeof v);
    return v;
}

uint32_t MaxColors(int32_t bits) { return bits <= 8 ? uint32_t{1} << bits : 256; }

bool KnownDepth(int32_t bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

}  // namespace

std::optional<DibLayout> CheckDibLayout(const uint8_t* info, size_t infoBytes, size_t pixelBytes)
{
    if (!info || infoBytes < kDibHeaderSize)
        return std::nullopt;
    const int32_t width = Field<int32_t>(info, 4);
    const int32_t height = Field<int32_t>(info, 8);
    const int32_t bits = Field<uint16_t>(info, 14);
    const uint32_t colorsUsed = Field<uint32_t>(info, 32);
    if (Field<uint32_t>(info, 0) != kDibHeaderSize || Field<uint16_t>(info, 12) != 1 || !KnownDepth(bits) ||
        Field<uint32_t>(info, 16) != 0 || colorsUsed > MaxColors(bits))
        return std::nullopt;
    // The sides are bounded before anything is multiplied, so no product below can overflow.
    const int64_t rows = height < 0 ? -int64_t{height} : int64_t{height};
    if (width < 1 || width > bmpfile::MaxSide || rows < 1 || rows > bmpfile::MaxSide ||
        width * rows > bmpfile::MaxPixels)
        return std::nullopt;

    DibLayout d;
    d.Width = width;
    d.Height = height;
    d.BitCount = bits;
    d.ColorCount = static_cast<int32_t>(colorsUsed != 0 ? colorsUsed : bits <= 8 ? MaxColors(bits) : 0);
    d.InfoSize = static_cast<int32_t>(kDibHeaderSize) + 4 * d.ColorCount;
    const int64_t imageSize = int64_t{bmpfile::RowBytes(width, bits)} * rows;
    if (infoBytes < static_cast<size_t>(d.InfoSize) || pixelBytes < static_cast<uint64_t>(imageSize))
        return std::nullopt;
    d.ImageSize = static_cast<int32_t>(imageSize);
    return d;
}

}  // namespace kova
