// Saving and opening the diagram: the item table and the free-hand layer ride after the
// pixels of the saved sheet.
#include <cstring>

#include "app/Unit1.h"

namespace kova {

namespace {

constexpr int ParkedEditor = -200;

// The free-hand layer, made on first use as every layer is.
TBitmap* Layer(TImage* image)
{
    image->Canvas();
    TBitmap* layer = image->Picture()->Bitmap();
    if (layer->BitsPerPixel() != 32)
        layer->SetPixelFormat(pf32bit);
    return layer;
}

diagram::Item ItemOf(const TDateItem& slot)
{
    diagram::Item item;
    item.X = slot.X;
    item.Y = slot.Y;
    item.Text = slot.Text;
    const TFont& f = *slot.Font;
    item.ItemFont = {f.Height(), f.Size(), f.PixelsPerInch(), f.Style(), static_cast<uint8_t>(f.Pitch()),
                     f.Charset(), static_cast<uint32_t>(f.Color()), f.Name()};
    const TPen& p = *slot.Pen;
    item.ItemPen = {static_cast<uint8_t>(p.Mode()), static_cast<uint8_t>(p.Style()), p.Width(),
                    static_cast<uint32_t>(p.Color())};
    item.BrushColor = static_cast<uint32_t>(slot.BrushColor);
    item.HasEllipse = slot.HasEllipse;
    item.Deleted = slot.Deleted;
    item.HasShadow = slot.HasShadow;
    item.Links.assign(slot.Links.begin(), slot.Links.begin() + slot.LinkCount);
    return item;
}

// The size in points follows from the height and the pixels per inch, so those two are set.
void Restore(TDateItem& slot, const diagram::Item& item)
{
    slot.X = item.X;
    slot.Y = item.Y;
    slot.Text = item.Text;
    const diagram::Font& f = item.ItemFont;
    slot.Font->SetName(f.Name);
    slot.Font->SetCharset(f.Charset);
    slot.Font->SetPitch(static_cast<TFontPitch>(f.Pitch));
    slot.Font->SetStyle(f.Style);
    slot.Font->SetColor(static_cast<TColor>(f.Color));
    slot.Font->SetPixelsPerInch(f.PixelsPerInch);
    slot.Font->SetHeight(f.Height);
    slot.Pen->SetMode(static_cast<TPenMode>(item.ItemPen.Mode));
    slot.Pen->SetStyle(static_cast<TPenStyle>(item.ItemPen.Style));
    slot.Pen->SetWidth(item.ItemPen.Width);
    slot.Pen->SetColor(static_cast<TColor>(item.ItemPen.Color));
    slot.BrushColor = static_cast<TColor>(item.BrushColor);
    slot.HasEllipse = item.HasEllipse;
    slot.Deleted = item.Deleted;
    slot.HasShadow = item.HasShadow;
    slot.Links.assign(LinkSlots, 0);
    std::copy(item.Links.begin(), item.Links.end(), slot.Links.begin());
    slot.LinkCount = static_cast<int32_t>(item.Links.size());
}

}  // namespace

diagram::Document TForm1::DiagramDocument()
{
    diagram::Document doc;
    for (int32_t i = 0; i < ItemCount; ++i)
        doc.Items.push_back(ItemOf(DateItems[static_cast<size_t>(i)]));
    TBitmap* layer = Layer(Image5);
    GdiFlush();
    doc.LayerWidth = static_cast<uint32_t>(layer->Width());
    doc.LayerHeight = static_cast<uint32_t>(layer->Height());
    const size_t rowBytes = size_t{doc.LayerWidth} * 4;
    doc.Layer.resize(rowBytes * doc.LayerHeight);
    for (size_t y = 0; y < doc.LayerHeight; ++y)
        std::memcpy(doc.Layer.data() + y * rowBytes, layer->ScanLine(static_cast<int>(y)), rowBytes);
    return doc;
}

// Before the sheet was ever drawn its picture is empty, and nothing is written. The file is
// flushed to disk before it replaces the old one.
void TForm1::SaveDiagram(const std::string& fileName)
{
    TGraphic* sheet = Image1->Picture()->Graphic();
    if (!sheet)
        return;
    TMemoryStream picture;
    sheet->SaveToStream(picture);
    std::vector<uint8_t> file(picture.Memory(), picture.Memory() + picture.Size());
    diagram::Embed(file, DiagramDocument());
    SaveFileReplacing(fileName, [&file](TStream& out) { out.WriteBuffer(file.data(), static_cast<int64_t>(file.size())); });
}

std::optional<diagram::Document> TForm1::ReadDiagram(const std::string& fileName)
{
    TMemoryStream data;
    data.LoadFromFile(fileName);
    const uint8_t* bytes = data.Memory();
    const size_t size = static_cast<size_t>(data.Size());
    if (size < 2 || bytes[0] != 'B' || bytes[1] != 'M')
        return std::nullopt;
    try {
        std::optional<diagram::Document> doc = diagram::Find(bytes, size);
        TBitmap* layer = Layer(Image5);
        if (doc && (doc->LayerWidth != static_cast<uint32_t>(layer->Width()) ||
                    doc->LayerHeight != static_cast<uint32_t>(layer->Height())))
            throw diagram::EDiagramError(Format("図の大きさ %u x %u がこのシートの %d x %d と違います", doc->LayerWidth,
                                                doc->LayerHeight, layer->Width(), layer->Height()));
        return doc;
    } catch (const EInvalidGraphic&) {
        return std::nullopt;  // not a bitmap after all: the picture loader says what is wrong
    } catch (const diagram::EDiagramError& e) {
        throw diagram::EDiagramError(Format("図を読み込めません: %s\n%s", fileName.c_str(), e.Message.c_str()));
    }
}

void TForm1::OpenDocument(const diagram::Document& doc)
{
    if (GetCapture() == Handle())
        ReleaseCapture();
    Edit1->Hide();
    Edit1->SetLeft(ParkedEditor);
    Edit1->SetTop(ParkedEditor);
    Mode = 0;
    MoveItem = -1;
    LinkSource = -1;
    EditItem = -1;
    HoverItem = -1;
    ClearItems();
    for (size_t i = 0; i < doc.Items.size(); ++i)
        Restore(DateItems[i], doc.Items[i]);
    ItemCount = static_cast<int32_t>(doc.Items.size());

    TBitmap* layer = Layer(Image5);
    GdiFlush();
    const size_t rowBytes = size_t{doc.LayerWidth} * 4;
    for (size_t y = 0; y < doc.LayerHeight; ++y)
        std::memcpy(layer->ScanLine(static_cast<int>(y)), doc.Layer.data() + y * rowBytes, rowBytes);
    Refresh1Click(this);
}

void TForm1::OpenFile(const std::string& fileName)
{
    if (std::optional<diagram::Document> doc = ReadDiagram(fileName))
        OpenDocument(*doc);
    else if (OnOpenPicture)
        OnOpenPicture(fileName);
}

void TForm1::OpenFileClick()
{
    if (OpenDialog1->Execute())
        OpenFile(OpenDialog1->FileName);
}

}  // namespace kova
