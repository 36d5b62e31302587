// The Shift_JIS path and case helpers. The Japanese texts are written as bytes, so that the
// native build, whose compiler writes UTF-8 literals, tests the same strings.
#include <gtest/gtest.h>

#include <string>

#include "base/Cp932.h"

using namespace kova;

namespace {

// "ソ" is 0x83 0x5C and "フト" 0x83 0x74 0x83 0x67: a trail byte can be a backslash.
const std::string So = "\x83\x5C";
const std::string Soft = So + "\x83\x74\x83\x67";

}  // namespace

TEST(Cp932, PathsSplitOnlyAtRealBackslashesAndPoints)
{
    const std::string dir = "C:\\" + So;
    EXPECT_EQ("C:\\", ExtractFilePath(dir));
    EXPECT_EQ(So, ExtractFileName(dir));
    EXPECT_EQ(dir + "\\", IncludeTrailingBackslash(dir));
    EXPECT_EQ("C:\\" + Soft + "\\", ExtractFilePath("C:\\" + Soft + "\\a.spi"));
    EXPECT_EQ("a.spi", ExtractFileName("C:\\" + Soft + "\\a.spi"));
    EXPECT_EQ(".spi", ExtractFileExt("C:\\" + Soft + "\\a.spi"));
    EXPECT_EQ("", ExtractFileExt("C:\\dir.d\\noext"));
    // "画像" is 0x89 0xE6 0x91 0x9C.
    EXPECT_EQ(".PNG", ExtractFileExt("\x89\xE6\x91\x9C.PNG"));
}

TEST(Cp932, CaseMappingLeavesDoubleByteCharactersAlone)
{
    // "Ａ" is 0x82 0x60 and "ａ" 0x82 0x81: the trail byte of a double-byte character is not a letter.
    const std::string wide = "\x82\x60";
    EXPECT_EQ(wide + "abc", AnsiLowerCaseAscii(wide + "ABC"));
    EXPECT_EQ(0, CompareTextAscii("Image.SPI", "image.spi"));
    EXPECT_NE(0, CompareTextAscii("ifpng.spi", "ifjpeg.spi"));
}
