// The item table: slots of text items and their links.
#include <algorithm>

#include "app/Unit1.h"
#include "base/Exceptions.h"
#include "ui/Application.h"

namespace kova {

void TForm1::FontCopy(TFont* Source, TFont* Dest)
{
    Dest->SetCharset(Source->Charset());
    Dest->SetPitch(Source->Pitch());
    Dest->SetStyle(Source->Style());
    Dest->SetColor(Source->Color());
    Dest->SetPixelsPerInch(Source->PixelsPerInch());
    Dest->SetHeight(Source->Height());
    Dest->SetSize(Source->Size());
}

void TForm1::PenCopy(TPen* Source, TPen* Dest)
{
    Dest->SetMode(Source->Mode());
    Dest->SetStyle(Source->Style());
    Dest->SetWidth(Source->Width());
    Dest->SetColor(Source->Color());
}

void TForm1::InitItems()
{
    ItemCount = 0;
    ItemCapacity = ItemSlots;
    DateItems.clear();
    DateItems.resize(ItemCapacity);
    for (TDateItem& item : DateItems) {
        item.Font = std::make_unique<TFont>();
        item.Pen = std::make_unique<TPen>();
        item.Deleted = false;
    }
}

// The current style: the sheet canvas's font, pen and brush colour.
static void TakeStyle(TForm1& form, TDateItem& item)
{
    TCanvas* sheet = form.Image1->Canvas();
    form.FontCopy(sheet->Font(), item.Font.get());
    form.PenCopy(sheet->Pen(), item.Pen.get());
    item.BrushColor = sheet->Brush()->Color();
    item.HasEllipse = form.AutoEllipse;
    item.HasShadow = form.Shadow;
}

void TForm1::CommitNewItem()
{
    if (Edit1->Text().empty())
        return;
    if (ItemCount >= ItemCapacity) {
        Beep();
        ShowMessage(Format("項目は %d 個までしか作れません", ItemCapacity));
        return;
    }
    TDateItem& item = DateItems[static_cast<size_t>(ItemCount)];
    item.X = Edit1->Left() + 3;
    item.Y = Edit1->Top() + 3;
    item.Text = Edit1->Text();
    TakeStyle(*this, item);
    item.Links.resize(LinkSlots);
    ItemCount = ItemCount + 1;
    item.Deleted = false;
}

void TForm1::CommitItem(int32_t i)
{
    TDateItem& item = DateItems[static_cast<size_t>(i)];
    item.X = Edit1->Left();
    item.Y = Edit1->Top();
    item.Text = Edit1->Text();
    TakeStyle(*this, item);
    if (item.Text.empty())
        item.Deleted = true;
}

// A link from an item to itself would draw nothing and only use up an entry of its list.
void TForm1::ToggleLink(int32_t source, int32_t target)
{
    if (source == -1 || target == -1 || source == target)
        return;
    TDateItem& item = DateItems[static_cast<size_t>(source)];
    bool removed = false;
    for (int32_t k = 0; k < item.LinkCount; ++k) {
        if (item.Links[static_cast<size_t>(k)] == target) {
            item.Links[static_cast<size_t>(k)] = -1;
            removed = true;
        }
    }
    if (removed)
        return;
    if (item.LinkCount < static_cast<int32_t>(item.Links.size())) {
        item.Links[static_cast<size_t>(item.LinkCount)] = target;
        item.LinkCount = item.LinkCount + 1;
        return;
    }
    // A full list takes the link into a removed entry, which draws nothing. Without one the
    // link is refused with a beep only: a message box here would swallow the second click of
    // a double-click, and the item could no longer be opened.
    auto removedEntry = std::find(item.Links.begin(), item.Links.end(), -1);
    if (removedEntry == item.Links.end()) {
        Beep();
        return;
    }
    *removedEntry = target;
}

void TForm1::MoveItemTo(int32_t i, int x, int y)
{
    TDateItem& item = DateItems[static_cast<size_t>(i)];
    item.X = x + DragOffsetX;
    item.Y = y + DragOffsetY;
}

void TForm1::ClearItems()
{
    ItemCount = 0;
    for (TDateItem& item : DateItems) {
        item.Deleted = true;
        item.LinkCount = 0;
    }
}

}  // namespace kova
