// The Shift_JIS path helpers on any bytes: a path splits into directory and name, the
// extension ends the name, and ASCII case mapping keeps the length and compares equal.
#include <string>

#include "base/Cp932.h"
#include "fuzz/Require.h"

using namespace kova;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path(reinterpret_cast<const char*>(data), size);
    const std::string name = ExtractFileName(path);
    Require(ExtractFilePath(path) + name == path, "directory and name make the path");
    const std::string ext = ExtractFileExt(path);
    Require(ext.empty() || (ext[0] == '.' && name.ends_with(ext)), "the extension ends the name");
    const std::string lower = AnsiLowerCaseAscii(path);
    Require(lower.size() == path.size() && CompareTextAscii(path, lower) == 0, "case mapping keeps the text");
    const std::string dir = IncludeTrailingBackslash(path);
    Require(dir == path || dir == path + "\\", "at most a backslash is added");
    return 0;
}
