#pragma once
// Forms: top-level windows owned by the application window, loaded from a form description.
// Keys go round their controls as the platform's dialog manager does it.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ui/Controls.h"

namespace kova {

class TMainMenu;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };
// Where the form goes when it is first shown.
enum TPosition { poDesigned, poScreenCenter, poDesktopCenter, poMainFormCenter };
enum TCloseAction { caNone, caHide };

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;

// The font the form descriptions store: SHIFTJIS_CHARSET, height -12, "ＭＳ Ｐゴシック",
// colour (clWindowText unless given), regular.
void SetStoredFormFont(TFont* font, TColor color = clWindowText);

class TForm : public TWinControl {
public:
    // Creates the window, hidden, with the stored form font (SHIFTJIS_CHARSET, height -12,
    // "ＭＳ Ｐゴシック") and colour clBtnFace.
    explicit TForm(TComponent* AOwner);
    ~TForm() override;

    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    // Keeps the outer bounds.
    void SetBorderStyle(TFormBorderStyle v);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition v) { FPosition = v; }
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int v) { FPixelsPerInch = v; }
    // The client area gets exactly this size, menu bar excluded.
    void SetClientWidth(int v) override;
    void SetClientHeight(int v) override;

    TMainMenu* Menu() const { return FMenu; }
    void SetMenu(TMainMenu* menu);

    void Show() override;
    // caHide by default; the main form's close ends the application, a modal form's close
    // ends ShowModal with mrCancel.
    void Close();
    // Shows the form, owned by the active window, with every other window of the thread
    // disabled until ModalResult is set (or the form is closed); returns ModalResult.
    TModalResult ShowModal();
    // Moves the focus to the next (or previous) tab stop, wrapping at the ends; false when
    // the form has none.
    bool SelectNext(bool forward);
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult v) { FModalResult = v; }

    // Keys for the whole program, kept by the main form: Ctrl plus key (an upper-case letter
    // or a digit) runs action while any window of the program is active and none is modal.
    // An edit control with the focus keeps the keys it uses itself (undo, cut, copy, paste,
    // select all).
    void AddShortcut(char key, std::function<void()> action);
    // A file dropped onto the window from the shell goes to handler (the first one, when
    // several are dropped together).
    void AcceptFiles(std::function<void(const std::string&)> handler);

    TNotifyEvent OnCreate;
    TCloseEvent OnClose;
    TNotifyEvent OnShow;
    TNotifyEvent OnDestroy;
    // Windows asks whether the session may end (WM_QUERYENDSESSION); it may, once this ran.
    TNotifyEvent OnEndSession;

protected:
    // For a derived form's destructor: raises OnDestroy (once) while the derived form and
    // its fields still exist.
    void Destroying();
    // For a derived form's constructor: runs the description (components created, stored
    // properties set, then Loaded to each), then OnCreate inside the application's guard.
    void LoadForm(const std::function<void()>& describe);
    void CreateParams(TCreateParams& params) override;
    void VisibleChanged() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    friend class TMainMenu;
    // The form itself got the focus: it goes on to the control that had it last, or else
    // to the first tab stop. False when there is none.
    bool FocusControl();
    void ApplyPosition();
    void SetOwnerWindow(HWND owner);
    void ModalLoop();
    void ApplyClientSize(int width, int height);
    // Calls OnClose; false when it answered caNone.
    bool CloseQuery();

    TFormBorderStyle FBorderStyle = bsSizeable;
    TPosition FPosition = poDesigned;
    int FPixelsPerInch = 96;
    TMainMenu* FMenu = nullptr;
    TModalResult FModalResult = mrNone;
    bool FModal = false;
    bool FShown = false;
    HWND FLastFocus = nullptr;  // the focused control when the form was last deactivated
    std::vector<std::pair<char, std::function<void()>>> FShortcuts;
    std::function<void(const std::string&)> FOnDropFile;

    friend bool HandleDialogKey(const MSG& msg);
    bool RunShortcut(const MSG& msg);
};

// For message loops, before a key message is dispatched: the main form's keys for the whole
// program, then in the form of the focused window,
// Tab and Shift+Tab move the focus, Enter and Esc go to the default and cancel buttons and
// Alt plus a letter to the button with that "&" letter, unless the focused control uses
// the key itself. True when the key was taken.
bool HandleDialogKey(const MSG& msg);

}  // namespace kova
