#pragma once
// The sheet's renderer, with the working storage that its redraws reuse. It lives as long
// as the main window that owns it.
#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "bitmaptext/AntialiasText.h"
#include "surface/Graphics.h"

namespace kova {

class TForm1;
struct TDateItem;

// An item's text box on the sheet.
struct TextBox {
    int X, Y, W, H;
    int CentreX() const { return X + W / 2; }
    int CentreY() const { return Y + H / 2; }
};

// Fonts held selected in DCs of their own. Wine keeps a font's realisation and its
// rasterised glyphs only while some DC holds the font, and only a handful besides; the
// text bitmap, switched through every item's font, would rasterise every glyph again on
// each redraw.
class TRealisedFonts {
public:
    TRealisedFonts();
    ~TRealisedFonts();
    void Keep(const TFont& font);

private:
    struct Entry;
    std::vector<std::unique_ptr<Entry>> FEntries;  // newest first
};

class TSheetRenderer {
public:
    explicit TSheetRenderer(TForm1& form);
    // Composes the whole sheet from the free-hand layer, the links and the items, and
    // sets the form's HoverItem.
    void Redraw();

private:
    void MeasureItems();
    TextBox Box(int32_t i) const;
    void DrawLinks(TCanvas* sheet);
    void DrawItems(TCanvas* sheet);
    void DrawItemText(TCanvas* sheet, const TDateItem& item, int w, int h);
    void ReduceToHalftone(TBitmap* text, int w, int h);

    TForm1& FForm;
    TPen FSavedPen;                        // the sheet's pen while a redraw changes it
    std::vector<SIZE> FTextSizes;          // each slot's text extent in this redraw
    TRealisedFonts FFonts;                 // the items' fonts on the text bitmap
    TAntialiasText FAntialias;             // the double-size scratch bitmaps
    std::array<uint32_t, 256> FHalftone;   // the halftone colours as 32-bit pixels
    std::vector<uint8_t> FIndexes;         // one text row's halftone indexes
};

}  // namespace kova
