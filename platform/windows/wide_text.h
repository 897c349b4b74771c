// Between the Windows files of the port: UTF-8, the program's text, to and from the UTF-16 the
// wide Win32 calls take, so that Japanese names work whatever the code page.
#pragma once

#include <string>
#include <string_view>

namespace sorbel {

// Empty for text that is not UTF-8 or holds a NUL: the call then fails on an empty name rather
// than reach another file.
std::wstring Wide(std::string_view utf8);

// Invalid UTF-16 (a lone surrogate) becomes U+FFFD.
std::string Utf8(std::wstring_view wide);

}  // namespace sorbel
