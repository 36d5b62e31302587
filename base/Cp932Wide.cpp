#include <windows.h>

#include "base/Cp932.h"

namespace kova {

std::wstring Cp932ToWide(const std::string& s)
{
    if (s.empty())
        return std::wstring();
    int n = MultiByteToWideChar(932, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(932, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
    return out;
}

std::string WideToCp932(const std::wstring& s)
{
    if (s.empty())
        return std::string();
    int n = WideCharToMultiByte(932, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(932, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace kova
