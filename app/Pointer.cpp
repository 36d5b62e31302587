// The pointer handlers of the sheet: one state machine over Mode and the editing fields.
#include "app/Unit1.h"

namespace kova {

namespace {

constexpr int ParkedEditor = -200;

}  // namespace

void TForm1::Stamp()
{
    Image5->Canvas()->Draw(MouseX, MouseY, Image2->Picture()->Graphic());
}

void TForm1::Image1MouseMove(TObject* Sender, TShiftState /*Shift*/, int X, int Y)
{
    MouseX = X;
    MouseY = Y;
    if (Mode == 1 && LinkSource == -1)
        Image5->Canvas()->LineTo(MouseX, MouseY);
    if (Mode == 2)
        Stamp();
    if (Mode == 3 && MoveItem != -1)
        MoveItemTo(MoveItem, X, Y);
    Refresh1Click(Sender);
}

void TForm1::Image1MouseDown(TObject* /*Sender*/, TMouseButton Button, TShiftState /*Shift*/, int X, int Y)
{
    switch (Button) {
    case mbRight:
        if (HoverItem == -1) {
            Stamp();
            Mode = 2;
        } else {
            MoveItem = HoverItem;
            const TDateItem& item = DateItems[static_cast<size_t>(MoveItem)];
            DragOffsetX = item.X - X;
            DragOffsetY = item.Y - Y;
            Mode = 3;
        }
        break;
    case mbLeft:
        LinkSource = HoverItem;
        Image5->Canvas()->MoveTo(X, Y);
        Mode = 1;
        break;
    case mbMiddle:
        break;
    }
}

void TForm1::Image1MouseUp(TObject* /*Sender*/, TMouseButton Button, TShiftState /*Shift*/, int /*X*/, int /*Y*/)
{
    Mode = 0;
    MoveItem = -1;
    if (Button == mbLeft)
        ToggleLink(LinkSource, HoverItem);
    // A stroke, a stamping, a move or a link ends here.
    Checkpoint();
}

void TForm1::Image1DblClick(TObject* /*Sender*/)
{
    if (HoverItem == -1) {
        Edit1->SetLeft(MouseX);
        Edit1->SetTop(MouseY);
        Edit1->Show();
        LinkSource = -1;
        EditItem = -1;
    } else {
        int32_t i = HoverItem;
        TDateItem& item = DateItems[static_cast<size_t>(i)];
        Edit1->SetLeft(item.X);
        Edit1->SetTop(item.Y);
        Edit1->Show();
        Edit1->SetText(item.Text);
        TCanvas* sheet = Image1->Canvas();
        FontCopy(item.Font.get(), sheet->Font());
        PenCopy(item.Pen.get(), sheet->Pen());
        sheet->Brush()->SetColor(item.BrushColor);
        AutoEllipse = item.HasEllipse;
        LinkSource = i;
        EditItem = i;
    }
    Edit1->SetWidth(Width() - Edit1->Left() - 10);
}

void TForm1::Image1Click(TObject* /*Sender*/)
{
    if (!Edit1->Visible())
        return;
    Edit1->Hide();
    if (EditItem == -1)
        CommitNewItem();
    else
        CommitItem(EditItem);
    Edit1->SetLeft(ParkedEditor);
    Edit1->SetTop(ParkedEditor);
    Checkpoint();
}

}  // namespace kova
