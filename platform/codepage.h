// Conversion between the program's UTF-8 text and the 8-bit code pages of files (CP932 above all).
// Content never makes a conversion fail (bad bytes are replaced), only an unknown code page name.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace sorbel {

class EscapedCharacters;  // text/escaped_characters.h

// The code page text files are written in: the user's locale character set, UTF-8 where the
// locale is plain ASCII, and "windows-31j" (CP932) for any Shift-JIS locale.
std::string SystemCodePage();

// True when `codepage` names UTF-8 in any common spelling.
bool IsUtf8CodePage(std::string_view codepage);

// True when both names lead to the same converter ("CP932" and "windows-31j" do).
bool SameCodePage(std::string_view a, std::string_view b);

// Bytes in `codepage` to UTF-8. A byte sequence invalid in that code page becomes U+FFFD.
// Throws Error(kErrCodePage) when no converter knows the name.
std::string ToUtf8(std::string_view bytes, std::string_view codepage);

// UTF-8 text to bytes in `codepage`. A character the code page cannot hold is written as a
// decimal character reference of its code point ("&#128512;"), invisible ones too ("&#8203;"),
// so nothing is lost or cut short; `escaped`, when given, notes each one. Invalid UTF-8 input
// becomes U+FFFD first. Throws Error(kErrCodePage) for an unknown name.
std::string FromUtf8(std::string_view text, std::string_view codepage,
                     EscapedCharacters* escaped = nullptr);
// The same into `out`, whose bytes it replaces and whose room it keeps where it can: a writer
// converting piece after piece then needs no fresh memory for each.
void FromUtf8Into(std::string_view text, std::string_view codepage, std::string& out,
                  EscapedCharacters* escaped = nullptr);

// One code page asked a byte sequence at a time: how tables of all its characters are built.
class CodePageProbe {
 public:
  enum class Outcome { kCharacter, kIncomplete, kInvalid };

  // Throws Error(kErrCodePage) when no converter knows the name.
  explicit CodePageProbe(std::string_view codepage);
  ~CodePageProbe();
  CodePageProbe(const CodePageProbe&) = delete;
  CodePageProbe& operator=(const CodePageProbe&) = delete;

  // The converter's own name of the code page, e.g. "ibm-943_P15A-2003" for CP932.
  const std::string& CanonicalName() const { return canonical_; }

  // True when each character takes one or two bytes and no byte shifts into another state.
  bool OneOrTwoBytes() const { return one_or_two_bytes_; }

  // `bytes` read as one whole input: one character (then `utf8` holds it), the start of one,
  // or no character of the code page.
  Outcome Decode(std::string_view bytes, std::string* utf8);

 private:
  struct Converter;
  std::unique_ptr<Converter> converter_;
  std::string canonical_;
  bool one_or_two_bytes_ = false;
};

}  // namespace sorbel
