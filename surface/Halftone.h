#pragma once
// Our own 256-colour halftone palette and the 32-to-8-bit mapping onto it: deterministic
// and table-driven, so a reduced image has the same pixels everywhere. No Windows API.
#include <array>
#include <cstdint>

#include "surface/BmpFile.h"

namespace kova::halftone {

const std::array<bmpfile::Rgbq, 256>& Palette();

// Palette index for a colour.
uint8_t IndexOf(uint8_t r, uint8_t g, uint8_t b);

// Maps width 32-bit pixels (blue, green, red, unused) to palette indices.
void MapRow(const uint8_t* src32, uint8_t* dst8, int width);

}  // namespace kova::halftone
