#include "ui/Forms.h"

#include <vector>

#include "base/Exceptions.h"
#include "ui/Application.h"
#include "ui/Menus.h"

namespace kova {

namespace {

constexpr DWORD BorderStyleBits = WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX |
                                  WS_MAXIMIZEBOX | DS_MODALFRAME;
constexpr DWORD BorderExStyleBits = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;

void BorderStyles(TFormBorderStyle border, DWORD& style, DWORD& exStyle)
{
    switch (border) {
    case bsNone:
        style = WS_POPUP;
        exStyle = 0;
        break;
    case bsSingle:
        style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
        exStyle = 0;
        break;
    case bsSizeable:
        style = WS_OVERLAPPEDWINDOW;
        exStyle = 0;
        break;
    case bsDialog:
        style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
        exStyle = WS_EX_DLGMODALFRAME;
        break;
    }
}

// Disables the other enabled, visible top-level windows of this thread for one scope.
class DisabledWindows {
public:
    explicit DisabledWindows(HWND except) : FExcept(except)
    {
        EnumThreadWindows(GetCurrentThreadId(), Collect, reinterpret_cast<LPARAM>(this));
        for (HWND w : FWindows)
            EnableWindow(w, FALSE);
    }
    DisabledWindows(const DisabledWindows&) = delete;
    DisabledWindows& operator=(const DisabledWindows&) = delete;
    ~DisabledWindows()
    {
        for (HWND w : FWindows)
            if (IsWindow(w))
                EnableWindow(w, TRUE);
    }

private:
    static BOOL CALLBACK Collect(HWND wnd, LPARAM param)
    {
        auto* self = reinterpret_cast<DisabledWindows*>(param);
        if (wnd != self->FExcept && IsWindowVisible(wnd) && IsWindowEnabled(wnd))
            self->FWindows.push_back(wnd);
        return TRUE;
    }
    HWND FExcept;
    std::vector<HWND> FWindows;
};

}  // namespace

void SetStoredFormFont(TFont* font, TColor color)
{
    font->SetCharset(SHIFTJIS_CHARSET);
    font->SetColor(color);
    font->SetHeight(-12);
    font->SetName("ＭＳ Ｐゴシック");
    font->SetStyle(0);
}

TForm::TForm(TComponent* AOwner) : TWinControl(AOwner)
{
    FVisible = false;
    FColor = clBtnFace;
    FWidth = 320;
    FHeight = 240;
    SetStoredFormFont(Font());
    CreateHandle();
}

TForm::~TForm()
{
    Destroying();
    // The window would destroy the menu bar, which belongs to the menu component.
    if (FMenu)
        FMenu->Detach();
    FMenu = nullptr;
    Application->FormDestroyed(this);
}

void TForm::Destroying()
{
    TNotifyEvent handler = std::move(OnDestroy);
    OnDestroy = nullptr;
    if (handler)
        Application->Guard([&] { handler(this); });
}

void TForm::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    DWORD style = 0, exStyle = 0;
    BorderStyles(FBorderStyle, style, exStyle);
    params.Style = style | WS_CLIPCHILDREN;
    params.ExStyle = exStyle;
    params.WndParent = Application->Handle();
}

void TForm::SetBorderStyle(TFormBorderStyle v)
{
    if (v == FBorderStyle)
        return;
    FBorderStyle = v;
    DWORD style = 0, exStyle = 0;
    BorderStyles(v, style, exStyle);
    HWND wnd = Handle();
    SetWindowLongA(wnd, GWL_STYLE, static_cast<LONG>((GetWindowLongA(wnd, GWL_STYLE) & ~BorderStyleBits) | style));
    SetWindowLongA(wnd, GWL_EXSTYLE,
                   static_cast<LONG>((GetWindowLongA(wnd, GWL_EXSTYLE) & ~BorderExStyleBits) | exStyle));
    SetWindowPos(wnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TForm::SetClientWidth(int v) { ApplyClientSize(v, ClientHeight()); }

void TForm::SetClientHeight(int v) { ApplyClientSize(ClientWidth(), v); }

void TForm::ApplyClientSize(int width, int height)
{
    // Measured rather than computed: a menu bar may wrap into more rows as the width changes.
    for (int pass = 0; pass < 3; ++pass) {
        int dw = width - ClientWidth(), dh = height - ClientHeight();
        if (dw == 0 && dh == 0)
            return;
        SetBounds(FLeft, FTop, FWidth + dw, FHeight + dh);
    }
}

void TForm::SetMenu(TMainMenu* menu)
{
    if (menu == FMenu)
        return;
    int width = ClientWidth(), height = ClientHeight();
    if (FMenu)
        FMenu->Detach();
    FMenu = menu;
    if (menu) {
        if (menu->FForm)
            menu->FForm->SetMenu(nullptr);
        menu->Attach(this);
    }
    // The menu bar takes its rows from the outer window, not from the client area.
    ApplyClientSize(width, height);
}

void TForm::Show()
{
    SetVisible(true);
    SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TForm::ApplyPosition()
{
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    switch (FPosition) {
    case poDesigned:
        return;
    case poMainFormCenter: {
        TForm* main = Application->MainForm();
        if (main && main != this)
            area = main->BoundsRect().ToRECT();
        break;
    }
    case poScreenCenter:
    case poDesktopCenter:
        break;
    }
    SetBounds(area.left + (area.right - area.left - FWidth) / 2, area.top + (area.bottom - area.top - FHeight) / 2,
              FWidth, FHeight);
}

bool TForm::CloseQuery()
{
    TCloseAction action = caHide;
    if (OnClose)
        Application->Guard([&] { OnClose(this, action); });
    return action != caNone;
}

void TForm::Close()
{
    if (FModal) {
        // The modal loop asks OnClose.
        FModalResult = mrCancel;
        return;
    }
    if (!CloseQuery())
        return;
    if (Application->MainForm() == this)
        Application->Terminate();
    else
        Hide();
}

TModalResult TForm::ShowModal()
{
    if (FVisible || FModal)
        throw EInvalidOperation("表示中のウィンドウはモーダルにできません");
    if (GetCapture())
        ReleaseCapture();
    FModalResult = mrNone;
    // Declared first, so the other windows are enabled again before the form hides and
    // one of them is activated.
    struct ModalState {
        TForm* Form;
        ~ModalState()
        {
            Form->FModal = false;
            Form->Hide();
        }
    } state{this};
    DisabledWindows disabled(Handle());
    FModal = true;
    Show();
    ModalLoop();
    return FModalResult;
}

void TForm::ModalLoop()
{
    MSG msg;
    for (;;) {
        if (Application->Terminated())
            FModalResult = mrCancel;
        if (FModalResult != mrNone) {
            if (CloseQuery() || Application->Terminated())
                return;
            FModalResult = mrNone;
        }
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
            // Leave the quit for the outer loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            Application->Terminate();
            continue;
        }
        if (HandleDialogKey(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void TForm::LoadForm(const std::function<void()>& describe)
{
    TComponent::LoadDescription(this, describe);
    if (OnCreate)
        Application->Guard([this] { OnCreate(this); });
}

LRESULT TForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CLOSE:
        Close();
        return 0;
    case WM_SHOWWINDOW:
        if (wParam && OnShow)
            Application->Guard([this] { OnShow(this); });
        // Placed after OnShow, which may change the size, and before the window appears.
        if (wParam && !FShown) {
            FShown = true;
            ApplyPosition();
        }
        break;
    case WM_COMMAND:
        // Menu commands come without a control window.
        if (HIWORD(wParam) == 0 && lParam == 0 && FMenu && FMenu->DispatchCommand(LOWORD(wParam)))
            return 0;
        break;
    default:
        break;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

bool HandleDialogKey(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN || (msg.wParam != VK_RETURN && msg.wParam != VK_ESCAPE))
        return false;
    TWinControl* focused = nullptr;
    for (HWND w = msg.hwnd; w && !focused; w = GetAncestor(w, GA_PARENT))
        focused = TWinControl::FromHandle(w);
    if (!focused || focused->WantsKey(msg.wParam))
        return false;
    TControl* c = focused;
    while (c->Parent())
        c = c->Parent();
    auto* form = dynamic_cast<TForm*>(c);
    return form && IsWindowEnabled(form->Handle()) && form->DialogKey(msg.wParam);
}

}  // namespace kova
