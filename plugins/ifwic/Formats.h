#pragma once
// The plug-in's format pairs: one per installed decoder of the platform.
#include <string>
#include <vector>

namespace kova::ifwic {

struct FormatPair {
    std::string Mask;         // "*.jpg;*.jpeg"
    std::string Description;  // the decoder's friendly name
};

// PNG, JPEG, GIF and TIFF first, then the others by name; the extensions that the platform
// loader of the host reads itself are left out. Read once per process.
const std::vector<FormatPair>& Formats();

}  // namespace kova::ifwic
