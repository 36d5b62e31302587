#pragma once
// The Windows bitmap file format: reader and writer. No Windows API here, so this can
// also be built natively (sanitizers, fuzzing).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "base/Streams.h"

namespace kova::bmpfile {

// Same layout as RGBQUAD.
struct Rgbq {
    uint8_t b = 0, g = 0, r = 0, reserved = 0;
    bool operator==(const Rgbq&) const = default;
};

// Bytes of one DIB row: rows are padded to whole 32-bit words.
int RowBytes(int width, int bitsPerPixel);

// A decoded picture. Files of 1 to 8 bits per pixel decode to 8 bits per pixel with their
// colour table; all others (16, 24, 32, bit fields) to 32 bits per pixel: blue, green,
// red and a fourth byte of 0.
struct Image {
    int32_t Width = 0;
    int32_t Height = 0;
    int BitsPerPixel = 32;        // 8 or 32
    std::vector<Rgbq> Palette;    // 8 bits per pixel: at most 256 entries
    std::vector<uint8_t> Pixels;  // top-down rows of RowBytes(Width, BitsPerPixel)
    const uint8_t* Row(int y) const { return Pixels.data() + static_cast<size_t>(y) * RowBytes(Width, BitsPerPixel); }
};

// Largest picture the reader accepts, in pixels; beyond it a file counts as malformed.
constexpr int64_t MaxPixels = 64 * 1024 * 1024;
constexpr int32_t MaxSide = 32768;

// Decodes a whole file (starting with its BITMAPFILEHEADER). Raises EInvalidGraphic for
// anything truncated, inconsistent or absurd; never reads outside data.
Image Decode(const uint8_t* data, size_t size);

// The same in two steps, for a caller that owns the pixel memory (a DIB section): the
// picture's size, depth and palette, with no pixels, from the checked headers; then the
// pixels into rows of RowBytes(Width, BitsPerPixel) bytes, row y from the top at
// top + y * stride (negative for bottom-up memory). A failure may leave rows half written.
Image DecodeHeader(const uint8_t* data, size_t size);
void DecodePixels(const uint8_t* data, size_t size, uint8_t* top, ptrdiff_t stride);

// Where the pixel array of an uncompressed file ends; what follows is not the picture's.
// Run-length pixels end with their own code, so for them this is the file's size.
size_t PixelEnd(const uint8_t* data, size_t size);

// Writes a bitmap file: file header, BITMAPINFOHEADER, colour table, bottom-up rows.
// rowAt(y) returns row y counted from the top, RowBytes(width, bitsPerPixel) bytes.
void Encode(TStream& out, int width, int height, int bitsPerPixel, const Rgbq* palette, int paletteCount,
            const std::function<const uint8_t*(int y)>& rowAt);

}  // namespace kova::bmpfile
