// The text blend with any placement, sizes and coverage: the clip stays inside both images,
// the blend touches only the clipped pixels, and reads the scratch only where it exists.
#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

#include "bitmaptext/BlendText.h"
#include "fuzz/Require.h"

using namespace kova;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const int32_t x = in.ConsumeIntegral<int32_t>(), y = in.ConsumeIntegral<int32_t>();
    const int32_t hw = in.ConsumeIntegralInRange(0, 40), hh = in.ConsumeIntegralInRange(0, 40);
    const int32_t width = in.ConsumeIntegralInRange(0, 40), height = in.ConsumeIntegralInRange(0, 40);
    const bool bottomUp = in.ConsumeBool();
    const uint8_t r = in.ConsumeIntegral<uint8_t>(), g = in.ConsumeIntegral<uint8_t>(), b = in.ConsumeIntegral<uint8_t>();

    const TextClip clip = ClipTextArea(x, y, hw, hh, width, height);
    if (clip.Rows == 0 || clip.Cols == 0) {
        Require(clip == TextClip{}, "an empty clip is all zero");
        return 0;
    }
    const int64_t left = int64_t{x} + clip.Col0, top = int64_t{y} + clip.Row0;
    Require(clip.Col0 >= 0 && clip.Row0 >= 0 && clip.Col0 + clip.Cols <= hw && clip.Row0 + clip.Rows <= hh,
            "the clip lies in the text area");
    Require(left >= 0 && top >= 0 && left + clip.Cols <= width && top + clip.Rows <= height,
            "the clip lies in the destination");

    const size_t scratchWidth = 2 * static_cast<size_t>(hw) + 1;
    std::vector<uint8_t> scratch(scratchWidth * (2 * static_cast<size_t>(hh) + 1) * 4, 0xFF);
    const std::vector<uint8_t> coverage = in.ConsumeRemainingBytes<uint8_t>();
    for (size_t i = 0; i < coverage.size() && i < scratch.size(); ++i)
        scratch[i] = coverage[i];
    std::vector<uint8_t> dest(static_cast<size_t>(width) * height * 4, 0x7F);
    const std::vector<uint8_t> before = dest;

    const ptrdiff_t rowBytes = ptrdiff_t{width} * 4;
    const int64_t firstRow = bottomUp ? height - 1 - top : top;
    uint8_t* destRow = dest.data() + firstRow * rowBytes + left * 4;
    const uint8_t* sampleRow = scratch.data() + (2 * clip.Row0 * scratchWidth + 2 * clip.Col0) * 4;
    BlendTextRows(destRow, bottomUp ? -rowBytes : rowBytes, sampleRow, static_cast<ptrdiff_t>(scratchWidth) * 4,
                  clip.Cols, clip.Rows, r, g, b);

    for (int32_t row = 0; row < height; ++row)
        for (int32_t col = 0; col < width; ++col) {
            const int64_t imageRow = bottomUp ? height - 1 - row : row;
            const bool inside = col >= left && col < left + clip.Cols && imageRow >= top && imageRow < top + clip.Rows;
            const size_t at = (static_cast<size_t>(row) * width + col) * 4;
            if (!inside)
                Require(dest[at] == before[at] && dest[at + 1] == before[at + 1] && dest[at + 2] == before[at + 2],
                        "pixels outside the clip are left alone");
            Require(dest[at + 3] == before[at + 3], "the fourth byte is left alone");
        }
    return 0;
}
