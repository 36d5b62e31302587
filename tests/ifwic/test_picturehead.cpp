// The sizes read from picture headers without a decoder, and the host's limits.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "plugins/ifwic/PictureHead.h"

using namespace kova::ifwic;

namespace {

std::string BigEndian(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

std::string Chunk(const char* type, uint32_t length, const std::string& data = {})
{
    return BigEndian(length) + type + data + std::string(length - data.size(), '\0') + "CRC!";
}

std::string Png(uint32_t width, uint32_t height, char colourType, const std::string& chunks)
{
    return std::string("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", 13, BigEndian(width) + BigEndian(height) + '\x08' + colourType) +
           chunks;
}

std::string Jpeg(const std::string& segments) { return std::string("\xFF\xD8", 2) + segments; }

std::string Segment(uint8_t marker, const std::string& data)
{
    const size_t n = data.size() + 2;
    return std::string{'\xFF', char(marker), char(n >> 8), char(n)} + data;
}

std::string Sof(uint16_t width, uint16_t height)
{
    return Segment(0xC2, std::string{'\x08', char(height >> 8), char(height), char(width >> 8), char(width), '\x03'});
}

TEST(PictureHead, SizesAndAlphaFromTheHeaders)
{
    struct Case {
        const char* What;
        std::string Data;
        int64_t Width, Height;
        int Alpha;  // -1 unknown
    };
    const Case cases[] = {
        {"PNG, RGB, data next", Png(40000, 1, 2, Chunk("IDAT", 1)), 40000, 1, 0},
        {"PNG, RGBA", Png(3, 4, 6, ""), 3, 4, 1},
        {"PNG, palette with transparency", Png(3, 4, 3, Chunk("PLTE", 6) + Chunk("tRNS", 1) + Chunk("IDAT", 1)), 3, 4, 1},
        {"PNG, ends before its data", Png(3, 4, 0, Chunk("PLTE", 6)), 3, 4, -1},
        {"PNG, a chunk length that wraps", Png(3, 4, 2, Chunk("tEXt", 0) + BigEndian(0xFFFFFFF4) + "tEXtCRC!" + Chunk("IDAT", 1)), 3, 4, -1},
        {"JPEG after stand-alone markers and a large segment",
         Jpeg(std::string("\xFF\xFF\xD0", 3) + Segment(0xE1, std::string(60000, 'x')) + Segment(0xC4, "table") + Sof(640, 480)),
         640, 480, 0},
        {"PNG, transparency after 100 KB of text",
         Png(3, 4, 3, Chunk("tEXt", 100000) + Chunk("tRNS", 1) + Chunk("IDAT", 1)), 3, 4, 1},
        {"JPEG, frame after 100 KB of Exif and XMP",
         Jpeg(Segment(0xE1, std::string(60000, 'x')) + Segment(0xE1, std::string(40000, 'x')) + Sof(640, 480)), 640, 480, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const auto head = ReadPictureHead(reinterpret_cast<const uint8_t*>(c.Data.data()), c.Data.size());
        ASSERT_TRUE(head);
        EXPECT_EQ(c.Width, head->Width);
        EXPECT_EQ(c.Height, head->Height);
        EXPECT_EQ(c.Alpha, head->Alpha ? int(*head->Alpha) : -1);
    }
    const std::string unknown[] = {"", Png(3, 4, 2, "").substr(0, 30), Jpeg(Segment(0xE0, "JFIF") + "\xFF\xDA"),
                                   Jpeg(Sof(640, 0)), Jpeg(Sof(640, 480)).substr(0, 9), "GIF89a",
                                   Jpeg(std::string(MaxWalk * 16, '\xFF') + Sof(640, 480))};
    for (const std::string& data : unknown)
        EXPECT_FALSE(ReadPictureHead(reinterpret_cast<const uint8_t*>(data.data()), data.size())) << data;
}

TEST(PictureHead, LimitsAreTheBitmapsOwn)
{
    EXPECT_FALSE(Oversized(32768, 2048));
    EXPECT_FALSE(Oversized(8192, 8192));
    EXPECT_TRUE(Oversized(32769, 1));
    EXPECT_TRUE(Oversized(1, 32769));
    EXPECT_TRUE(Oversized(8192, 8193));
}

}  // namespace
