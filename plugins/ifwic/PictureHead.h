#pragma once
// The size of a PNG, JPEG, GIF or TIFF picture, read from its header without decoding it.
// Under Wine the platform's decoders decode the whole picture as soon as they are opened;
// this is what lets the plug-in answer GetPictureInfo cheaply and refuse an oversized picture
// before anything decodes it. No Windows API here.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

namespace kova::ifwic {

struct PictureHead {
    int64_t Width = 0;
    int64_t Height = 0;
    std::optional<bool> Alpha;  // unknown when the data ends, or the walk stops, before it is decided
};

// Reads up to count bytes at offset into buffer; returns how many it read.
using ReadAt = std::function<size_t(uint64_t offset, uint8_t* buffer, size_t count)>;

// Chunks, segments, blocks or directory entries walked at most: a file of many tiny ones
// must not hold a load up.
constexpr int MaxWalk = 4096;

// nullopt when the data is none of the four formats or ends before the size.
std::optional<PictureHead> ReadPictureHead(const ReadAt& read);
std::optional<PictureHead> ReadPictureHead(const uint8_t* data, size_t size);

// Beyond what the host's bitmap takes.
bool Oversized(int64_t width, int64_t height);

}  // namespace kova::ifwic
