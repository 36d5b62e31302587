#pragma once
// The size of a PNG or JPEG picture, read from its first bytes without decoding it. Under
// Wine the platform's decoders decode the whole picture as soon as they are opened; this is
// what lets the plug-in answer GetPictureInfo cheaply and refuse an oversized picture before
// anything decodes it. No Windows API here.
#include <cstddef>
#include <cstdint>
#include <optional>

namespace kova::ifwic {

struct PictureHead {
    int64_t Width = 0;
    int64_t Height = 0;
    std::optional<bool> Alpha;  // unknown when the bytes end before it is decided
};

// nullopt when the bytes are neither format or end before the size.
std::optional<PictureHead> ReadPictureHead(const uint8_t* data, size_t size);

// Beyond what the host's bitmap takes.
bool Oversized(int64_t width, int64_t height);

}  // namespace kova::ifwic
