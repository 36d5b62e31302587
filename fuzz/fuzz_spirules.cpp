// The mask and candidate rules of the plug-in host, on a mask entry from outside.
#include <string>

#include "fuzz/Require.h"
#include "plugins/SPIRules.h"

using namespace kova;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string entry(reinterpret_cast<const char*>(data), size);
    for (const std::string& ext : RegistrationExtensions(entry))
        Require(entry.find(ext) != std::string::npos, "a registered extension is part of the entry");
    const std::string ext = MaskEntryExtension(entry);
    Require(ext.empty() || (ext[0] == '.' && entry.ends_with(ext)), "the entry's extension ends it");
    TStrings masks;
    masks.Add(entry);
    Require(MasksNameExtension(masks, ext) == !ext.empty(), "an entry names its own extension");
    KindOfAPIVersion(entry);
    return 0;
}
