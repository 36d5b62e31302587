// The diagram reader: any input is a plain picture, a diagram, or refused with a message; a
// diagram it accepts is written back to the same document. The input's checksum is made right
// first, since nearly every change would break it and leave the body's checks unreached.
#include <zlib.h>

#include "app/Diagram.h"
#include "fuzz/Require.h"
#include "surface/BmpFile.h"

using namespace kova;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> file(data, data + size);
    std::optional<diagram::Document> doc;
    try {
        const size_t start = bmpfile::PixelEnd(file.data(), size);
        if (size >= start + 32) {
            const auto crc = static_cast<uint32_t>(crc32(0, file.data() + start, static_cast<uInt>(size - 16 - start)));
            for (int i = 0; i < 4; ++i)
                file[size - 16 + i] = static_cast<uint8_t>(crc >> (8 * i));
        }
        doc = diagram::Find(file.data(), size);
    } catch (const diagram::EDiagramError& e) {
        Require(!e.Message.empty(), "a damaged diagram says what is wrong");
        return 0;
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    if (!doc)
        return 0;
    file.resize(bmpfile::PixelEnd(file.data(), size));
    diagram::Embed(file, *doc);
    Require(diagram::Find(file.data(), file.size()) == doc, "a diagram read is written back the same");
    return 0;
}
