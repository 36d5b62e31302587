// The bitmap file reader, in one step and in two (header, then pixels into bottom-up rows,
// as into a DIB section): both refuse the same inputs and decode the same pictures.
#include <cstring>
#include <optional>
#include <vector>

#include "base/Exceptions.h"
#include "fuzz/Require.h"
#include "surface/BmpFile.h"

using namespace kova;
using namespace kova::bmpfile;

namespace {

std::optional<Image> OneStep(const uint8_t* data, size_t size)
{
    try {
        return Decode(data, size);
    } catch (const EInvalidGraphic&) {
        return std::nullopt;
    }
}

std::optional<Image> TwoSteps(const uint8_t* data, size_t size)
{
    try {
        Image img = DecodeHeader(data, size);
        Require(img.Width >= 1 && img.Height >= 1 && int64_t{img.Width} * img.Height <= MaxPixels,
                "the header's size is within the limits");
        const size_t rowBytes = static_cast<size_t>(RowBytes(img.Width, img.BitsPerPixel));
        const size_t rows = static_cast<size_t>(img.Height);
        std::vector<uint8_t> bottomUp(rowBytes * rows);
        DecodePixels(data, size, bottomUp.data() + (rows - 1) * rowBytes, -static_cast<ptrdiff_t>(rowBytes));
        img.Pixels.resize(bottomUp.size());
        for (size_t y = 0; y < rows; ++y)
            std::memcpy(img.Pixels.data() + y * rowBytes, bottomUp.data() + (rows - 1 - y) * rowBytes, rowBytes);
        return img;
    } catch (const EInvalidGraphic&) {
        return std::nullopt;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::optional<Image> one = OneStep(data, size);
    const std::optional<Image> two = TwoSteps(data, size);
    Require(one.has_value() == two.has_value(), "both ways refuse the same files");
    if (one)
        Require(one->Width == two->Width && one->Height == two->Height && one->Palette == two->Palette &&
                    one->Pixels == two->Pixels,
                "both ways decode the same picture");
    return 0;
}
