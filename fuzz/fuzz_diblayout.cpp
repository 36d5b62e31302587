// The check of a plug-in's DIB. The input, read as a bitmap file, is the answer: header and
// colour table up to the pixel offset, pixels from there, each block exactly its size so that
// a read past it is caught. An accepted layout must fit its blocks and, written out as the
// host converts it, decode as a bitmap file of that size.
#include <cstring>
#include <vector>

#include "base/Exceptions.h"
#include "fuzz/Require.h"
#include "plugins/DibLayout.h"
#include "surface/BmpFile.h"

using namespace kova;

namespace {

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 14)
        return 0;
    uint32_t offset;
    std::memcpy(&offset, data + 10, 4);
    const size_t split = offset < 14 ? 14 : offset > size ? size : offset;
    const std::vector<uint8_t> info(data + 14, data + split);
    const std::vector<uint8_t> pixels(data + split, data + size);
    const std::optional<DibLayout> layout = CheckDibLayout(info.data(), info.size(), pixels.size());
    if (!layout)
        return 0;
    Require(layout->InfoSize >= 40 && layout->ImageSize >= 0, "sizes are positive");

    // The host's conversion: file header, the info block, the pixel rows.
    std::vector<uint8_t> file(14);
    file[0] = 'B';
    file[1] = 'M';
    Put32(file, 2, static_cast<uint32_t>(14 + layout->InfoSize + layout->ImageSize));
    Put32(file, 10, static_cast<uint32_t>(14 + layout->InfoSize));
    file.insert(file.end(), info.data(), info.data() + layout->InfoSize);
    file.insert(file.end(), pixels.data(), pixels.data() + layout->ImageSize);
    try {
        const bmpfile::Image img = bmpfile::Decode(file.data(), file.size());
        Require(img.Width == layout->Width && img.Height == (layout->Height < 0 ? -layout->Height : layout->Height),
                "the converted file has the layout's size");
    } catch (const EInvalidGraphic&) {
        Require(false, "an accepted layout converts into a readable bitmap file");
    }
    return 0;
}
