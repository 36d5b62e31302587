#pragma once
// The diagram document: the item table and the free-hand layer, as a block that rides after
// the pixels of a saved bitmap file. No Windows API here, so this also builds natively
// (sanitizers, fuzzing). The format is described in docs/diagram-format.md.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Exceptions.h"

namespace kova::diagram {

// A diagram block that carries KOVA's signature but fails a check; the message says which.
class EDiagramError : public Exception { using Exception::Exception; };

constexpr uint32_t Version = 1;
constexpr uint32_t MaxItems = 1000;
constexpr uint32_t MaxLinks = 100;
constexpr uint32_t MaxText = 65535;
constexpr uint32_t MaxFaceName = 31;
constexpr uint32_t MaxLayerSide = 4096;

struct Font {
    int32_t Height = 0;
    int32_t Size = 0;
    int32_t PixelsPerInch = 96;
    uint8_t Style = 0;    // bold 1, italic 2, underline 4, strike-out 8
    uint8_t Pitch = 0;    // default, variable, fixed
    uint8_t Charset = 0;
    uint32_t Color = 0;
    std::string Name;
    bool operator==(const Font&) const = default;
};

struct Pen {
    uint8_t Mode = 4;   // one of the 16 raster operations, copy by default
    uint8_t Style = 0;  // solid, dash, dot, dash-dot, dash-dot-dot, clear, inside frame
    int32_t Width = 1;
    uint32_t Color = 0;
    bool operator==(const Pen&) const = default;
};

// One slot of the item table; Links holds the entries in use, removed ones (-1) included.
struct Item {
    int32_t X = 0;
    int32_t Y = 0;
    std::string Text;
    Font ItemFont;
    Pen ItemPen;
    uint32_t BrushColor = 0;
    bool HasEllipse = false;
    bool Deleted = false;
    bool HasShadow = false;
    std::vector<int32_t> Links;
    bool operator==(const Item&) const = default;
};

// The slots below the item count, and the free-hand layer as top-down rows of 32-bit pixels
// (blue, green, red, unused), LayerWidth * 4 bytes each.
struct Document {
    std::vector<Item> Items;
    uint32_t LayerWidth = 0;
    uint32_t LayerHeight = 0;
    std::vector<uint8_t> Layer;
    bool operator==(const Document&) const = default;
};

// Appends the diagram block to a bitmap file that ends with its pixels, and makes the file
// header's size field cover the whole file.
void Embed(std::vector<uint8_t>& bitmapFile, const Document& doc);

// The diagram in a bitmap file, or nothing when the bytes after the pixels do not start with
// KOVA's signature (a plain picture). Raises EDiagramError for a block that fails a check, and
// the bitmap reader's EInvalidGraphic for a file that is no bitmap.
std::optional<Document> Find(const uint8_t* file, size_t size);

}  // namespace kova::diagram
