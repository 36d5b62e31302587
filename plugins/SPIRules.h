#pragma once
// Rules of the plug-in host that need no Windows API: choosing a module's kind from its API
// version, splitting format masks for registration and matching them against a file name.
#include <string>
#include <vector>

#include "base/Classes.h"

namespace kova {

enum class TSPIKind { Plain, In, Am, Xn };

// "00IN", "00AM" and "00XN" exactly; anything else is a plain module.
TSPIKind KindOfAPIVersion(const std::string& version);

// The extensions one mask entry registers, in registration order: pieces are taken from the
// last semicolon backwards, each piece's extension being the text after its first point.
std::vector<std::string> RegistrationExtensions(const std::string& maskEntry);

// A whole mask entry's extension: from its last point on, or empty.
std::string MaskEntryExtension(const std::string& maskEntry);

// Whether some entry of masks has the extension ext (with its point), ASCII case ignored;
// an empty ext matches nothing.
bool MasksNameExtension(const TStrings& masks, const std::string& ext);

}  // namespace kova
