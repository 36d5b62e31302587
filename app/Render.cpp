// The renderer: the whole sheet is composed again from the free-hand layer, the link
// lines and the items on every pointer move.
#include <algorithm>

#include "app/Unit1.h"
#include "bitmaptext/AntialiasText.h"

namespace kova {

namespace {

constexpr int Margin = 8;  // the ellipse and the hit area reach this far beyond the text box
// The text bitmap grows for a larger text box up to this size; a box beyond it is clipped.
constexpr int MaxTextBitmapSide = 4096;

}  // namespace

// Each live item's text extent in its font on the text bitmap's canvas, measured once per
// redraw: the links and the items of this redraw all use the same measurement.
void TForm1::MeasureItems()
{
    FTextSizes.resize(static_cast<size_t>(ItemCapacity));
    TCanvas* text = Image4->Canvas();
    for (int32_t i = 0; i < ItemCount; ++i) {
        const TDateItem& item = DateItems[static_cast<size_t>(i)];
        if (item.Deleted)
            continue;
        FontCopy(item.Font.get(), text->Font());
        FTextSizes[static_cast<size_t>(i)] = text->TextExtent(item.Text);
    }
}

TextBox TForm1::Box(int32_t i) const
{
    const TDateItem& item = DateItems[static_cast<size_t>(i)];
    SIZE size = FTextSizes[static_cast<size_t>(i)];
    return TextBox{item.X, item.Y, size.cx, size.cy};
}

static bool IsLive(const TForm1& form, int32_t i)
{
    return i >= 0 && i < form.ItemCapacity && !form.DateItems[static_cast<size_t>(i)].Deleted;
}

void TForm1::DrawLinks(TCanvas* sheet)
{
    for (int32_t i = 0; i < ItemCount; ++i) {
        TDateItem& item = DateItems[static_cast<size_t>(i)];
        if (item.Deleted)
            continue;
        for (int32_t k = 0; k < item.LinkCount; ++k) {
            int32_t t = item.Links[static_cast<size_t>(k)];
            if (t == -1 || !IsLive(*this, t))
                continue;
            PenCopy(item.Pen.get(), sheet->Pen());
            TextBox from = Box(i);
            sheet->MoveTo(from.CentreX(), from.CentreY());
            TextBox to = Box(t);
            sheet->LineTo(to.CentreX(), to.CentreY());
        }
    }
}

// Draws the item's text into the text bitmap at (0, 0) and copies the box onto the sheet.
void TForm1::DrawItemText(TCanvas* sheet, const TDateItem& item, int w, int h)
{
    TBitmap* text = Image4->Picture()->Bitmap();
    // A box larger than the text bitmap is drawn whole, up to the bound: the bitmap grows for it.
    w = std::min(w, MaxTextBitmapSide);
    h = std::min(h, MaxTextBitmapSide);
    if (w > text->Width() || h > text->Height())
        text->SetSize(std::max(w, text->Width()), std::max(h, text->Height()));
    TCanvas* canvas = Image4->Canvas();
    canvas->FillRect(Rect(0, 0, w, h));
    text->SetPixelFormat(pf32bit);
    if (N11->Checked())
        AntialiasTextOut(text, 0, 0, canvas->Font(), item.Text);
    else  // straight to GDI: the canvas's text out would measure again for a pen position nothing reads
        ExtTextOutA(canvas->Handle(), 0, 0, 0, nullptr, item.Text.data(), static_cast<UINT>(item.Text.size()), nullptr);
    text->SetPixelFormat(pf8bit);
    sheet->CopyRect(Rect(item.X, item.Y, item.X + w, item.Y + h), canvas, Rect(0, 0, w, h));
}

void TForm1::DrawItems(TCanvas* sheet)
{
    for (int32_t i = 0; i < ItemCount; ++i) {
        TDateItem& item = DateItems[static_cast<size_t>(i)];
        if (item.Deleted)
            continue;
        PenCopy(item.Pen.get(), sheet->Pen());
        sheet->Brush()->SetColor(item.BrushColor);
        FontCopy(item.Font.get(), Image4->Canvas()->Font());
        TextBox box = Box(i);
        if (item.HasEllipse && N12->Checked())
            sheet->Ellipse(box.X - Margin, box.Y - Margin, box.X + box.W + Margin, box.Y + box.H + Margin);
        DrawItemText(sheet, item, box.W, box.H);
        if (MoveItem == -1 && HoverItem == -1 && box.X - Margin < MouseX && MouseX < box.X + box.W + Margin &&
            box.Y - Margin < MouseY && MouseY < box.Y + box.H + Margin) {
            sheet->TextOut(box.X, box.Y, "○");
            HoverItem = i;
        }
    }
}

void TForm1::Refresh1Click(TObject* /*Sender*/)
{
    TCanvas* sheet = Image1->Canvas();
    TPoint penPos = sheet->PenPos();
    PenCopy(sheet->Pen(), &FSavedPen);
    Image1->Hide();

    // The last column and row of the sheet are left as they are.
    TRect layer = Rect(0, 0, Image5->Width() - 1, Image5->Height() - 1);
    TRect whole = Rect(0, 0, Image1->Width() - 1, Image1->Height() - 1);
    if (N8->Checked())
        sheet->CopyRect(whole, Image5->Canvas(), layer);
    else
        sheet->FillRect(whole);

    TColor brushColor = sheet->Brush()->Color();
    HoverItem = -1;
    MeasureItems();
    DrawLinks(sheet);
    DrawItems(sheet);

    PenCopy(&FSavedPen, sheet->Pen());
    sheet->Brush()->SetColor(brushColor);
    sheet->MoveTo(penPos.x, penPos.y);
    Image1->Show();
    Image1->Repaint();
    Image1->Picture()->Bitmap()->SetPixelFormat(pf32bit);
}

}  // namespace kova
