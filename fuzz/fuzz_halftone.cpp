// The 32-to-8-bit halftone mapping of a row of pixels from outside.
#include <vector>

#include "fuzz/Require.h"
#include "surface/Halftone.h"

using namespace kova;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int width = static_cast<int>(size / 4);
    const std::vector<uint8_t> row(data, data + 4 * static_cast<size_t>(width));
    std::vector<uint8_t> mapped(static_cast<size_t>(width));
    halftone::MapRow(row.data(), mapped.data(), width);
    for (int x = 0; x < width; ++x)
        Require(mapped[x] == halftone::IndexOf(row[4 * x + 2], row[4 * x + 1], row[4 * x]),
                "a row maps as its pixels do");
    return 0;
}
