#include "ui/Clipboard.h"

#include <cstring>

#include "surface/GdiHandles.h"

namespace kova {

namespace {

// The pixels as a packed 24-bit DIB (header, then bottom-up rows) in movable global memory.
HGLOBAL PackedDib24(HDC source, int width, int height)
{
    BITMAPINFO info{};
    BITMAPINFOHEADER& header = info.bmiHeader;
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    void* bits = nullptr;
    GdiObject<HBITMAP> dib(CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    MemoryDC dc(CreateCompatibleDC(source));
    if (!dib || !dc.get())
        return nullptr;
    {
        SelectGuard select(dc.get(), dib.get());
        if (!BitBlt(dc.get(), 0, 0, width, height, source, 0, 0, SRCCOPY))
            return nullptr;
    }
    GdiFlush();
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    header.biSizeImage = static_cast<DWORD>(stride * static_cast<size_t>(height));
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(header) + header.biSizeImage);
    auto* bytes = memory ? static_cast<BYTE*>(GlobalLock(memory)) : nullptr;
    if (!bytes) {
        if (memory)
            GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(bytes, &header, sizeof(header));
    std::memcpy(bytes + sizeof(header), bits, header.biSizeImage);
    GlobalUnlock(memory);
    return memory;
}

}  // namespace

bool CopyToClipboard(HWND owner, HDC source, int width, int height)
{
    if (width <= 0 || height <= 0)
        return false;
    HGLOBAL dib = PackedDib24(source, width, height);
    if (!dib)
        return false;
    if (!OpenClipboard(owner)) {
        GlobalFree(dib);
        return false;
    }
    // Once SetClipboardData succeeds the memory is the system's.
    const bool placed = EmptyClipboard() && SetClipboardData(CF_DIB, dib);
    CloseClipboard();
    if (!placed)
        GlobalFree(dib);
    return placed;
}

}  // namespace kova
