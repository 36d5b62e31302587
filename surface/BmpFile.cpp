#include "surface/BmpFile.h"

#include <algorithm>
#include <cstring>

#include "base/Exceptions.h"

namespace kova::bmpfile {

namespace {

constexpr uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3;
constexpr size_t FileHeaderSize = 14;
constexpr uint32_t CoreHeaderSize = 12;
constexpr uint32_t InfoHeaderSize = 40;

[[noreturn]] void Invalid() { throw EInvalidGraphic("ビットマップが無効です"); }

// Little-endian reads from a buffer whose bounds were checked by the caller.
uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

// One colour channel of a bit-field pixel, scaled to 8 bits with rounding.
struct Channel {
    uint32_t Mask = 0;
    int Shift = 0;
    uint64_t Max = 0;

    uint8_t Scale(uint32_t pixel) const
    {
        if (Max == 0)
            return 0;
        return static_cast<uint8_t>((uint64_t{(pixel & Mask) >> Shift} * 255 + Max / 2) / Max);
    }
};

Channel MakeChannel(uint32_t mask)
{
    Channel c;
    if (mask == 0)
        return c;
    while (!(mask >> c.Shift & 1))
        ++c.Shift;
    const uint64_t bits = mask >> c.Shift;
    if (bits & (bits + 1))
        Invalid();  // not one contiguous run of bits
    c.Mask = mask;
    c.Max = bits;
    return c;
}

struct Layout {
    int32_t Width = 0;
    int32_t Height = 0;  // always positive
    bool TopDown = false;
    int Bits = 0;
    uint32_t Compression = BI_RGB;
    Channel Channels[3];  // red, green, blue
    size_t TableOffset = 0;
    size_t TableEntries = 0;  // entries in the file; the palette keeps at most 1 << Bits
    size_t EntrySize = 4;
    size_t PixelOffset = 0;
};

bool RunLength(const Layout& l) { return l.Compression == BI_RLE8 || l.Compression == BI_RLE4; }

bool KnownHeaderSize(uint32_t size)
{
    return size == CoreHeaderSize || size == InfoHeaderSize || size == 52 || size == 56 || size == 108 ||
           size == 124;
}

bool BitsAllowed(int bits, uint32_t compression)
{
    switch (compression) {
    case BI_RGB:
        return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    case BI_RLE8:
        return bits == 8;
    case BI_RLE4:
        return bits == 4;
    case BI_BITFIELDS:
        return bits == 16 || bits == 32;
    default:
        return false;
    }
}

void CheckDimensions(int64_t width, int64_t height)
{
    if (width < 1 || height < 1 || width > MaxSide || height > MaxSide || width * height > MaxPixels)
        Invalid();
}

void SetMasks(Layout& l, const uint32_t (&masks)[3])
{
    for (int i = 0; i < 3; ++i)
        l.Channels[i] = MakeChannel(masks[i]);
}

Layout ReadLayout(const uint8_t* data, size_t size)
{
    if (size < FileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M')
        Invalid();
    const uint32_t offBits = Get32(data + 10);
    const uint32_t headerSize = Get32(data + 14);
    if (!KnownHeaderSize(headerSize) || size - FileHeaderSize < headerSize)
        Invalid();
    const uint8_t* h = data + FileHeaderSize;

    Layout l;
    int64_t width, height;
    unsigned planes;
    uint32_t colorsUsed = 0;
    if (headerSize == CoreHeaderSize) {
        width = Get16(h + 4);
        height = Get16(h + 6);
        planes = Get16(h + 8);
        l.Bits = Get16(h + 10);
        l.EntrySize = 3;
    } else {
        width = static_cast<int32_t>(Get32(h + 4));
        height = static_cast<int32_t>(Get32(h + 8));
        planes = Get16(h + 12);
        l.Bits = Get16(h + 14);
        l.Compression = Get32(h + 16);
        colorsUsed = Get32(h + 32);
    }
    if (height < 0) {
        l.TopDown = true;
        height = -height;  // INT_MIN becomes 2^31 in 64 bits and fails the side check
    }
    CheckDimensions(width, height);
    if (planes != 1 || !BitsAllowed(l.Bits, l.Compression))
        Invalid();
    if (headerSize == CoreHeaderSize && l.Bits != 1 && l.Bits != 4 && l.Bits != 8 && l.Bits != 24)
        Invalid();
    if (l.TopDown && l.Compression != BI_RGB && l.Compression != BI_BITFIELDS)
        Invalid();
    l.Width = static_cast<int32_t>(width);
    l.Height = static_cast<int32_t>(height);

    uint64_t tableOffset = FileHeaderSize + headerSize;
    if (l.Compression == BI_BITFIELDS) {
        // A plain info header is followed by the three masks; later headers hold them.
        const uint8_t* m = h + InfoHeaderSize;
        if (headerSize == InfoHeaderSize) {
            if (size < tableOffset + 12)
                Invalid();
            tableOffset += 12;
        }
        const uint32_t masks[3] = {Get32(m), Get32(m + 4), Get32(m + 8)};
        if (l.Bits == 16 && (masks[0] | masks[1] | masks[2]) > 0xFFFF)
            Invalid();
        SetMasks(l, masks);
    } else if (l.Bits == 16) {
        SetMasks(l, {0x7C00, 0x03E0, 0x001F});
    }

    const uint64_t entries = l.Bits <= 8 && colorsUsed == 0 ? uint64_t{1} << l.Bits : colorsUsed;
    const uint64_t tableEnd = tableOffset + entries * l.EntrySize;
    if (tableEnd > size)
        Invalid();
    l.TableOffset = static_cast<size_t>(tableOffset);
    l.TableEntries = static_cast<size_t>(entries);
    // Like Windows, an offset of 0 or one inside the headers means right after the table.
    l.PixelOffset = offBits < tableEnd ? static_cast<size_t>(tableEnd) : offBits;
    if (l.PixelOffset > size)
        Invalid();
    // Uncompressed rows must all be in the file, so that a short file claiming a big picture
    // is refused before anyone allocates for it.
    if (!RunLength(l) && static_cast<uint64_t>(RowBytes(l.Width, l.Bits)) * static_cast<uint64_t>(l.Height) >
                          size - l.PixelOffset)
        Invalid();
    return l;
}

std::vector<Rgbq> ReadPalette(const uint8_t* data, const Layout& l)
{
    const size_t count = std::min(l.TableEntries, size_t{1} << l.Bits);
    std::vector<Rgbq> palette(count);
    const uint8_t* p = data + l.TableOffset;
    for (Rgbq& c : palette) {
        c.b = p[0];
        c.g = p[1];
        c.r = p[2];
        p += l.EntrySize;
    }
    return palette;
}

// Maps every possible index onto a palette entry, so that no index can point past it.
struct IndexClamp {
    uint8_t Map[256];
    explicit IndexClamp(size_t paletteSize)
    {
        for (size_t i = 0; i < 256; ++i)
            Map[i] = static_cast<uint8_t>(std::min(i, paletteSize - 1));
    }
};

void ConvertIndexedRow(const uint8_t* src, uint8_t* dst, int width, int bits, const IndexClamp& clamp)
{
    for (int x = 0; x < width; ++x) {
        unsigned v;
        if (bits == 8)
            v = src[x];
        else if (bits == 4)
            v = (src[x >> 1] >> (x & 1 ? 0 : 4)) & 0x0F;
        else
            v = (src[x >> 3] >> (7 - (x & 7))) & 1;
        dst[x] = clamp.Map[v];
    }
}

void ConvertRgbRow(const uint8_t* src, uint8_t* dst, int width, int bytesPerPixel)
{
    for (int x = 0; x < width; ++x, src += bytesPerPixel, dst += 4) {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
        dst[3] = 0;
    }
}

void ConvertMaskedRow(const uint8_t* src, uint8_t* dst, int width, int bits, const Channel (&channels)[3])
{
    const int step = bits / 8;
    for (int x = 0; x < width; ++x, src += step, dst += 4) {
        const uint32_t pixel = bits == 16 ? Get16(src) : Get32(src);
        dst[0] = channels[2].Scale(pixel);
        dst[1] = channels[1].Scale(pixel);
        dst[2] = channels[0].Scale(pixel);
        dst[3] = 0;
    }
}

// Where decoded rows go: row y from the top at Top + y * Stride.
struct Rows {
    uint8_t* Top;
    ptrdiff_t Stride;
    uint8_t* At(int64_t y) const { return Top + static_cast<ptrdiff_t>(y) * Stride; }
};

void DecodeUncompressed(const uint8_t* data, const Layout& l, size_t paletteSize, const Rows& rows)
{
    const uint64_t srcRowBytes = static_cast<uint64_t>(RowBytes(l.Width, l.Bits));
    const IndexClamp clamp(paletteSize == 0 ? 1 : paletteSize);
    for (int32_t row = 0; row < l.Height; ++row) {
        const uint8_t* src = data + l.PixelOffset + srcRowBytes * static_cast<uint64_t>(row);
        uint8_t* dst = rows.At(l.TopDown ? row : l.Height - 1 - row);
        if (l.Bits <= 8)
            ConvertIndexedRow(src, dst, l.Width, l.Bits, clamp);
        else if (l.Compression == BI_RGB && l.Bits != 16)
            ConvertRgbRow(src, dst, l.Width, l.Bits / 8);
        else
            ConvertMaskedRow(src, dst, l.Width, l.Bits, l.Channels);
    }
}

// Run-length data, bottom-up. Pixels that a run or a delta puts outside the picture are
// dropped, not refused: encoders write runs over the row padding. Running out of data
// before the end-of-bitmap code is an error.
class RleDecoder {
public:
    RleDecoder(const uint8_t* begin, const uint8_t* end, bool fourBits, const Layout& l, size_t paletteSize,
               const Rows& rows)
        : FP(begin), FEnd(end), FFour(fourBits), FWidth(l.Width), FHeight(l.Height), FClamp(paletteSize),
          FRows(rows)
    {
        for (int32_t y = 0; y < FHeight; ++y)
            std::memset(FRows.At(y), 0, static_cast<size_t>(RowBytes(FWidth, 8)));
    }

    void Run()
    {
        for (;;) {
            const uint8_t* code = Take(2);
            if (code[0] > 0) {
                Repeat(code[0], code[1]);
                continue;
            }
            switch (code[1]) {
            case 0:  // end of line
                FX = 0;
                ++FRow;
                break;
            case 1:  // end of bitmap
                return;
            case 2: {  // delta: right and up
                const uint8_t* d = Take(2);
                FX += d[0];
                FRow += d[1];
                break;
            }
            default:
                Absolute(code[1]);
                break;
            }
        }
    }

private:
    const uint8_t* Take(size_t n)
    {
        if (static_cast<size_t>(FEnd - FP) < n)
            Invalid();
        const uint8_t* p = FP;
        FP += n;
        return p;
    }

    void Put(unsigned index)
    {
        if (FX < FWidth && FRow < FHeight)
            FRows.At(FHeight - 1 - FRow)[FX] = FClamp.Map[index];
        ++FX;
    }

    void Repeat(unsigned count, uint8_t value)
    {
        for (unsigned i = 0; i < count; ++i)
            Put(FFour ? (i & 1 ? value & 0x0F : value >> 4) : value);
    }

    // Literal pixels, padded to a whole 16-bit word.
    void Absolute(unsigned count)
    {
        const size_t bytes = FFour ? (count + 1) / 2 : count;
        const uint8_t* p = Take((bytes + 1) & ~size_t{1});
        for (unsigned i = 0; i < count; ++i)
            Put(FFour ? (i & 1 ? p[i / 2] & 0x0F : p[i / 2] >> 4) : p[i]);
    }

    const uint8_t* FP;
    const uint8_t* FEnd;
    bool FFour;
    int32_t FWidth, FHeight;
    IndexClamp FClamp;
    Rows FRows;
    int64_t FX = 0;
    int64_t FRow = 0;  // counted from the bottom
};

void WriteLe(std::vector<uint8_t>& out, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

int RowBytes(int width, int bitsPerPixel)
{
    return static_cast<int>((static_cast<int64_t>(width) * bitsPerPixel + 31) / 32 * 4);
}

Image DecodeHeader(const uint8_t* data, size_t size)
{
    const Layout l = ReadLayout(data, size);
    Image img;
    img.Width = l.Width;
    img.Height = l.Height;
    img.BitsPerPixel = l.Bits <= 8 ? 8 : 32;
    if (l.Bits <= 8)
        img.Palette = ReadPalette(data, l);
    return img;
}

void DecodePixels(const uint8_t* data, size_t size, uint8_t* top, ptrdiff_t stride)
{
    const Layout l = ReadLayout(data, size);
    const size_t paletteSize = l.Bits <= 8 ? std::min(l.TableEntries, size_t{1} << l.Bits) : 0;
    const Rows rows{top, stride};
    if (RunLength(l))
        RleDecoder(data + l.PixelOffset, data + size, l.Compression == BI_RLE4, l, paletteSize, rows).Run();
    else
        DecodeUncompressed(data, l, paletteSize, rows);
}

size_t PixelEnd(const uint8_t* data, size_t size)
{
    const Layout l = ReadLayout(data, size);
    if (RunLength(l))
        return size;
    return l.PixelOffset + static_cast<size_t>(RowBytes(l.Width, l.Bits)) * static_cast<size_t>(l.Height);
}

Image Decode(const uint8_t* data, size_t size)
{
    Image img = DecodeHeader(data, size);
    const size_t rowBytes = static_cast<size_t>(RowBytes(img.Width, img.BitsPerPixel));
    img.Pixels.resize(rowBytes * static_cast<size_t>(img.Height));
    DecodePixels(data, size, img.Pixels.data(), static_cast<ptrdiff_t>(rowBytes));
    return img;
}

void Encode(TStream& out, int width, int height, int bitsPerPixel, const Rgbq* palette, int paletteCount,
            const std::function<const uint8_t*(int y)>& rowAt)
{
    const bool indexed = bitsPerPixel == 8;
    if (width < 1 || height < 1 || (!indexed && bitsPerPixel != 32) ||
        (indexed && (!palette || paletteCount < 1 || paletteCount > 256)))
        Invalid();
    const int colors = indexed ? paletteCount : 0;
    const size_t rowBytes = static_cast<size_t>(RowBytes(width, bitsPerPixel));
    const uint64_t imageBytes = static_cast<uint64_t>(rowBytes) * static_cast<uint64_t>(height);
    const uint64_t offBits = FileHeaderSize + InfoHeaderSize + 4 * static_cast<uint64_t>(colors);
    if (offBits + imageBytes > UINT32_MAX)
        Invalid();

    std::vector<uint8_t> head;
    head.reserve(static_cast<size_t>(offBits));
    head.push_back('B');
    head.push_back('M');
    WriteLe(head, static_cast<uint32_t>(offBits + imageBytes), 4);
    WriteLe(head, 0, 4);
    WriteLe(head, static_cast<uint32_t>(offBits), 4);
    WriteLe(head, InfoHeaderSize, 4);
    WriteLe(head, static_cast<uint32_t>(width), 4);
    WriteLe(head, static_cast<uint32_t>(height), 4);
    WriteLe(head, 1, 2);
    WriteLe(head, static_cast<uint32_t>(bitsPerPixel), 2);
    WriteLe(head, BI_RGB, 4);
    WriteLe(head, static_cast<uint32_t>(imageBytes), 4);
    WriteLe(head, 0, 4);
    WriteLe(head, 0, 4);
    WriteLe(head, static_cast<uint32_t>(colors), 4);
    WriteLe(head, 0, 4);
    for (int i = 0; i < colors; ++i) {
        head.push_back(palette[i].b);
        head.push_back(palette[i].g);
        head.push_back(palette[i].r);
        head.push_back(0);
    }
    out.WriteBuffer(head.data(), static_cast<int64_t>(head.size()));

    // The padding at the end of an 8-bit row is written as zeros, whatever the caller holds.
    std::vector<uint8_t> row(rowBytes, 0);
    const size_t used = static_cast<size_t>(width) * static_cast<size_t>(bitsPerPixel / 8);
    for (int y = height - 1; y >= 0; --y) {
        std::memcpy(row.data(), rowAt(y), used);
        out.WriteBuffer(row.data(), static_cast<int64_t>(row.size()));
    }
}

}  // namespace kova::bmpfile
