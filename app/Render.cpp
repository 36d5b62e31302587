// The renderer: the whole sheet is composed again from the free-hand layer, the link
// lines and the items on every pointer move.
#include "app/Render.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "app/Unit1.h"
#include "base/Exceptions.h"
#include "surface/Halftone.h"

namespace kova {

namespace {

constexpr int Margin = 8;  // the ellipse and the hit area reach this far beyond the text box
// The text bitmap grows for a larger text box up to this size; a box beyond it is clipped.
constexpr int MaxTextBitmapSide = 4096;
constexpr size_t KeptFonts = 64;

bool IsLive(const TForm1& form, int32_t i)
{
    return i >= 0 && i < form.ItemCapacity && !form.DateItems[static_cast<size_t>(i)].Deleted;
}

}  // namespace

// ---------------------------------------------------------------- realised fonts

// The one-pixel 32-bit DIB makes the kept realisation the one for 32-bit targets.
struct TRealisedFonts::Entry {
    explicit Entry(std::string key, const LOGFONTA& lf)
        : Key(std::move(key)), Font(CreateFontIndirectA(&lf)), DC(CreateCompatibleDC(nullptr))
    {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), 1, 1, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        Dib.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!Font || !Dib || !DC.get())
            throw EOutOfResources("フォントを作成できません");
        SelectObject(DC.get(), Dib.get());
        SelectObject(DC.get(), Font.get());
    }

    std::string Key;  // the LOGFONT's bytes
    // Declared before the DC, which lets go of them when it is deleted.
    GdiObject<HFONT> Font;
    GdiObject<HBITMAP> Dib;
    MemoryDC DC;
};

TRealisedFonts::TRealisedFonts() = default;

TRealisedFonts::~TRealisedFonts() = default;

void TRealisedFonts::Keep(const TFont& font)
{
    const LOGFONTA lf = LogFontOf(font);
    std::string key(reinterpret_cast<const char*>(&lf), sizeof lf);
    for (size_t i = 0; i < FEntries.size(); ++i) {
        if (FEntries[i]->Key == key) {
            std::rotate(FEntries.begin(), FEntries.begin() + static_cast<ptrdiff_t>(i),
                        FEntries.begin() + static_cast<ptrdiff_t>(i) + 1);
            return;
        }
    }
    if (FEntries.size() == KeptFonts)
        FEntries.pop_back();
    FEntries.insert(FEntries.begin(), std::make_unique<Entry>(std::move(key), lf));
}

// ---------------------------------------------------------------- the redraw

TSheetRenderer::TSheetRenderer(TForm1& form) : FForm(form)
{
    const auto& palette = halftone::Palette();
    for (size_t i = 0; i < FHalftone.size(); ++i)
        FHalftone[i] = uint32_t{palette[i].r} << 16 | uint32_t{palette[i].g} << 8 | palette[i].b;
}

// Each live item's text extent in its font on the text bitmap's canvas, measured once per
// redraw: the links and the items of this redraw all use the same measurement.
void TSheetRenderer::MeasureItems()
{
    FTextSizes.resize(static_cast<size_t>(FForm.ItemCapacity));
    TCanvas* text = FForm.Image4->Canvas();
    for (int32_t i = 0; i < FForm.ItemCount; ++i) {
        const TDateItem& item = FForm.DateItems[static_cast<size_t>(i)];
        if (item.Deleted)
            continue;
        FForm.FontCopy(item.Font.get(), text->Font());
        FTextSizes[static_cast<size_t>(i)] = text->TextExtent(item.Text);
        FFonts.Keep(*text->Font());
    }
}

TextBox TSheetRenderer::Box(int32_t i) const
{
    const TDateItem& item = FForm.DateItems[static_cast<size_t>(i)];
    SIZE size = FTextSizes[static_cast<size_t>(i)];
    return TextBox{item.X, item.Y, size.cx, size.cy};
}

void TSheetRenderer::DrawLinks(TCanvas* sheet)
{
    for (int32_t i = 0; i < FForm.ItemCount; ++i) {
        TDateItem& item = FForm.DateItems[static_cast<size_t>(i)];
        if (item.Deleted)
            continue;
        for (int32_t k = 0; k < item.LinkCount; ++k) {
            int32_t t = item.Links[static_cast<size_t>(k)];
            if (t == -1 || !IsLive(FForm, t))
                continue;
            FForm.PenCopy(item.Pen.get(), sheet->Pen());
            TextBox from = Box(i);
            sheet->MoveTo(from.CentreX(), from.CentreY());
            TextBox to = Box(t);
            sheet->LineTo(to.CentreX(), to.CentreY());
        }
    }
}

// The box of the 32-bit text bitmap mapped onto the halftone palette, in place: what a
// reduction to 8 bits per pixel shows, without converting the whole bitmap twice per item.
void TSheetRenderer::ReduceToHalftone(TBitmap* text, int w, int h)
{
    if (w <= 0 || h <= 0)
        return;
    FIndexes.resize(static_cast<size_t>(w));
    const ptrdiff_t step = h > 1 ? text->ScanLine(1) - text->ScanLine(0) : 0;
    uint8_t* row = text->ScanLine(0);
    for (int y = 0; y < h; ++y, row += step) {
        halftone::MapRow(row, FIndexes.data(), w);
        for (int x = 0; x < w; ++x)
            std::memcpy(row + 4 * x, &FHalftone[FIndexes[static_cast<size_t>(x)]], 4);
    }
}

// Draws the item's text into the text bitmap at (0, 0) and copies the box onto the sheet.
void TSheetRenderer::DrawItemText(TCanvas* sheet, const TDateItem& item, int w, int h)
{
    TBitmap* text = FForm.Image4->Picture()->Bitmap();
    // A box larger than the text bitmap is drawn whole, up to the bound: the bitmap grows for it.
    w = std::min(w, MaxTextBitmapSide);
    h = std::min(h, MaxTextBitmapSide);
    if (w > text->Width() || h > text->Height())
        text->SetSize(std::max(w, text->Width()), std::max(h, text->Height()));
    TCanvas* canvas = FForm.Image4->Canvas();
    canvas->FillRect(Rect(0, 0, w, h));
    text->SetPixelFormat(pf32bit);
    if (FForm.N11->Checked())
        FAntialias.Draw(text, 0, 0, canvas->Font(), item.Text);
    else  // straight to GDI: the canvas's text out would measure again for a pen position nothing reads
        ExtTextOutA(canvas->Handle(), 0, 0, 0, nullptr, item.Text.data(), static_cast<UINT>(item.Text.size()), nullptr);
    ReduceToHalftone(text, std::min(w, text->Width()), std::min(h, text->Height()));
    sheet->CopyRect(Rect(item.X, item.Y, item.X + w, item.Y + h), canvas, Rect(0, 0, w, h));
}

void TSheetRenderer::DrawItems(TCanvas* sheet)
{
    for (int32_t i = 0; i < FForm.ItemCount; ++i) {
        TDateItem& item = FForm.DateItems[static_cast<size_t>(i)];
        if (item.Deleted)
            continue;
        FForm.PenCopy(item.Pen.get(), sheet->Pen());
        sheet->Brush()->SetColor(item.BrushColor);
        FForm.FontCopy(item.Font.get(), FForm.Image4->Canvas()->Font());
        TextBox box = Box(i);
        if (item.HasEllipse && FForm.N12->Checked())
            sheet->Ellipse(box.X - Margin, box.Y - Margin, box.X + box.W + Margin, box.Y + box.H + Margin);
        DrawItemText(sheet, item, box.W, box.H);
        if (FForm.MoveItem == -1 && FForm.HoverItem == -1 && box.X - Margin < FForm.MouseX &&
            FForm.MouseX < box.X + box.W + Margin && box.Y - Margin < FForm.MouseY &&
            FForm.MouseY < box.Y + box.H + Margin) {
            sheet->TextOut(box.X, box.Y, "○");
            FForm.HoverItem = i;
        }
    }
}

void TSheetRenderer::Redraw()
{
    TCanvas* sheet = FForm.Image1->Canvas();
    TPoint penPos = sheet->PenPos();
    FForm.PenCopy(sheet->Pen(), &FSavedPen);
    FForm.Image1->Hide();

    // The last column and row of the sheet are left as they are.
    TRect layer = Rect(0, 0, FForm.Image5->Width() - 1, FForm.Image5->Height() - 1);
    TRect whole = Rect(0, 0, FForm.Image1->Width() - 1, FForm.Image1->Height() - 1);
    if (FForm.N8->Checked())
        sheet->CopyRect(whole, FForm.Image5->Canvas(), layer);
    else
        sheet->FillRect(whole);

    TColor brushColor = sheet->Brush()->Color();
    FForm.HoverItem = -1;
    MeasureItems();
    DrawLinks(sheet);
    DrawItems(sheet);

    FForm.PenCopy(&FSavedPen, sheet->Pen());
    sheet->Brush()->SetColor(brushColor);
    sheet->MoveTo(penPos.x, penPos.y);
    FForm.Image1->Show();
    FForm.Image1->Repaint();
    FForm.Image1->Picture()->Bitmap()->SetPixelFormat(pf32bit);
}

void TForm1::Refresh1Click(TObject* /*Sender*/) { FRenderer.Redraw(); }

}  // namespace kova
