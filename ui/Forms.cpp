#include "ui/Forms.h"

#include <shellapi.h>

#include <algorithm>
#include <iterator>
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
    explicit DisabledWindows(HWND except)
    {
        for (HWND w : VisibleThreadWindows())
            if (w != except && IsWindowEnabled(w))
                FWindows.push_back(w);
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
    std::vector<HWND> FWindows;
};

bool KeyHeld(int key) { return GetKeyState(key) < 0; }

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

void TForm::VisibleChanged()
{
    // The program's button comes with its main window, before the window shows.
    if (FVisible && Application->MainForm() == this)
        Application->ShowButton();
    TWinControl::VisibleChanged();
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
    // its owner is activated.
    struct ModalState {
        TForm* Form;
        ~ModalState()
        {
            Form->FModal = false;
            Form->Hide();
            Form->SetOwnerWindow(Application->Handle());
        }
    } state{this};
    // Owned by the window it was opened from, the form stays above that window.
    HWND active = GetActiveWindow();
    SetOwnerWindow(active && active != Handle() ? active : Application->Handle());
    DisabledWindows disabled(Handle());
    FModal = true;
    Show();
    ModalLoop();
    return FModalResult;
}

void TForm::SetOwnerWindow(HWND owner)
{
    SetWindowLongPtrA(Handle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
}

bool TForm::SelectNext(bool forward)
{
    std::vector<TWinControl*> stops;
    GetTabOrderList(stops);
    if (stops.empty())
        return false;
    const int count = static_cast<int>(stops.size());
    // The stop that holds the focus is the nearest one above the focused window.
    int current = -1;
    for (HWND w = GetFocus(); w && w != Handle() && current < 0; w = GetParent(w)) {
        auto it = std::find_if(stops.begin(), stops.end(), [w](TWinControl* c) { return c->Handle() == w; });
        if (it != stops.end())
            current = static_cast<int>(it - stops.begin());
    }
    const int next = current < 0 ? (forward ? 0 : count - 1) : (current + (forward ? 1 : count - 1)) % count;
    ::SetFocus(stops[static_cast<size_t>(next)]->Handle());
    // The keyboard is in use: focus rectangles show from now on.
    SendMessageA(Handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    return true;
}

bool TForm::FocusControl()
{
    HWND target = FLastFocus;
    if (!target || !IsChild(Handle(), target) || !IsWindowVisible(target) || !IsWindowEnabled(target)) {
        std::vector<TWinControl*> stops;
        GetTabOrderList(stops);
        target = stops.empty() ? nullptr : stops.front()->Handle();
    }
    if (target)
        ::SetFocus(target);
    return target != nullptr;
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
    case WM_QUERYENDSESSION:
        if (OnEndSession)
            Application->Guard([this] { OnEndSession(this); });
        return TRUE;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(Handle(), focus))
                FLastFocus = focus;
        }
        break;
    case WM_SETFOCUS:
        if (FocusControl())
            return 0;
        break;
    case WM_SYSCOMMAND:
        // The forms have no buttons of their own: minimizing one minimizes the program.
        if ((wParam & 0xFFF0) == SC_MINIMIZE) {
            Application->Minimize();
            return 0;
        }
        break;
    case WM_SHOWWINDOW:
        if (wParam && OnShow)
            Application->Guard([this] { OnShow(this); });
        // Placed after OnShow, which may change the size, and before the window appears.
        if (wParam && !FShown) {
            FShown = true;
            ApplyPosition();
        }
        break;
    case WM_DROPFILES: {
        auto drop = reinterpret_cast<HDROP>(wParam);
        // Asked for its length first, so that no long name is cut short.
        std::string name(DragQueryFileA(drop, 0, nullptr, 0), '\0');
        const bool got = !name.empty() && DragQueryFileA(drop, 0, name.data(), static_cast<UINT>(name.size() + 1)) > 0;
        DragFinish(drop);
        if (got && FOnDropFile)
            Application->Guard([this, &name] { FOnDropFile(name); });
        return 0;
    }
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

void TForm::AddShortcut(char key, std::function<void()> action) { FShortcuts.emplace_back(key, std::move(action)); }

void TForm::AcceptFiles(std::function<void(const std::string&)> handler)
{
    FOnDropFile = std::move(handler);
    DragAcceptFiles(Handle(), FOnDropFile != nullptr);
}

bool TForm::RunShortcut(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN || !KeyHeld(VK_CONTROL) || KeyHeld(VK_MENU) || !IsWindowEnabled(Handle()))
        return false;
    // Only for a window of ours; a modal window of ours disables the main form.
    HWND top = GetAncestor(msg.hwnd, GA_ROOT);
    if (!top || !dynamic_cast<TForm*>(TWinControl::FromHandle(top)))
        return false;
    char className[16] = {};
    GetClassNameA(msg.hwnd, className, static_cast<int>(std::size(className)));
    static constexpr WPARAM editKeys[] = {'Z', 'X', 'C', 'V', 'A'};
    if (lstrcmpiA(className, "Edit") == 0 && std::find(std::begin(editKeys), std::end(editKeys), msg.wParam) != std::end(editKeys))
        return false;
    for (const auto& [key, action] : FShortcuts) {
        if (static_cast<WPARAM>(key) == msg.wParam) {
            Application->Guard(action);
            return true;
        }
    }
    return false;
}

bool HandleDialogKey(const MSG& msg)
{
    if (TForm* main = Application->MainForm(); main && main->RunShortcut(msg))
        return true;
    const bool keyDown = msg.message == WM_KEYDOWN;
    const bool tab = keyDown && msg.wParam == VK_TAB && !KeyHeld(VK_CONTROL) && !KeyHeld(VK_MENU);
    const bool enterOrEsc = keyDown && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE);
    if (!tab && !enterOrEsc && msg.message != WM_SYSCHAR)
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
    if (!form || !IsWindowEnabled(form->Handle()))
        return false;
    return tab ? form->SelectNext(!KeyHeld(VK_SHIFT)) : form->DialogKey(msg.message, msg.wParam);
}

}  // namespace kova
