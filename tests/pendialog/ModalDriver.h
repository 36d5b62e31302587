#pragma once
// Drives the pen dialog's real window from inside its modal loop: an action posted to a
// hidden window of the test runs when the loop dispatches it, with the dialog on screen.
#include <windows.h>

#include <functional>
#include <utility>

#include "pendialog/APenDlg.h"
#include "ui/Application.h"

namespace kova::driver {

// The pen dialog's window while an Execute runs, else nullptr.
inline TfrmPenDialog* OpenPenDialog()
{
    for (int i = 0; i < Application->ComponentCount(); ++i)
        if (auto* form = dynamic_cast<TfrmPenDialog*>(Application->Components(i)))
            return form;
    return nullptr;
}

class InModalLoop {
public:
    explicit InModalLoop(std::function<void(TfrmPenDialog&)> action) : FAction(std::move(action))
    {
        static const ATOM atom = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = Proc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "KovaTestModalAction";
            return RegisterClassA(&wc);
        }();
        (void)atom;
        FWnd = CreateWindowExA(0, "KovaTestModalAction", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(FWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        PostMessageA(FWnd, WM_APP, 0, 0);
    }
    InModalLoop(const InModalLoop&) = delete;
    InModalLoop& operator=(const InModalLoop&) = delete;
    ~InModalLoop() { DestroyWindow(FWnd); }

    // The action ran and found the dialog on screen.
    bool Ran() const { return FRan; }
    // The action left the dialog open, and it was cancelled for it.
    bool Forced() const { return FForced; }

private:
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<InModalLoop*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
        TfrmPenDialog* form = OpenPenDialog();
        if (!self || (msg != WM_APP && msg != WM_APP + 1))
            return DefWindowProcA(wnd, msg, wParam, lParam);
        if (!form || !IsWindowVisible(form->Handle()))
            return 0;
        if (msg == WM_APP) {
            self->FRan = true;
            self->FAction(*form);
            // Behind what the action posted: an action that stopped early must not leave
            // the loop running.
            PostMessageA(wnd, WM_APP + 1, 0, 0);
        } else if (form->ModalResult() == mrNone) {
            self->FForced = true;
            form->SetModalResult(mrCancel);
        }
        return 0;
    }

    std::function<void(TfrmPenDialog&)> FAction;
    HWND FWnd = nullptr;
    bool FRan = false;
    bool FForced = false;
};

// What the system does when the user picks an item of the list.
inline void PickItem(TComboBox* list, int index)
{
    HWND wnd = list->Handle();
    SendMessageA(wnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(GetParent(wnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(wnd), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(wnd));
}

inline void PressButton(TWinControl* button) { SendMessageA(button->Handle(), BM_CLICK, 0, 0); }

// A left click in the middle of a window of our own class.
inline void ClickWindow(TWinControl* control)
{
    HWND wnd = control->Handle();
    const LPARAM at = MAKELPARAM(control->Width() / 2, control->Height() / 2);
    SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(wnd, WM_LBUTTONUP, 0, at);
}

}  // namespace kova::driver
