#include "plugins/ifwic/Formats.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <iterator>
#include <tuple>

namespace kova::ifwic {

namespace {

// The decoders as the imaging component registers them: one key per decoder under its
// category, holding the decoder's properties. They are read here rather than through the
// component enumerator because the host reads every plug-in's formats at start-up, and COM
// and the imaging component cost Wine some 50 ms to load there.
const wchar_t DecoderInstances[] = L"CLSID\\{7ED96837-96F0-4812-B211-F13C24117ED3}\\Instance";

// Container formats listed first, in this order: PNG, JPEG, GIF, TIFF.
const wchar_t* const FirstContainers[] = {
    L"{1B7CFAF4-713F-473C-BBCD-6137425FAEAF}", L"{19E4A5AA-5662-4FC5-A0C0-1758028E1057}",
    L"{1F8A5601-7D4D-4CBD-9C82-1BC8D4EEB9A5}", L"{163BCC30-E2E9-4F0B-961D-A3E9FDB788A3}"};

// The host reads these with its own loader, so they keep it.
const wchar_t* const PlatformExtensions[] = {L".bmp", L".dib", L".rle", L".ico", L".wmf", L".emf"};

// The mask is one info entry, which the host reads into 255 characters.
constexpr size_t MaxMask = 255;

class RegKey {
public:
    RegKey(HKEY parent, const std::wstring& name)
    {
        if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, &FKey) != ERROR_SUCCESS)
            FKey = nullptr;
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey()
    {
        if (FKey)
            RegCloseKey(FKey);
    }
    HKEY get() const { return FKey; }

    std::wstring SubKey(DWORD index) const
    {
        wchar_t name[256];
        DWORD length = static_cast<DWORD>(std::size(name));
        if (RegEnumKeyExW(FKey, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return {};
        return std::wstring(name, length);
    }

    // A string value; empty when missing or of another type.
    std::wstring Text(const wchar_t* name) const
    {
        DWORD type = 0, bytes = 0;
        if (RegQueryValueExW(FKey, name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS || type != REG_SZ)
            return {};
        std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
        bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        if (RegQueryValueExW(FKey, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &bytes) !=
            ERROR_SUCCESS)
            return {};
        text.resize(wcsnlen(text.c_str(), text.size()));
        return text;
    }

private:
    HKEY FKey = nullptr;
};

std::string Ansi(const std::wstring& text)
{
    const int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1)
        return {};
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

bool IsPlatformExtension(std::wstring extension)
{
    for (wchar_t& c : extension)
        c = static_cast<wchar_t>(std::towlower(c));
    return std::find(std::begin(PlatformExtensions), std::end(PlatformExtensions), extension) !=
           std::end(PlatformExtensions);
}

// Decoders list their extensions as ".jpg,.jpeg" (Windows) or ".jpg;.jpeg" (Wine).
std::string MaskOf(const std::wstring& extensions)
{
    std::string mask;
    size_t start = 0;
    while (start < extensions.size()) {
        size_t end = extensions.find_first_of(L",; ", start);
        if (end == std::wstring::npos)
            end = extensions.size();
        const std::wstring extension = extensions.substr(start, end - start);
        start = end + 1;
        if (extension.size() < 2 || extension[0] != L'.' || IsPlatformExtension(extension))
            continue;
        const std::string pattern = (mask.empty() ? "*" : ";*") + Ansi(extension);
        if (mask.size() + pattern.size() > MaxMask)
            break;
        mask += pattern;
    }
    return mask;
}

int Rank(const std::wstring& container)
{
    for (int i = 0; i < 4; ++i)
        if (_wcsicmp(container.c_str(), FirstContainers[i]) == 0)
            return i;
    return 4;
}

std::vector<FormatPair> ReadFormats()
{
    std::vector<std::tuple<int, FormatPair>> ranked;
    const RegKey instances(HKEY_CLASSES_ROOT, DecoderInstances);
    for (DWORD i = 0; instances.get(); ++i) {
        const std::wstring clsid = instances.SubKey(i);
        if (clsid.empty())
            break;
        const RegKey decoder(HKEY_CLASSES_ROOT, L"CLSID\\" + clsid);
        FormatPair pair{MaskOf(decoder.Text(L"FileExtensions")), Ansi(decoder.Text(L"FriendlyName"))};
        if (!pair.Mask.empty() && !pair.Description.empty())
            ranked.emplace_back(Rank(decoder.Text(L"ContainerFormat")), std::move(pair));
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) {
        if (std::get<0>(a) != std::get<0>(b))
            return std::get<0>(a) < std::get<0>(b);
        return lstrcmpiA(std::get<1>(a).Description.c_str(), std::get<1>(b).Description.c_str()) < 0;
    });
    std::vector<FormatPair> formats;
    for (auto& [rank, pair] : ranked)
        formats.push_back(std::move(pair));
    return formats;
}

}  // namespace

const std::vector<FormatPair>& Formats()
{
    static const std::vector<FormatPair> formats = ReadFormats();
    return formats;
}

}  // namespace kova::ifwic
