#include "plugins/ifwic/Formats.h"

#include "plugins/ifwic/Wic.h"

#include <algorithm>
#include <cwctype>
#include <iterator>
#include <tuple>

namespace kova::ifwic {

namespace {

// Container formats listed first, in this order.
const GUID* const FirstContainers[] = {&GUID_ContainerFormatPng, &GUID_ContainerFormatJpeg, &GUID_ContainerFormatGif,
                                       &GUID_ContainerFormatTiff};

// The host reads these with its own loader, so they keep it.
const wchar_t* const PlatformExtensions[] = {L".bmp", L".dib", L".rle", L".ico", L".wmf", L".emf"};

// The mask is one info entry: the host passes a buffer of 255 bytes, which holds 254
// characters and the NUL.
constexpr size_t MaxMask = 254;

// A text property of a decoder; empty when it has none.
template <class Get>
std::wstring Text(Get get)
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

int Rank(IWICBitmapDecoderInfo* decoder)
{
    GUID container{};
    if (FAILED(decoder->GetContainerFormat(&container)))
        return std::size(FirstContainers);
    const auto first = std::find_if(std::begin(FirstContainers), std::end(FirstContainers),
                                    [&](const GUID* g) { return IsEqualGUID(*g, container); });
    return static_cast<int>(first - std::begin(FirstContainers));
}

std::vector<FormatPair> ReadFormats()
{
    std::vector<std::tuple<int, FormatPair>> ranked;
    ComScope com;
    ComPtr<IWICImagingFactory> factory = com.CreateFactory();
    if (!factory)
        return {};
    for (const ComPtr<IWICBitmapDecoderInfo>& decoder : InstalledDecoders(factory.Get())) {
        const std::wstring extensions =
            Text([&](UINT n, WCHAR* text, UINT* length) { return decoder->GetFileExtensions(n, text, length); });
        const std::wstring name =
            Text([&](UINT n, WCHAR* text, UINT* length) { return decoder->GetFriendlyName(n, text, length); });
        FormatPair pair{MaskOf(extensions), Ansi(name)};
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
