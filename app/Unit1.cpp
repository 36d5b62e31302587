// The main window's creation and its menu commands.
#include "app/Unit1.h"

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
}

void TForm1::Exit1Click(TObject* /*Sender*/) { Close(); }

void TForm1::N8Click(TObject* /*Sender*/) { N8->SetChecked(!N8->Checked()); }

void TForm1::N11Click(TObject* /*Sender*/) { N11->SetChecked(!N11->Checked()); }

void TForm1::N12Click(TObject* /*Sender*/) { N12->SetChecked(!N12->Checked()); }

}  // namespace kova
