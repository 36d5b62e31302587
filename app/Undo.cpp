// Undo and redo, and the question before a diagram with unsaved changes is closed.
#include <windows.h>

#include "app/Recovery.h"
#include "app/Unit1.h"
#include "ui/Application.h"

namespace kova {

void TForm1::Checkpoint()
{
    if (FHistory.Record(DiagramDocument()))
        StateChanged();
}

// Not while an edit or a drag is under way: the step would cut into it.
void TForm1::UndoStep()
{
    if (Edit1->Visible() || Mode != 0 || !FHistory.Undo())
        return;
    OpenDocument(FHistory.Current());
    StateChanged();
}

void TForm1::RedoStep()
{
    if (Edit1->Visible() || Mode != 0 || !FHistory.Redo())
        return;
    OpenDocument(FHistory.Current());
    StateChanged();
}

bool TForm1::SaveChangesFirst()
{
    if (!Modified())
        return true;
    switch (MessageBoxA(Handle(), "変更内容を保存しますか？", Application->Title().c_str(),
                        MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
        return SaveDialog1->Execute() && SaveDiagram(SaveDialog1->FileName);
    case IDNO:
        return true;
    default:
        return false;
    }
}

// A save that fails raises, and the window stays.
void TForm1::FormClose(TObject* /*Sender*/, TCloseAction& Action)
{
    Action = caNone;
    if (!SaveChangesFirst())
        return;
    Action = caHide;
    // Saved, or left unsaved on purpose: the copy goes.
    FCopyTimer->SetEnabled(false);
    if (Recovery)
        Recovery->Discard();
}

void TForm1::OpenDiagram(const diagram::Document& doc)
{
    if (!SaveChangesFirst())
        return;
    OpenDocument(doc);
    Checkpoint();
    FSavedState = FHistory.State();
    StateChanged();
}

}  // namespace kova
