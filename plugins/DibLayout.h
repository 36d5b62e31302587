#pragma once
// The layout of a device-independent bitmap that a plug-in hands back, read from its
// 40-byte header, and the checks that decide whether the plug-in's answer can be used.
#include <cstddef>
#include <cstdint>

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

// The layout of a header of at least 40 bytes, without checks.
DibLayout ReadDibLayout(const uint8_t* header);

// True when the header is sound and both blocks hold what it describes: header size 40,
// one plane, 1, 4, 8, 16, 24 or 32 bits, no compression, a colour count the depth allows,
// width at least 1, height not 0, and an image whose rows, and whose copy at 32 bits per
// pixel, stay within 1 GiB.
bool DibIsSound(const uint8_t* info, size_t infoBytes, size_t pixelBytes);

}  // namespace kova
