#include "plugins/ifwic/PictureHead.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "surface/BmpFile.h"

namespace kova::ifwic {

namespace {

uint32_t BigEndian32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint32_t BigEndian16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }
uint32_t LittleEndian16(const uint8_t* p) { return uint32_t(p[1]) << 8 | p[0]; }

// Exactly count bytes at offset, or false.
bool ReadExactly(const ReadAt& read, uint64_t offset, uint8_t* buffer, size_t count)
{
    return read(offset, buffer, count) == count;
}

// Colour types 4 and 6 carry alpha; the others have it only with a tRNS chunk before the data.
std::optional<PictureHead> ReadPng(const ReadAt& read)
{
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    uint8_t h[33];
    if (!ReadExactly(read, 0, h, sizeof h) || std::memcmp(h, signature, 8) != 0 || std::memcmp(h + 12, "IHDR", 4) != 0)
        return std::nullopt;
    PictureHead head{BigEndian32(h + 16), BigEndian32(h + 20), std::nullopt};
    if (h[25] == 4 || h[25] == 6) {
        head.Alpha = true;
        return head;
    }
    uint64_t at = 33;
    for (int walked = 0; walked < MaxWalk; ++walked) {
        uint8_t chunk[8];
        if (!ReadExactly(read, at, chunk, sizeof chunk))
            break;
        if (std::memcmp(chunk + 4, "tRNS", 4) == 0 || std::memcmp(chunk + 4, "IDAT", 4) == 0) {
            head.Alpha = std::memcmp(chunk + 4, "tRNS", 4) == 0;
            break;
        }
        at += 12 + uint64_t{BigEndian32(chunk)};
    }
    return head;
}

bool IsStartOfFrame(uint8_t marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Walks the marker segments up to the first start of frame.
std::optional<PictureHead> ReadJpeg(const ReadAt& read)
{
    uint8_t w[16];
    if (!ReadExactly(read, 0, w, 2) || w[0] != 0xFF || w[1] != 0xD8)
        return std::nullopt;
    uint64_t at = 2;
    for (int walked = 0; walked < MaxWalk; ++walked) {
        const size_t got = read(at, w, sizeof w);
        if (got < 2 || w[0] != 0xFF)
            break;
        size_t k = 1;
        while (k < got && w[k] == 0xFF)
            ++k;
        if (k == got) {
            at += k - 1;  // fill bytes only: the next window starts at the last of them
            continue;
        }
        const uint8_t marker = w[k];
        at += k + 1;
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01)
            continue;
        uint8_t s[7];
        if (marker == 0xD9 || marker == 0xDA || !ReadExactly(read, at, s, 2))
            break;
        if (IsStartOfFrame(marker)) {
            // A height of 0 is given later, in a DNL segment.
            if (!ReadExactly(read, at, s, sizeof s) || BigEndian16(s + 3) == 0)
                break;
            return PictureHead{BigEndian16(s + 5), BigEndian16(s + 3), false};
        }
        if (BigEndian16(s) < 2)
            break;
        at += BigEndian16(s);
    }
    return std::nullopt;
}

// The logical screen's size; alpha when the first image's graphic control extension names a
// transparent colour.
std::optional<PictureHead> ReadGif(const ReadAt& read)
{
    uint8_t h[13];
    if (!ReadExactly(read, 0, h, sizeof h) || (std::memcmp(h, "GIF87a", 6) != 0 && std::memcmp(h, "GIF89a", 6) != 0))
        return std::nullopt;
    PictureHead head{LittleEndian16(h + 6), LittleEndian16(h + 8), std::nullopt};
    uint64_t at = 13 + ((h[10] & 0x80) ? 3u << ((h[10] & 7) + 1) : 0u);
    bool transparent = false;
    for (int walked = 0; walked < MaxWalk; ++walked) {
        uint8_t b[6];
        if (!ReadExactly(read, at, b, 1) || (b[0] != 0x2C && b[0] != 0x21))
            break;
        if (b[0] == 0x2C) {
            head.Alpha = transparent;
            break;
        }
        if (!ReadExactly(read, at + 1, b, 1))
            break;
        if (b[0] == 0xF9 && ReadExactly(read, at + 2, b, 2))
            transparent = b[1] & 1;
        // The extension's sub-blocks, each led by its size, up to an empty one.
        at += 2;
        while (++walked < MaxWalk && ReadExactly(read, at, b, 1) && b[0] != 0)
            at += 1 + uint64_t{b[0]};
        ++at;
    }
    return head;
}

// The first image's size; alpha when its first extra sample is associated or unassociated alpha.
std::optional<PictureHead> ReadTiff(const ReadAt& read)
{
    uint8_t h[8];
    if (!ReadExactly(read, 0, h, sizeof h) ||
        (std::memcmp(h, "II*\0", 4) != 0 && std::memcmp(h, "MM\0*", 4) != 0))
        return std::nullopt;
    const bool big = h[0] == 'M';
    auto u16 = [big](const uint8_t* p) { return big ? BigEndian16(p) : LittleEndian16(p); };
    auto u32 = [big, u16](const uint8_t* p) {
        return big ? BigEndian32(p) : uint32_t(u16(p + 2)) << 16 | u16(p);
    };
    const uint64_t directory = u32(h + 4);
    uint8_t n[2];
    if (!ReadExactly(read, directory, n, 2))
        return std::nullopt;
    const size_t count = std::min<size_t>(u16(n), MaxWalk);
    std::vector<uint8_t> entries(count * 12);
    // A directory of no entries gives no size.
    if (count == 0 || !ReadExactly(read, directory + 2, entries.data(), entries.size()))
        return std::nullopt;
    PictureHead head{0, 0, false};
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* e = &entries[i * 12];
        const uint32_t tag = u16(e), type = u16(e + 2), values = u32(e + 4);
        const uint32_t value = type == 3 ? u16(e + 8) : u32(e + 8);
        if (tag == 256 || tag == 257) {
            (tag == 256 ? head.Width : head.Height) = value;
        } else if (tag == 338 && type == 3 && values > 0) {
            uint8_t first[2] = {e[8], e[9]};
            // More than two samples do not fit in the entry: they lie at its offset.
            if (values > 2 && !ReadExactly(read, u32(e + 8), first, 2))
                return std::nullopt;
            head.Alpha = u16(first) == 1 || u16(first) == 2;
        }
    }
    if (head.Width == 0 || head.Height == 0)
        return std::nullopt;
    return head;
}

}  // namespace

std::optional<PictureHead> ReadPictureHead(const ReadAt& read)
{
    for (auto reader : {ReadPng, ReadJpeg, ReadGif, ReadTiff})
        if (auto head = reader(read))
            return head;
    return std::nullopt;
}

std::optional<PictureHead> ReadPictureHead(const uint8_t* data, size_t size)
{
    return ReadPictureHead([data, size](uint64_t offset, uint8_t* buffer, size_t count) -> size_t {
        if (offset >= size)
            return 0;
        const size_t n = std::min<uint64_t>(count, size - offset);
        std::memcpy(buffer, data + offset, n);
        return n;
    });
}

bool Oversized(int64_t width, int64_t height)
{
    return width > bmpfile::MaxSide || height > bmpfile::MaxSide || width * height > bmpfile::MaxPixels;
}

}  // namespace kova::ifwic
