#pragma once
// The layout of a device-independent bitmap that a plug-in hands back, checked once. The
// header's values come from outside, so every size is worked out here, after the sides are
// bounded, and the rest of the host reads this result instead of the header.
#include <cstddef>
#include <cstdint>
#include <optional>

namespace kova {

struct DibLayout {
    int32_t Width = 0;
    int32_t Height = 0;  // as stored: negative for top-down rows
    int32_t BitCount = 0;
    int32_t ColorCount = 0;  // colour-table entries, 0 for direct colour without a table
    int32_t InfoSize = 0;    // header and colour table
    int32_t ImageSize = 0;   // pixel rows
};

constexpr size_t kDibHeaderSize = 40;

// The layout when the header is sound and both blocks hold what it describes: header size
// 40, one plane, 1, 4, 8, 16, 24 or 32 bits, no compression, a colour count the depth
// allows, and a size within the limits of our own bitmaps (bmpfile::MaxSide, MaxPixels).
// Nothing otherwise.
std::optional<DibLayout> CheckDibLayout(const uint8_t* info, size_t infoBytes, size_t pixelBytes);

}  // namespace kova
