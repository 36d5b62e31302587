// The diagram reader: any input is a plain picture, a diagram, or refused with a message; a
// diagram it accepts is written back to the same document.
#include "app/Diagram.h"
#include "fuzz/Require.h"
#include "surface/BmpFile.h"

using namespace kova;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::optional<diagram::Document> doc;
    try {
        doc = diagram::Find(data, size);
    } catch (const diagram::EDiagramError& e) {
        Require(!e.Message.empty(), "a damaged diagram says what is wrong");
        return 0;
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    if (!doc)
        return 0;
    std::vector<uint8_t> again(data, data + bmpfile::PixelEnd(data, size));
    diagram::Embed(again, *doc);
    Require(diagram::Find(again.data(), again.size()) == doc, "a diagram read is written back the same");
    return 0;
}
