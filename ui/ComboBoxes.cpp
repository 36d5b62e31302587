#include "ui/ComboBoxes.h"

#include "ui/Application.h"

namespace kova {

// ---------------------------------------------------------------- TComboBoxItems

int TComboBoxItems::Add(const std::string& s)
{
    int index = TStrings::Add(s);
    if (FCombo->HandleAllocated())
        SendMessageA(FCombo->Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
    return index;
}

void TComboBoxItems::Clear()
{
    TStrings::Clear();
    FCombo->FItemIndex = -1;
    if (FCombo->HandleAllocated())
        SendMessageA(FCombo->Handle(), CB_RESETCONTENT, 0, 0);
}

// ---------------------------------------------------------------- TComboBox

TComboBox::TComboBox(TComponent* AOwner) : TWinControl(AOwner)
{
    FWidth = 145;
    FHeight = 21;
    SetTabStop(true);
}

int TComboBox::ItemIndex() const { return FItemIndex; }

void TComboBox::SetItemIndex(int v)
{
    // As the window does: an index without an item selects nothing.
    if (v < -1 || v >= FItems.Count())
        v = -1;
    FItemIndex = v;
    if (HandleAllocated())
        SendMessageA(Handle(), CB_SETCURSEL, static_cast<WPARAM>(v), 0);
}

void TComboBox::SetItemHeight(int v)
{
    if (v > 0)
        FItemHeight = v;
    if (HandleAllocated() && FStyle == csOwnerDrawFixed) {
        SendMessageA(Handle(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), FItemHeight);
        SendMessageA(Handle(), CB_SETITEMHEIGHT, 0, FItemHeight);
    }
}

bool TComboBox::WantsKey(WPARAM /*key*/)
{
    return HandleAllocated() && SendMessageA(Handle(), CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TComboBox::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.WinClassName = "COMBOBOX";
    params.Style |= WS_VSCROLL | CBS_DROPDOWNLIST | CBS_HASSTRINGS;
    if (FStyle == csOwnerDrawFixed)
        params.Style |= CBS_OWNERDRAWFIXED;
    // The window's height includes the dropped-down list.
    params.Height = FHeight + DropDownHeight();
}

void TComboBox::HandleCreated()
{
    SetItemHeight(FItemHeight);
    HWND wnd = Handle();
    for (int i = 0; i < FItems.Count(); ++i)
        SendMessageA(wnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(FItems.Strings(i).c_str()));
    SendMessageA(wnd, CB_SETCURSEL, static_cast<WPARAM>(FItemIndex), 0);
}

void TComboBox::BoundsChanged(const TRect& /*oldBounds*/)
{
    if (HandleAllocated())
        SetWindowPos(Handle(), nullptr, FLeft, FTop, FWidth, FHeight + DropDownHeight(),
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TComboBox::ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (msg == WM_COMMAND && HIWORD(wParam) == CBN_SELCHANGE) {
        FItemIndex = static_cast<int>(SendMessageA(Handle(), CB_GETCURSEL, 0, 0));
        if (OnChange)
            Application->Guard([this] { OnChange(this); });
        result = 0;
        return true;
    }
    if (msg == WM_DRAWITEM) {
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    }
    return false;
}

void TComboBox::DrawItem(const DRAWITEMSTRUCT& item)
{
    const auto state = static_cast<TOwnerDrawState>(item.itemState & 0xFFFF);
    const int index = static_cast<int>(item.itemID);
    const TRect r = Rect(item.rcItem.left, item.rcItem.top, item.rcItem.right, item.rcItem.bottom);
    FCanvas.Attach(item.hDC);
    Application->Guard([&] {
        FCanvas.Font()->Assign(Font());
        FCanvas.Brush()->SetStyle(bsSolid);
        FCanvas.Brush()->SetColor(FColor);
        if (index < 0) {
            FCanvas.FillRect(r);
            return;
        }
        if (state & odSelected) {
            FCanvas.Brush()->SetColor(clHighlight);
            FCanvas.Font()->SetColor(clHighlightText);
        }
        if (OnDrawItem) {
            OnDrawItem(this, index, r, state);
            return;
        }
        FCanvas.FillRect(r);
        FCanvas.TextOut(r.Left + 2, r.Top, FItems.Strings(index));
    });
    if (state & odFocused)
        DrawFocusRect(item.hDC, &item.rcItem);
    FCanvas.Detach();
}

}  // namespace kova
