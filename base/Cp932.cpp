#include "base/Cp932.h"

namespace kova {

bool IsCp932LeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

size_t LastDelimiter(const std::string& delims, const std::string& text)
{
    size_t found = std::string::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsCp932LeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
            ++i;
            continue;
        }
        if (delims.find(text[i]) != std::string::npos)
            found = i;
    }
    return found;
}

std::string ExtractFilePath(const std::string& fileName)
{
    size_t i = LastDelimiter("\\:", fileName);
    return i == std::string::npos ? std::string() : fileName.substr(0, i + 1);
}

std::string ExtractFileName(const std::string& fileName)
{
    size_t i = LastDelimiter("\\:", fileName);
    return i == std::string::npos ? fileName : fileName.substr(i + 1);
}

std::string ExtractFileExt(const std::string& fileName)
{
    size_t i = LastDelimiter(".\\:", fileName);
    if (i == std::string::npos || fileName[i] != '.')
        return std::string();
    return fileName.substr(i);
}

std::string IncludeTrailingBackslash(const std::string& path)
{
    if (path.empty() || LastDelimiter("\\", path) == path.size() - 1)
        return path;
    return path + "\\";
}

std::string AnsiLowerCaseAscii(const std::string& s)
{
    std::string out = s;
    for (size_t i = 0; i < out.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        if (IsCp932LeadByte(c) && i + 1 < out.size()) {
            ++i;
            continue;
        }
        if (c >= 'A' && c <= 'Z')
            out[i] = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

int CompareTextAscii(const std::string& a, const std::string& b)
{
    std::string la = AnsiLowerCaseAscii(a);
    std::string lb = AnsiLowerCaseAscii(b);
    return la.compare(lb) < 0 ? -1 : (la == lb ? 0 : 1);
}

}  // namespace kova
