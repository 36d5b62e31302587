#pragma once
// Move-only owners of GDI and other Windows handles, and scoped selections.
#include <windows.h>

#include "base/UniqueHandle.h"

namespace kova {

// A GDI object (pen, brush, font, bitmap, palette, region), deleted with DeleteObject.
template <typename H>
using GdiObject = UniqueHandle<H, &DeleteObject>;

// A memory DC from CreateCompatibleDC, deleted with DeleteDC.
using MemoryDC = UniqueHandle<HDC, &DeleteDC>;

// A file or another kernel object, closed with CloseHandle.
using FileHandle = UniqueHandle<HANDLE, &CloseHandle, -1>;
// A search from FindFirstFile, ended with FindClose.
using FindHandle = UniqueHandle<HANDLE, &FindClose, -1>;

// A window's DC from GetDC, released with ReleaseDC.
class WindowDC {
public:
    explicit WindowDC(HWND wnd) : FWnd(wnd), FDC(GetDC(wnd)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC()
    {
        if (FDC)
            ReleaseDC(FWnd, FDC);
    }
    HDC get() const { return FDC; }

private:
    HWND FWnd;
    HDC FDC;
};

// Selects an object into a DC for one scope. Declare it after the object it selects.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ obj) : FDC(dc), FOld(SelectObject(dc, obj)) {}
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    ~SelectGuard() { SelectObject(FDC, FOld); }

private:
    HDC FDC;
    HGDIOBJ FOld;
};

// Selects a palette into a DC for one scope, as a foreground or background palette.
class PaletteGuard {
public:
    PaletteGuard(HDC dc, HPALETTE pal, BOOL background)
        : FDC(dc), FOld(SelectPalette(dc, pal, background)), FBackground(background) {}
    PaletteGuard(const PaletteGuard&) = delete;
    PaletteGuard& operator=(const PaletteGuard&) = delete;
    ~PaletteGuard() { SelectPalette(FDC, FOld, FBackground); }

private:
    HDC FDC;
    HPALETTE FOld;
    BOOL FBackground;
};

}  // namespace kova
