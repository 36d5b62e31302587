// The plug-in's picture header reader on any bytes: it never reads past them, and more
// bytes after a readable head never change the size it gives.
#include "fuzz/Require.h"
#include "plugins/ifwic/PictureHead.h"

using namespace kova::ifwic;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto whole = ReadPictureHead(data, size);
    if (const auto part = ReadPictureHead(data, size / 2)) {
        Require(whole.has_value(), "a head read from a prefix is read from the whole");
        Require(whole->Width == part->Width && whole->Height == part->Height, "the size does not depend on what follows");
    }
    if (whole)
        Require(whole->Width >= 0 && whole->Height >= 0, "sides are not negative");
    return 0;
}
