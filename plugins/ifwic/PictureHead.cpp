#include "plugins/ifwic/PictureHead.h"

#include <cstring>

#include "surface/BmpFile.h"

namespace kova::ifwic {

namespace {

uint32_t BigEndian32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint32_t BigEndian16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }

// Colour types 4 and 6 carry alpha; the others have it only with a tRNS chunk before the data.
std::optional<PictureHead> ReadPng(const uint8_t* data, size_t size)
{
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (size < 33 || std::memcmp(data, signature, 8) != 0 || std::memcmp(data + 12, "IHDR", 4) != 0)
        return std::nullopt;
    PictureHead head{BigEndian32(data + 16), BigEndian32(data + 20), std::nullopt};
    const uint8_t colourType = data[25];
    if (colourType == 4 || colourType == 6) {
        head.Alpha = true;
        return head;
    }
    for (size_t at = 33; at + 12 <= size;) {
        const uint8_t* chunk = data + at + 4;
        if (std::memcmp(chunk, "tRNS", 4) == 0 || std::memcmp(chunk, "IDAT", 4) == 0) {
            head.Alpha = std::memcmp(chunk, "tRNS", 4) == 0;
            break;
        }
        const uint32_t length = BigEndian32(data + at);
        if (length > size - at - 12)
            break;
        at += 12 + size_t{length};
    }
    return head;
}

bool IsStartOfFrame(uint8_t marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Walks the marker segments up to the first start of frame.
std::optional<PictureHead> ReadJpeg(const uint8_t* data, size_t size)
{
    if (size < 3 || data[0] != 0xFF || data[1] != 0xD8)
        return std::nullopt;
    size_t at = 2;
    while (at < size && data[at] == 0xFF) {
        while (at < size && data[at] == 0xFF)
            ++at;
        if (at >= size)
            break;
        const uint8_t marker = data[at++];
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01)
            continue;
        if (marker == 0xD9 || marker == 0xDA || at + 2 > size)
            break;
        const size_t length = BigEndian16(data + at);
        if (IsStartOfFrame(marker)) {
            // A height of 0 is given later, in a DNL segment.
            if (at + 7 > size || BigEndian16(data + at + 3) == 0)
                break;
            return PictureHead{BigEndian16(data + at + 5), BigEndian16(data + at + 3), false};
        }
        if (length < 2)
            break;
        at += length;
    }
    return std::nullopt;
}

}  // namespace

std::optional<PictureHead> ReadPictureHead(const uint8_t* data, size_t size)
{
    if (auto png = ReadPng(data, size))
        return png;
    return ReadJpeg(data, size);
}

bool Oversized(int64_t width, int64_t height)
{
    return width > bmpfile::MaxSide || height > bmpfile::MaxSide || width * height > bmpfile::MaxPixels;
}

}  // namespace kova::ifwic
