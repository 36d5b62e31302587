#include "ui/StdCtrls.h"

namespace kova {

// ---------------------------------------------------------------- TEdit

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner)
{
    FWidth = 121;
    FHeight = 21;
    SetTabStop(true);
}

void TEdit::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.WinClassName = "EDIT";
    params.Style |= ES_AUTOHSCROLL;
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

// ---------------------------------------------------------------- TMemoLines

void TMemoLines::Put(int index, const std::string& s)
{
    TStrings::Put(index, s);
    Changed();
}

int TMemoLines::Add(const std::string& s)
{
    int index = TStrings::Add(s);
    Changed();
    return index;
}

void TMemoLines::Insert(int index, const std::string& s)
{
    TStrings::Insert(index, s);
    Changed();
}

void TMemoLines::Delete(int index)
{
    TStrings::Delete(index);
    Changed();
}

void TMemoLines::Clear()
{
    TStrings::Clear();
    Changed();
}

void TMemoLines::SetText(const std::string& text)
{
    TStrings::SetText(text);
    Changed();
}

void TMemoLines::Assign(TPersistent* Source)
{
    TStrings::Assign(Source);
    Changed();
}

void TMemoLines::Changed() { FMemo->LinesChanged(); }

// ---------------------------------------------------------------- TMemo

TMemo::TMemo(TComponent* AOwner) : TWinControl(AOwner)
{
    FWidth = 185;
    FHeight = 89;
    SetTabStop(true);
}

void TMemo::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.WinClassName = "EDIT";
    params.Style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

bool TMemo::ReflectedMessage(UINT msg, WPARAM wParam, LPARAM /*lParam*/, LRESULT& result)
{
    if (msg != WM_COMMAND || HIWORD(wParam) != EN_CHANGE)
        return false;
    // What the user typed becomes the lines.
    if (!FUpdating)
        FLines.TStrings::SetText(GetText());
    result = 0;
    return true;
}

void TMemo::TextChanged()
{
    FUpdating = true;
    TWinControl::TextChanged();
    FUpdating = false;
    FLines.TStrings::SetText(FText);
}

void TMemo::LinesChanged()
{
    // The window text has no line break after its last line.
    std::string text = FLines.TStrings::Text();
    if (text.size() >= 2)
        text.resize(text.size() - 2);
    FText = text;
    FUpdating = true;
    TWinControl::TextChanged();
    FUpdating = false;
}

}  // namespace kova
