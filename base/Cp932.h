#pragma once
// Helpers for Shift_JIS (code page 932) strings: a lead byte's trail byte may be a
// backslash or a point, so splitting must step over whole characters.
#include <string>

namespace kova {

bool IsCp932LeadByte(unsigned char c);

// Byte index of the last character in text that is one of delims, or npos.
size_t LastDelimiter(const std::string& delims, const std::string& text);

// "C:\dir\name.ext" -> "C:\dir\" ; "name.ext" ; ".ext" (empty when there is none).
std::string ExtractFilePath(const std::string& fileName);
std::string ExtractFileName(const std::string& fileName);
std::string ExtractFileExt(const std::string& fileName);
// Appends a backslash unless the path ends with one (or is empty).
std::string IncludeTrailingBackslash(const std::string& path);

// ASCII-only case mapping and comparison; double-byte characters are left alone.
std::string AnsiLowerCaseAscii(const std::string& s);
int CompareTextAscii(const std::string& a, const std::string& b);

// Conversion between CP932 and UTF-16 (wide) text.
std::wstring Cp932ToWide(const std::string& s);
std::string WideToCp932(const std::wstring& s);

}  // namespace kova
