// KOVA's own Susie picture plug-in (API "00IN"): every format the platform's imaging
// component decodes. No exception leaves an export.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "plugins/ifwic/Formats.h"
#include "plugins/ifwic/Picture.h"

using namespace kova::ifwic;

namespace {

// Entry n of GetPluginInfo; empty when there is none.
std::string InfoEntry(int number)
{
    if (number == 0)
        return "00IN";
    if (number == 1)
        return "KOVA WIC plug-in";
    const size_t pair = static_cast<size_t>(number - 2) / 2;
    if (pair >= Formats().size())
        return {};
    return number % 2 == 0 ? Formats()[pair].Mask : Formats()[pair].Description;
}

template <class Call>
int Guarded(Call call)
{
    try {
        return call();
    } catch (const std::bad_alloc&) {
        return SpiNoMemory;
    } catch (...) {
        return SpiInternalError;
    }
}

int Decode(const char* buf, int32_t len, uint32_t flag, HLOCAL* pHBInfo, HLOCAL* pHBm, ProgressCallback progress,
           int32_t data)
{
    if (pHBInfo == nullptr || pHBm == nullptr)
        return SpiInternalError;
    *pHBInfo = *pHBm = nullptr;
    return Guarded([&] { return DecodePicture({buf, len, flag}, *pHBInfo, *pHBm, progress, data); });
}

}  // namespace

extern "C" {

__declspec(dllexport) int WINAPI GetPluginInfo(int infono, LPSTR buf, int buflen)
{
    if (infono < 0 || buf == nullptr || buflen < 1)
        return 0;
    try {
        const std::string entry = InfoEntry(infono);
        if (entry.empty())
            return 0;
        const size_t n = std::min(entry.size(), static_cast<size_t>(buflen) - 1);
        std::memcpy(buf, entry.data(), n);
        buf[n] = '\0';
        return static_cast<int>(n);
    } catch (...) {
        return 0;
    }
}

// dw is the address of the picture's first 2048 bytes or, in the older form of the call, a
// file handle positioned at the picture (its high word is then zero).
__declspec(dllexport) int WINAPI IsSupported(LPCSTR, DWORD dw)
{
    uint8_t head[HeadSize] = {};
    if ((dw & 0xFFFF0000u) == 0) {
        DWORD got = 0;
        if (!ReadFile(reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(dw)), head, HeadSize, &got, nullptr))
            return 0;
    } else {
        std::memcpy(head, reinterpret_cast<const void*>(static_cast<ULONG_PTR>(dw)), HeadSize);
    }
    return Guarded([&] { return Recognised(head); });
}

__declspec(dllexport) int WINAPI GetPictureInfo(LPCSTR buf, int32_t len, uint32_t flag, PictureInfo* lpInfo)
{
    if (lpInfo == nullptr)
        return SpiInternalError;
    // A host may free a nonzero text handle whatever the result.
    *lpInfo = PictureInfo{};
    return Guarded([&] { return ReadPictureInfo({buf, len, flag}, *lpInfo); });
}

__declspec(dllexport) int WINAPI GetPicture(LPCSTR buf, int32_t len, uint32_t flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                                            ProgressCallback lpPrgressCallback, int32_t lData)
{
    return Decode(buf, len, flag, pHBInfo, pHBm, lpPrgressCallback, lData);
}

// The preview is the whole picture: the host shows what it is given.
__declspec(dllexport) int WINAPI GetPreview(LPCSTR buf, int32_t len, uint32_t flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                                            ProgressCallback lpPrgressCallback, int32_t lData)
{
    return Decode(buf, len, flag, pHBInfo, pHBm, lpPrgressCallback, lData);
}

}  // extern "C"
