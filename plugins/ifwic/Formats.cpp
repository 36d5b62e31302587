#include "plugins/ifwic/Formats.h"

#include <algorithm>
#include <cwctype>
#include <tuple>

#include "plugins/ifwic/Wic.h"

namespace kova::ifwic {

namespace {

// The host reads these with its own loader, so they keep it.
const wchar_t* const PlatformExtensions[] = {L".bmp", L".dib", L".rle", L".ico", L".wmf", L".emf"};

// The mask is one info entry, which the host reads into 255 characters.
constexpr size_t MaxMask = 255;

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

// A string property of a component, asked for its length first.
template <class Getter>
std::wstring Text(Getter get)
{
    UINT length = 0;
    if (FAILED(get(0, nullptr, &length)) || length == 0)
        return {};
    std::wstring text(length, L'\0');
    if (FAILED(get(length, text.data(), &length)))
        return {};
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
}

int Rank(IWICBitmapDecoderInfo* decoder)
{
    static const GUID* const first[] = {&GUID_ContainerFormatPng, &GUID_ContainerFormatJpeg, &GUID_ContainerFormatGif,
                                        &GUID_ContainerFormatTiff};
    GUID container{};
    decoder->GetContainerFormat(&container);
    for (int i = 0; i < 4; ++i)
        if (IsEqualGUID(container, *first[i]))
            return i;
    return 4;
}

std::vector<FormatPair> ReadFormats()
{
    ComScope com;
    if (!com.Usable())
        return {};
    ComPtr<IWICImagingFactory> factory = CreateFactory();
    if (!factory)
        return {};
    std::vector<std::tuple<int, FormatPair>> ranked;
    for (const ComPtr<IWICBitmapDecoderInfo>& decoder : InstalledDecoders(factory.Get())) {
        FormatPair pair{MaskOf(Text([&](UINT n, WCHAR* s, UINT* got) { return decoder->GetFileExtensions(n, s, got); })),
                        Ansi(Text([&](UINT n, WCHAR* s, UINT* got) { return decoder->GetFriendlyName(n, s, got); }))};
        if (!pair.Mask.empty() && !pair.Description.empty())
            ranked.emplace_back(Rank(decoder.Get()), std::move(pair));
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
