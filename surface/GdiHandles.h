#pragma once
// Move-only owners of GDI and other Windows handles, and scoped selections.
#include <windows.h>

#include <utility>

namespace kova {

// Owns a GDI object (pen, brush, font, bitmap, palette, region) and deletes it.
template <typename H>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(H h) : FHandle(h) {}
    GdiObject(GdiObject&& o) noexcept : FHandle(std::exchange(o.FHandle, nullptr)) {}
    GdiObject& operator=(GdiObject&& o) noexcept
    {
        if (this != &o)
            reset(std::exchange(o.FHandle, nullptr));
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    ~GdiObject() { reset(); }

    H get() const { return FHandle; }
    explicit operator bool() const { return FHandle != nullptr; }
    void reset(H h = nullptr)
    {
        if (FHandle)
            DeleteObject(FHandle);
        FHandle = h;
    }
    H release() { return std::exchange(FHandle, nullptr); }

private:
    H FHandle = nullptr;
};

// A memory DC from CreateCompatibleDC, deleted with DeleteDC.
class MemoryDC {
public:
    explicit MemoryDC(HDC like = nullptr) : FDC(CreateCompatibleDC(like)) {}
    MemoryDC(MemoryDC&& o) noexcept : FDC(std::exchange(o.FDC, nullptr)) {}
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    ~MemoryDC()
    {
        if (FDC)
            DeleteDC(FDC);
    }
    HDC get() const { return FDC; }

private:
    HDC FDC;
};

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

// Selects a palette into a DC for one scope.
class PaletteGuard {
public:
    PaletteGuard(HDC dc, HPALETTE pal, BOOL background = FALSE)
        : FDC(dc), FOld(SelectPalette(dc, pal, background)) {}
    PaletteGuard(const PaletteGuard&) = delete;
    PaletteGuard& operator=(const PaletteGuard&) = delete;
    ~PaletteGuard() { SelectPalette(FDC, FOld, FALSE); }

private:
    HDC FDC;
    HPALETTE FOld;
};

}  // namespace kova
