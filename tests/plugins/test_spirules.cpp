// Mask splitting for registration and the whole-entry extension: the host's rules without Windows.
#include <gtest/gtest.h>

#include "plugins/SPIRules.h"

using namespace kova;

using Exts = std::vector<std::string>;

TEST(SPIRules, MaskEntriesSplitFromTheLastSemicolonBackwards)
{
    EXPECT_EQ(Exts({"3", "2", "1"}), RegistrationExtensions("*.1;*.2;*.3"));
    EXPECT_EQ(Exts(), RegistrationExtensions(""));
    // A trailing semicolon registers an empty extension first; a leading one adds nothing.
    EXPECT_EQ(Exts({"", "a"}), RegistrationExtensions("*.a;"));
    EXPECT_EQ(Exts({"a"}), RegistrationExtensions(";*.a"));
    // The extension starts after the first point; a piece without one is taken whole.
    EXPECT_EQ(Exts({"tar.gz"}), RegistrationExtensions("*.tar.gz"));
    EXPECT_EQ(Exts({"pic"}), RegistrationExtensions("pic"));
}

TEST(SPIRules, AWholeEntryMatchesByItsLastPattern)
{
    EXPECT_EQ(".jpeg", MaskEntryExtension("*.jpg;*.jpeg"));
    EXPECT_EQ(".a;", MaskEntryExtension("*.a;"));
    EXPECT_EQ("", MaskEntryExtension("pic"));

    TStrings masks;
    masks.Add("pic");
    masks.Add("*.jpg;*.JPEG");
    EXPECT_TRUE(MasksNameExtension(masks, ".jpeg"));
    EXPECT_FALSE(MasksNameExtension(masks, ".jpg"));
    EXPECT_FALSE(MasksNameExtension(masks, ""));
}
