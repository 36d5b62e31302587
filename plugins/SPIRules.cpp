#include "plugins/SPIRules.h"

#include "base/Cp932.h"

namespace kova {

TSPIKind KindOfAPIVersion(const std::string& version)
{
    if (version == "00IN")
        return TSPIKind::In;
    if (version == "00AM")
        return TSPIKind::Am;
    if (version == "00XN")
        return TSPIKind::Xn;
    return TSPIKind::Plain;
}

std::vector<std::string> RegistrationExtensions(const std::string& maskEntry)
{
    std::vector<std::string> out;
    std::string rest = maskEntry;
    while (!rest.empty()) {
        std::string piece;
        size_t semicolon = LastDelimiter(";", rest);
        if (semicolon == std::string::npos) {
            piece = rest;
            rest.clear();
        } else {
            piece = rest.substr(semicolon + 1);
            rest.erase(semicolon);
        }
        // A point is never a trail byte, so the first one can be found directly.
        size_t point = piece.find('.');
        out.push_back(point == std::string::npos ? piece : piece.substr(point + 1));
    }
    return out;
}

std::string MaskEntryExtension(const std::string& maskEntry)
{
    size_t point = LastDelimiter(".", maskEntry);
    return point == std::string::npos ? std::string() : maskEntry.substr(point);
}

bool MasksNameExtension(const TStrings& masks, const std::string& ext)
{
    if (ext.empty())
        return false;
    for (int i = 0; i < masks.Count(); ++i)
        if (CompareTextAscii(MaskEntryExtension(masks.Strings(i)), ext) == 0)
            return true;
    return false;
}

}  // namespace kova
