#pragma once
// The clipboard: a picture put there as a device-independent bitmap.
#include <windows.h>

namespace kova {

// Puts width x height pixels of the source DC on the clipboard as a 24-bit CF_DIB, so that no
// program reads a fourth byte as transparency. False when the clipboard could not be had
// (another program holds it) or the copy failed.
bool CopyToClipboard(HWND owner, HDC source, int width, int height);

}  // namespace kova
