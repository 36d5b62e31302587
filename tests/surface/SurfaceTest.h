#pragma once
// Helpers for the drawing-surface tests: tiny 32-bit bitmaps read back through ScanLine.
#include <cstdint>
#include <cstring>
#include <string>

#include "surface/Graphics.h"

namespace kova::test {

// A white 32-bit bitmap.
inline void MakeWhite(TBitmap& b, int width, int height)
{
    b.SetPixelFormat(pf32bit);
    b.SetSize(width, height);
}

// The pixel as it lies in memory: blue, green, red and the unused fourth byte.
inline uint32_t RawPixelAt(TBitmap& b, int x, int y)
{
    uint32_t v;
    std::memcpy(&v, b.ScanLine(y) + 4 * x, 4);
    return v;
}

// 0x00RRGGBB; some GDI operations (alpha icons, inverting copies) also set the fourth byte.
inline uint32_t PixelAt(TBitmap& b, int x, int y) { return RawPixelAt(b, x, y) & 0xFFFFFF; }

inline void PutPixel(TBitmap& b, int x, int y, uint32_t rgb)
{
    std::memcpy(b.ScanLine(y) + 4 * x, &rgb, 4);
}

// Row y as '1' for pixels that are not white and '0' for white ones.
inline std::string Ink(TBitmap& b, int y)
{
    std::string s;
    for (int x = 0; x < b.Width(); ++x)
        s += PixelAt(b, x, y) == 0xFFFFFF ? '0' : '1';
    return s;
}

// The image as a bitmap file. Unlike ScanLine, this does not count as a write.
inline std::string Encoded(TBitmap& b)
{
    TMemoryStream m;
    b.SaveToStream(m);
    return {reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size())};
}

inline std::string TempDir()
{
    char buf[MAX_PATH];
    GetTempPathA(MAX_PATH, buf);
    return buf;
}

// RGB of a COLORREF as it lies in a 32-bit pixel.
inline uint32_t PixelOf(COLORREF c) { return GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c); }

}  // namespace kova::test
