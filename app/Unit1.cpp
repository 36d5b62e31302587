// The main window's creation and its menu commands.
#include "app/Unit1.h"

#include <limits>

#include "ui/Application.h"
#include "ui/Clipboard.h"

namespace kova {

TForm1* Form1 = nullptr;

TForm1::TForm1(TComponent* AOwner) : TForm(AOwner)
{
    Form1 = this;
    LoadForm([this] { Describe(); });
}

void TForm1::FormCreate(TObject* /*Sender*/)
{
    Mode = 0;
    DragOffsetX = 0;
    DragOffsetY = 0;
    ItemCount = 0;
    ItemCapacity = ItemSlots;
    InitItems();
    Edit1->SetLeft(-200);
    Edit1->SetTop(-200);
    // Sized to its empty picture, the snapshot layer stays 0 by 0.
    Image3->SetWidth(Image1->Width());
    Image3->SetHeight(Image1->Height());
    AddShortcut('O', [this] { OpenFileClick(); });
    AddShortcut('C', [this] { CopySheet(); });
    AddShortcut('Z', [this] { GetKeyState(VK_SHIFT) < 0 ? RedoStep() : UndoStep(); });
    AddShortcut('Y', [this] { RedoStep(); });
    FHistory = diagram::History(DiagramDocument());
    OnClose = [this](TObject* s, TCloseAction& action) { FormClose(s, action); };
    FCopyTimer = new TTimer(this);
    FCopyTimer->SetInterval(2000);
    FCopyTimer->OnTimer = [this](TObject*) { WriteRecoveryCopy(false); };
    OnEndSession = [this](TObject*) { WriteRecoveryCopy(true); };
    AcceptFiles([this](const std::string& fileName) { OpenFile(fileName); });
    OpenDialog1->Filter = OpenDialogFilter();
}

// The bitmap entry, then the first format of every plug-in module. A module without format
// pairs raises the list error, and the dialog keeps the filter it had.
std::string TForm1::OpenDialogFilter() const
{
    std::string filter = "ビットマップ|*.bmp|";
    for (int i = 0; i < SPIs1->Count(); ++i) {
        const TSPI* module = SPIs1->Items(i);
        if (i > 0)
            filter += "|";
        filter += module->Descriptions().Strings(0) + "|" + module->Extensions().Strings(0);
    }
    return filter;
}

// The sheet as Save would write it after a redraw with the pointer off every item; the hover
// marker comes back with the redraw after.
void TForm1::CopySheet()
{
    const int32_t x = MouseX, y = MouseY;
    MouseX = MouseY = std::numeric_limits<int32_t>::min();
    Refresh1Click(nullptr);
    TBitmap* sheet = Image1->Picture()->Bitmap();
    const bool copied = CopyToClipboard(Handle(), sheet->Canvas()->Handle(), sheet->Width(), sheet->Height());
    MouseX = x;
    MouseY = y;
    Refresh1Click(nullptr);
    if (!copied)
        Beep();
}

void TForm1::New1Click(TObject* /*Sender*/)
{
    TRect all = Rect(0, 0, Image1->Width(), Image1->Height());
    ClearItems();
    Image1->Canvas()->FillRect(all);
    Image5->Canvas()->FillRect(all);
    Checkpoint();
}

void TForm1::N1Click(TObject* /*Sender*/)
{
    if (!OpenDialog1->Execute())
        return;
    Image1->Picture()->LoadFromFile(OpenDialog1->FileName);
}

// Before the sheet was ever drawn its picture is empty, and nothing is written.
void TForm1::Save1Click(TObject* /*Sender*/)
{
    if (SaveDialog1->Execute())
        SaveDiagram(SaveDialog1->FileName);
}

// Nothing is printed, whatever the user chooses.
void TForm1::Print1Click(TObject* /*Sender*/)
{
    try {
        PrintDialog1->Execute();
    } catch (...) {
    }
}

void TForm1::Exit1Click(TObject* /*Sender*/) { Close(); }

// The snapshot layer has no area, so this leaves the sheet in the brush colour.
void TForm1::UNDO1Click(TObject* /*Sender*/)
{
    TCanvas* sheet = Image1->Canvas();
    sheet->FillRect(Rect(0, 0, Image1->Width(), Image1->Height()));
    sheet->CopyRect(Image1->BoundsRect(), Image3->Canvas(), Image3->BoundsRect());
}

void TForm1::blur1Click(TObject* /*Sender*/) {}

void TForm1::N6Click(TObject* /*Sender*/)
{
    if (!OpenDialog1->Execute())
        return;
    Image2->Picture()->LoadFromFile(OpenDialog1->FileName);
    Stamp();
    Checkpoint();
}

void TForm1::N8Click(TObject* /*Sender*/) { N8->SetChecked(!N8->Checked()); }

void TForm1::N11Click(TObject* /*Sender*/) { N11->SetChecked(!N11->Checked()); }

void TForm1::N12Click(TObject* /*Sender*/) { N12->SetChecked(!N12->Checked()); }

}  // namespace kova
