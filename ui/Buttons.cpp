#include "ui/Buttons.h"

namespace kova {

namespace {

TForm* ParentForm(TControl* c)
{
    while (c && !dynamic_cast<TForm*>(c))
        c = c->Parent();
    return static_cast<TForm*>(c);
}

bool IsClicked(UINT msg, WPARAM wParam) { return msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED; }

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The character after a single "&" ("&&" is an ampersand), upper-cased; 0 when none.
// Stepped by characters: a double-byte character is never taken apart.
char Mnemonic(const std::string& caption)
{
    for (const char* p = caption.c_str(); *p; p = CharNextA(p)) {
        if (*p != '&')
            continue;
        if (p[1] != '&')
            return UpperAscii(p[1]);
        ++p;
    }
    return 0;
}

}  // namespace

// ---------------------------------------------------------------- TLabel

TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner) { AdjustBounds(); }

void TLabel::Paint(TCanvas* canvas)
{
    const std::string text = Caption();
    canvas->Font()->Assign(Font());
    canvas->Brush()->SetStyle(bsClear);
    RECT rc = ClientRect().ToRECT();
    DrawTextA(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &rc, DT_LEFT | DT_EXPANDTABS);
}

void TLabel::TextChanged()
{
    AdjustBounds();
    Invalidate();
}

void TLabel::FontChanged()
{
    AdjustBounds();
    TGraphicControl::FontChanged();
}

void TLabel::AdjustBounds()
{
    // An empty caption still has the height of a line.
    const std::string text = FText.empty() ? std::string(" ") : FText;
    WindowDC screen(nullptr);
    SelectGuard font(screen.get(), Font()->Handle());
    RECT rc{0, 0, 0, 0};
    DrawTextA(screen.get(), text.c_str(), static_cast<int>(text.size()), &rc, DT_CALCRECT | DT_LEFT | DT_EXPANDTABS);
    SetBounds(FLeft, FTop, rc.right, rc.bottom);
}

// ---------------------------------------------------------------- TButtonControl

bool TButtonControl::Pressable()
{
    return HandleAllocated() && IsWindowVisible(Handle()) && IsWindowEnabled(Handle());
}

bool TButtonControl::DialogKey(UINT msg, WPARAM key)
{
    const char letter = Mnemonic(Caption());
    if (msg != WM_SYSCHAR || !letter || letter != UpperAscii(static_cast<char>(key)) || !Pressable())
        return false;
    SendMessageA(Handle(), BM_CLICK, 0, 0);
    return true;
}

// ---------------------------------------------------------------- TButton

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner)
{
    FWidth = 75;
    FHeight = 25;
    SetTabStop(true);
}

void TButton::SetDefault(bool v)
{
    FDefault = v;
    if (HandleAllocated())
        SendMessageA(Handle(), BM_SETSTYLE, v ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.WinClassName = "BUTTON";
    params.Style |= FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

bool TButton::ReflectedMessage(UINT msg, WPARAM wParam, LPARAM /*lParam*/, LRESULT& result)
{
    if (!IsClicked(msg, wParam))
        return false;
    Clicked();
    result = 0;
    return true;
}

void TButton::Clicked()
{
    TForm* form = ParentForm(this);
    if (form && FModalResult != mrNone)
        form->SetModalResult(FModalResult);
    Click();
}

bool TButton::DialogKey(UINT msg, WPARAM key)
{
    if (msg != WM_KEYDOWN)
        return TButtonControl::DialogKey(msg, key);
    if (!Pressable())
        return false;
    bool take = FCancel;
    if (key == VK_RETURN) {
        // A focused button takes Enter from the default one.
        auto* focused = dynamic_cast<TButton*>(FromHandle(GetFocus()));
        take = focused ? focused == this : FDefault;
    }
    if (!take)
        return false;
    Clicked();
    return true;
}

// ---------------------------------------------------------------- TCheckBox

TCheckBox::TCheckBox(TComponent* AOwner) : TButtonControl(AOwner)
{
    FWidth = 97;
    FHeight = 17;
    SetTabStop(true);
}

void TCheckBox::SetChecked(bool v)
{
    if (v == FChecked)
        return;
    FChecked = v;
    if (HandleAllocated())
        SendMessageA(Handle(), BM_SETCHECK, v ? BST_CHECKED : BST_UNCHECKED, 0);
    if (!Loading())
        Click();
}

void TCheckBox::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.WinClassName = "BUTTON";
    params.Style |= BS_AUTOCHECKBOX;
}

void TCheckBox::HandleCreated()
{
    SendMessageA(Handle(), BM_SETCHECK, FChecked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TCheckBox::ReflectedMessage(UINT msg, WPARAM wParam, LPARAM /*lParam*/, LRESULT& result)
{
    if (!IsClicked(msg, wParam))
        return false;
    FChecked = SendMessageA(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
    Click();
    result = 0;
    return true;
}

}  // namespace kova
