#pragma once
// Answers the real common dialogs from a timer that their own modal loop dispatches.
#include <windows.h>

#include <string>

#include "surface/Graphics.h"

namespace kova::test {

struct TDialogAnswer {
    std::string Text;       // typed into a file dialog's name box
    int Button = IDOK;
    TColor Color = clNone;  // typed into a colour dialog's red, green and blue boxes
    bool Answered = false;
    HWND Owner = nullptr;
};

inline TDialogAnswer dialogAnswer;

inline BOOL CALLBACK FindVisibleDialog(HWND wnd, LPARAM found)
{
    char cls[16] = "";
    GetClassNameA(wnd, cls, static_cast<int>(std::size(cls)));
    if (std::string(cls) != "#32770" || !IsWindowVisible(wnd))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = wnd;
    return FALSE;
}

inline void Type(HWND dialog, int id, const std::string& text)
{
    HWND box = GetDlgItem(dialog, id);
    SetWindowTextA(box, text.c_str());
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, EN_UPDATE), reinterpret_cast<LPARAM>(box));
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), reinterpret_cast<LPARAM>(box));
}

inline void CALLBACK AnswerDialog(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindVisibleDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog)
        return;
    KillTimer(nullptr, id);
    TDialogAnswer& a = dialogAnswer;
    a.Owner = GetWindow(dialog, GW_OWNER);
    HWND name = GetDlgItem(dialog, 0x47c);  // cmb13, the explorer style's name box
    if (!name)
        name = GetDlgItem(dialog, 0x480);  // edt1
    if (name && !a.Text.empty())
        SetWindowTextA(name, a.Text.c_str());
    if (a.Color != clNone) {
        const int red = 706, green = 707, blue = 708;  // the colour dialog's boxes
        Type(dialog, red, std::to_string(a.Color & 255));
        Type(dialog, green, std::to_string((a.Color >> 8) & 255));
        Type(dialog, blue, std::to_string((a.Color >> 16) & 255));
    }
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(a.Button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, a.Button)));
    a.Answered = true;
}

// Runs call, during which the first dialog shown gets the answer; true when one was
// answered. A file dialog moves the current directory: it is put back.
template <class F>
bool Answering(TDialogAnswer answer, F call)
{
    char dir[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, dir);
    dialogAnswer = std::move(answer);
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, AnswerDialog);
    call();
    KillTimer(nullptr, timer);
    SetCurrentDirectoryA(dir);
    return dialogAnswer.Answered;
}

inline TDialogAnswer FileName(const std::string& name) { return {name, IDOK}; }
inline TDialogAnswer Cancel() { return {"", IDCANCEL}; }
inline TDialogAnswer Ok() { return {"", IDOK}; }
inline TDialogAnswer Color(TColor c) { return {"", IDOK, c}; }

}  // namespace kova::test
