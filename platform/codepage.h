// Conversion between the program's UTF-8 text and the 8-bit code pages of files (CP932 above all).
// Conversions go through ICU; content never makes them fail (bad bytes are replaced), only an
// unknown code page name or a fault inside ICU.
#pragma once

#include <memory>
#include <string>
#include <string_view>

struct UConverter;

namespace sorbel {

class EscapedCharacters;  // platform/escaped_characters.h

struct CodePageConverterCloser {
  void operator()(UConverter* converter) const;
};
using CodePageConverter = std::unique_ptr<UConverter, CodePageConverterCloser>;

// An ICU converter for `codepage`, for code that converts piece by piece.
// Throws Error(kErrCodePage) when no converter knows the name.
CodePageConverter OpenCodePageConverter(std::string_view codepage);

// The code page text files are written in: the user's locale character set, UTF-8 where the
// locale is plain ASCII, and "windows-31j" (CP932) for any Shift-JIS locale.
std::string SystemCodePage();

// True when `codepage` names UTF-8 in any common spelling.
bool IsUtf8CodePage(std::string_view codepage);

// True when `bytes` is well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

// Bytes in `codepage` to UTF-8. A byte sequence invalid in that code page becomes U+FFFD.
// Throws Error(kErrCodePage) when no converter knows the name.
std::string ToUtf8(std::string_view bytes, std::string_view codepage);

// UTF-8 text to bytes in `codepage`. A character the code page cannot hold is written as a
// decimal character reference of its code point ("&#128512;"), invisible ones too ("&#8203;"),
// so nothing is lost or cut short; `escaped`, when given, notes each one. Invalid UTF-8 input
// becomes U+FFFD first. Throws Error(kErrCodePage) for an unknown name.
std::string FromUtf8(std::string_view text, std::string_view codepage,
                     EscapedCharacters* escaped = nullptr);

}  // namespace sorbel
