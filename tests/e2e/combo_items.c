/* Prints the items of the combo box with the given control id in the top-level window with
   the given title, one per line as UTF-8: lets the end-to-end scripts read a dialog of
   another process. */
#include <windows.h>
#include <stdio.h>

static BOOL CALLBACK PrintCombo(HWND wnd, LPARAM id)
{
    wchar_t cls[64], item[512];
    char utf8[1536];
    LRESULT n, i;
    GetClassNameW(wnd, cls, 64);
    if (lstrcmpiW(cls, L"ComboBox") != 0 || GetDlgCtrlID(wnd) != (int)id)
        return TRUE;
    n = SendMessageW(wnd, CB_GETCOUNT, 0, 0);
    for (i = 0; i < n; ++i) {
        if (SendMessageW(wnd, CB_GETLBTEXTLEN, (WPARAM)i, 0) >= 512)
            continue;
        SendMessageW(wnd, CB_GETLBTEXT, (WPARAM)i, (LPARAM)item);
        WideCharToMultiByte(CP_UTF8, 0, item, -1, utf8, sizeof utf8, NULL, NULL);
        printf("%s\n", utf8);
    }
    return TRUE;
}

int wmain(int argc, wchar_t** argv)
{
    HWND top;
    if (argc != 3)
        return 2;
    top = FindWindowW(NULL, argv[1]);
    if (!top)
        return 1;
    EnumChildWindows(top, PrintCombo, (LPARAM)_wtoi(argv[2]));
    return 0;
}
