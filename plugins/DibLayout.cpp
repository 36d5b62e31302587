#include "plugins/DibLayout.h"

#include <cstring>

namespace kova {

namespace {

constexpr int64_t kMaxImageBytes = int64_t{1} << 30;

template <class T>
T Field(const uint8_t* header, size_t offset)
{
    T v;
    std::memcpy(&v, header + offset, sizeof v);
    return v;
}

int64_t MaxColors(int32_t bits) { return bits <= 8 ? int64_t{1} << bits : 256; }

bool KnownDepth(int32_t bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

}  // namespace

DibLayout ReadDibLayout(const uint8_t* header)
{
    DibLayout d;
    d.Width = Field<int32_t>(header, 4);
    d.Height = Field<int32_t>(header, 8);
    d.BitCount = Field<uint16_t>(header, 14);
    d.ColorCount = static_cast<int32_t>(Field<uint32_t>(header, 32));
    const int32_t rows = d.Height < 0 ? -d.Height : d.Height;
    d.ImageSize = ((d.Width * d.BitCount + 31) / 32) * 4 * rows;
    if (d.ColorCount == 0 && (d.BitCount == 1 || d.BitCount == 4 || d.BitCount == 8))
        d.ColorCount = 1 << d.BitCount;
    d.InfoSize = 40 + 4 * d.ColorCount;
    return d;
}

bool DibIsSound(const uint8_t* info, size_t infoBytes, size_t pixelBytes)
{
    if (!info || infoBytes < kDibHeaderSize)
        return false;
    const int64_t width = Field<int32_t>(info, 4);
    const int64_t height = Field<int32_t>(info, 8);
    const int32_t bits = Field<uint16_t>(info, 14);
    const int64_t colors = Field<uint32_t>(info, 32);
    if (Field<uint32_t>(info, 0) != kDibHeaderSize || Field<uint16_t>(info, 12) != 1 || !KnownDepth(bits) ||
        Field<uint32_t>(info, 16) != 0 || colors > MaxColors(bits) || width < 1 || height == 0)
        return false;
    const int64_t rows = height < 0 ? -height : height;
    const int64_t rowBytes = (width * bits + 31) / 32 * 4;
    if (rowBytes * rows > kMaxImageBytes || width * rows * 4 > kMaxImageBytes)
        return false;
    const int64_t tableEntries = colors ? colors : (bits <= 8 ? MaxColors(bits) : 0);
    return static_cast<int64_t>(infoBytes) >= 40 + 4 * tableEntries &&
           static_cast<int64_t>(pixelBytes) >= rowBytes * rows;
}

}  // namespace kova
