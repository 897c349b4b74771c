// Code page conversions through Windows' own tables (MultiByteToWideChar, WideCharToMultiByte),
// answering byte for byte as the Linux build's ICU converters do (docs/windows.md).
#include "platform/codepage.h"

#include <emmintrin.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/error.h"
#include "text/escaped_characters.h"
#include "text/utf8.h"

namespace sorbel {
namespace {

constexpr UINT kCp932 = 932;
constexpr UINT kUtf8 = CP_UTF8;

// A name as ICU compares names: letters and digits only, in lower case.
std::string Squeezed(std::string_view name) {
  std::string out;
  for (unsigned char c : name) {
    if (std::isalnum(c)) out += static_cast<char>(std::tolower(c));
  }
  return out;
}

struct Name {
  const char* squeezed;
  UINT code_page;
};
// The names the data sources and tests use, with ICU's aliases for them.
constexpr Name kNames[] = {
    {"windows31j", kCp932}, {"cp932", kCp932},      {"ms932", kCp932}, {"shiftjis", kCp932},
    {"sjis", kCp932},       {"mskanji", kCp932},    {"xsjis", kCp932}, {"cswindows31j", kCp932},
    {"csshiftjis", kCp932}, {"utf8", kUtf8},        {"eucjp", 20932},  {"xeucjp", 20932},
    {"iso2022jp", 50220},   {"csiso2022jp", 50220}, {"latin1", 28591}, {"l1", 28591},
    {"usascii", 20127},     {"ascii", 20127},
};

// The code page a name stands for; 0 when none does. "windows-<n>", "cp<n>", "ibm-<n>" and
// "iso-8859-<n>" are taken for any code page the system has.
UINT CodePageOf(std::string_view name) {
  const std::string key = Squeezed(name);
  for (const Name& n : kNames) {
    if (key == Squeezed(n.squeezed)) return n.code_page;
  }
  auto number_after = [&](std::string_view prefix) -> UINT {
    if (key.size() <= prefix.size() || key.compare(0, prefix.size(), prefix) != 0) return 0;
    UINT n = 0;
    for (char c : key.substr(prefix.size())) {
      if (c < '0' || c > '9' || n > 100000) return 0;
      n = n * 10 + static_cast<UINT>(c - '0');
    }
    return n;
  };
  UINT cp = 0;
  if (UINT n = number_after("iso8859"); n >= 1 && n <= 15) {
    cp = 28590 + n;
  } else if (UINT w = number_after("windows"); w != 0) {
    cp = w;
  } else if (UINT c = number_after("cp"); c != 0) {
    cp = c;
  } else if (UINT i = number_after("ibm"); i != 0) {
    cp = i;
  }
  if (cp == 65001) return kUtf8;
  return cp != 0 && ::IsValidCodePage(cp) ? cp : 0;
}

UINT NeedCodePage(std::string_view name) {
  const UINT cp = CodePageOf(name);
  if (cp == 0)
    throw Error(kErrCodePage, "文字コード「" + std::string(name) + "」は使用できません。");
  return cp;
}

// Code pages that take neither WC_NO_BEST_FIT_CHARS nor the used-default flag, nor
// MB_ERR_INVALID_CHARS: their characters are checked by a round trip instead.
bool TakesNoFlags(UINT cp) {
  return (cp >= 50220 && cp <= 50229) || cp == 52936 || cp == 54936 ||
         (cp >= 57002 && cp <= 57011) || cp == 65000 || cp == 42;
}

// Where ICU's windows-31j and Windows' code page 932 part (docs/windows.md "Code page
// differences"): the bytes Windows reads as a character and ICU as none, and the characters
// each writes differently (ICU's byte pair, or none: then the character is escaped).
constexpr unsigned char kCp932NoCharacter[] = {0x80, 0xA0, 0xFD, 0xFE, 0xFF};
struct Cp932Encoding {
  std::uint16_t code_point;
  std::uint16_t bytes;  // 0: ICU has no form for it
};
constexpr Cp932Encoding kCp932Encodings[] = {
    {0x0080, 0}, {0xF86F, 0x8782}, {0xF8F0, 0}, {0xF8F1, 0}, {0xF8F2, 0}, {0xF8F3, 0},
};

const Cp932Encoding* Cp932EncodingOf(char32_t c) {
  for (const Cp932Encoding& e : kCp932Encodings) {
    if (e.code_point == c) return &e;
  }
  return nullptr;
}

bool Cp932NoCharacter(unsigned char b) {
  return std::find(std::begin(kCp932NoCharacter), std::end(kCp932NoCharacter), b) !=
         std::end(kCp932NoCharacter);
}

void AppendWide(const wchar_t* wide, int length, std::string& out) {
  for (int i = 0; i < length; ++i) {
    char32_t c = static_cast<char16_t>(wide[i]);
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < length && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char16_t>(wide[++i]) - 0xDC00);
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    AppendUtf8(c, out);
  }
}

int ToWide(char32_t c, wchar_t* wide) {
  if (c < 0x10000) {
    wide[0] = static_cast<wchar_t>(c);
    return 1;
  }
  wide[0] = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
  wide[1] = static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
  return 2;
}

// One code page's bytes read one character at a time, as ICU reads them.
class Decoder {
 public:
  explicit Decoder(UINT cp) : cp_(cp) {
    for (int b = 0; b < 256; ++b) lead_[b] = ::IsDBCSLeadByteEx(cp, static_cast<BYTE>(b)) != 0;
  }
  bool IsLead(unsigned char b) const { return lead_[b]; }

  // The character of `size` (1 or 2) bytes at `p`: its UTF-16 in `wide`, its length returned;
  // 0 when the bytes are no character of the code page.
  int One(const char* p, int size, wchar_t* wide) const {
    if (cp_ == kCp932 && size == 1 && Cp932NoCharacter(static_cast<unsigned char>(*p))) return 0;
    const DWORD flags = TakesNoFlags(cp_) ? 0 : MB_ERR_INVALID_CHARS;
    const int n = ::MultiByteToWideChar(cp_, flags, p, size, wide, 2);
    if (n <= 0) return 0;
    // Without the flag a code page shows a bad byte as its default character.
    if (flags == 0 && n == 1 && (wide[0] == 0xFFFD || (wide[0] == L'?' && *p != '?'))) return 0;
    return n;
  }

  // All of `in`, with ICU's substitutes for bad bytes: U+001A for a byte that starts no
  // character, U+FFFD for a well-formed pair the code page does not assign.
  void Append(std::string_view in, std::string& out) const {
    if (Whole(in, out)) return;
    wchar_t wide[2];
    for (std::size_t i = 0; i < in.size();) {
      const auto b = static_cast<unsigned char>(in[i]);
      if (!lead_[b]) {
        const int n = One(&in[i], 1, wide);
        if (n > 0) {
          AppendWide(wide, n, out);
        } else {
          out += '\x1a';
        }
        ++i;
        continue;
      }
      if (i + 1 == in.size()) {
        out += '\x1a';  // cut short
        break;
      }
      const int n = One(&in[i], 2, wide);
      if (n > 0) {
        AppendWide(wide, n, out);
        i += 2;
      } else if (IsTrail(static_cast<unsigned char>(in[i + 1]))) {
        AppendUtf8(0xFFFD, out);
        i += 2;
      } else {
        out += '\x1a';  // the second byte starts over
        ++i;
      }
    }
  }

 private:
  // A second byte a pair may have: then a pair without a character is one unassigned pair.
  bool IsTrail(unsigned char t) const {
    if (cp_ == kCp932) return (t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC);
    return t >= 0x40 && t != 0x7F && t != 0xFF;
  }

  // `in` in one call, when it holds no bad byte and nothing the tables part on.
  bool Whole(std::string_view in, std::string& out) const {
    if (in.size() > (std::size_t{1} << 30) || TakesNoFlags(cp_)) return false;
    if (cp_ == kCp932) {
      for (char c : in) {
        if (Cp932NoCharacter(static_cast<unsigned char>(c))) return false;
      }
    }
    const int size = static_cast<int>(in.size());
    const int length =
        ::MultiByteToWideChar(cp_, MB_ERR_INVALID_CHARS, in.data(), size, nullptr, 0);
    if (length <= 0) return false;
    std::vector<wchar_t> wide(static_cast<std::size_t>(length));
    ::MultiByteToWideChar(cp_, MB_ERR_INVALID_CHARS, in.data(), size, wide.data(), length);
    out.reserve(out.size() + in.size() + in.size() / 2);
    AppendWide(wide.data(), length, out);
    return true;
  }

  UINT cp_;
  bool lead_[256];
};

// The bytes of one character in the code page; false when it has none (no best fit counts).
bool EncodeOne(UINT cp, char32_t c, std::string& out) {
  if (cp == kCp932) {
    if (const Cp932Encoding* e = Cp932EncodingOf(c)) {
      if (e->bytes == 0) return false;
      out += static_cast<char>(e->bytes >> 8);
      out += static_cast<char>(e->bytes & 0xFF);
      return true;
    }
  }
  wchar_t wide[2];
  const int length = ToWide(c, wide);
  char bytes[16];
  if (TakesNoFlags(cp)) {
    const int n = ::WideCharToMultiByte(cp, 0, wide, length, bytes, sizeof bytes, nullptr, nullptr);
    if (n <= 0) return false;
    wchar_t back[4];
    const int m = ::MultiByteToWideChar(cp, 0, bytes, n, back, 4);
    if (m != length || !std::equal(wide, wide + length, back)) return false;
    out.append(bytes, static_cast<std::size_t>(n));
    return true;
  }
  BOOL used_default = FALSE;
  const int n = ::WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, wide, length, bytes, sizeof bytes,
                                      nullptr, &used_default);
  if (n <= 0 || used_default) return false;
  out.append(bytes, static_cast<std::size_t>(n));
  return true;
}

// True for a character whose CP932 form this file decides itself (kCp932Encodings).
bool Cp932Special(wchar_t w) { return w == 0x0080 || (w >= 0xF86F && w <= 0xF8F3); }

// One character at a time: a character the code page lacks is written as "&#N;".
void EncodeEach(UINT cp, std::string_view in, std::string& out, EscapedCharacters* escaped) {
  for (std::size_t i = 0; i < in.size();) {
    const char32_t c = NextCodePoint(in, i);
    if (EncodeOne(cp, c, out)) continue;
    out += "&#" + std::to_string(static_cast<std::uint32_t>(c)) + ";";
    if (escaped != nullptr) escaped->Add(c);
  }
}

// Well-formed UTF-8 `piece` in one pair of calls; false, writing nothing, when a character needs
// a look of its own (one the code page lacks, or one this file decides).
bool EncodeWhole(UINT cp, std::string_view piece, std::vector<wchar_t>& wide, std::string& out) {
  if (TakesNoFlags(cp) || !IsValidUtf8(piece)) return false;
  const int size = static_cast<int>(piece.size());
  wide.resize(piece.size() + 1);
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, piece.data(), size, wide.data(), size + 1);
  if (length <= 0) return false;
  if (cp == kCp932 && std::any_of(wide.data(), wide.data() + length, Cp932Special)) return false;
  BOOL used_default = FALSE;
  const int n = ::WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr, 0,
                                      nullptr, &used_default);
  if (n <= 0 || used_default) return false;
  const std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(n));
  ::WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, wide.data(), length, out.data() + at, n, nullptr,
                        nullptr);
  return true;
}

// CP932's form of every character of the Basic Multilingual Plane, from one call over all of
// them (each followed by a NUL, which no character's form holds), with this file's own forms on
// top: results are the big conversion, and Windows' per-call cost would rule them otherwise.
// One 16-bit entry a character, the form's bytes: a lead byte (0x81 and up) makes it above
// 0xFF, a single byte is below, 0 is none (only ASCII, which never comes here, is a NUL).
// One load a character: the kanji of a result are spread over the table, mostly out of cache.
class Cp932Table {
 public:
  Cp932Table() : forms_(0x10000, 0) {
    // From U+0001 on: U+0000's form is the NUL itself, which would read as a separator.
    std::vector<wchar_t> all(2 * 0xFFFF, L'\0');
    for (std::size_t c = 1; c < 0x10000; ++c) all[2 * (c - 1)] = static_cast<wchar_t>(c);
    const int length = static_cast<int>(all.size());
    const char kNone[] = "\x01";  // what Windows writes for a character without a form
    const int n = ::WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, all.data(), length, nullptr,
                                        0, kNone, nullptr);
    std::string out(static_cast<std::size_t>(std::max(n, 0)), '\0');
    ::WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, all.data(), length, out.data(), n, kNone,
                          nullptr);
    std::size_t at = 0;
    for (std::size_t c = 1; c < 0x10000 && at < out.size(); ++c) {
      const std::size_t end = out.find('\0', at);
      if (end == std::string::npos) break;
      const std::size_t size = end - at;
      const bool none = c >= 0xD800 && c < 0xE000;  // halves of a pair: never a character
      if (!none && size == 1 && (out[at] != kNone[0] || c == 1)) {
        forms_[c] = static_cast<unsigned char>(out[at]);
      } else if (!none && size == 2) {
        forms_[c] = static_cast<std::uint16_t>(static_cast<unsigned char>(out[at]) << 8 |
                                               static_cast<unsigned char>(out[at + 1]));
      }
      at = end + 1;
    }
    for (const Cp932Encoding& e : kCp932Encodings) forms_[e.code_point] = e.bytes;
  }

  // Writes the form of `c` (not ASCII) at `out`; its size, 0 when it has none.
  std::size_t Put(char32_t c, char* out) const {
    if (c >= 0x10000) return 0;
    const std::uint16_t form = forms_[c];
    if (form > 0xFF) {
      out[0] = static_cast<char>(form >> 8);
      out[1] = static_cast<char>(form & 0xFF);
      return 2;
    }
    out[0] = static_cast<char>(form);
    return form != 0 ? 1 : 0;
  }

 private:
  std::vector<std::uint16_t> forms_;
};

// The code point of a well-formed two- or three-byte sequence at in[i] (most Japanese text),
// moving i past it; anything else goes to NextCodePoint, which reads every case.
inline char32_t ReadCodePoint(std::string_view in, std::size_t& i) {
  const auto* s = reinterpret_cast<const unsigned char*>(in.data());
  const unsigned c = s[i];
  if (c >= 0xC2 && c <= 0xDF && i + 1 < in.size() && (s[i + 1] & 0xC0) == 0x80) {
    i += 2;
    return (c & 0x1F) << 6 | (s[i - 1] & 0x3F);
  }
  // E0 and ED limit their second byte (overlong forms, surrogates): left to NextCodePoint.
  if (c >= 0xE1 && c <= 0xEF && c != 0xED && i + 2 < in.size() && (s[i + 1] & 0xC0) == 0x80 &&
      (s[i + 2] & 0xC0) == 0x80) {
    i += 3;
    return (c & 0x0F) << 12 | (s[i - 2] & 0x3F) << 6 | (s[i - 1] & 0x3F);
  }
  return NextCodePoint(in, i);
}

// UTF-8 `in` in CP932 through the table, runs of ASCII copied as they are. The table is made
// once, on first use, and never changes: Windows' own tables are as constant. The text goes
// through a buffer of its own into `out`: an append per character or per short run of ASCII
// costs a library call each, and results are tens of megabytes.
void EncodeCp932(std::string_view in, std::string& out, EscapedCharacters* escaped) {
  static const Cp932Table table;
  constexpr std::size_t kPiece = std::size_t{16} << 10;
  char piece[kPiece + 16];  // room for sixteen bytes stored past a full piece
  std::size_t n = 0;
  out.reserve(out.size() + in.size());
  const auto* s = reinterpret_cast<const unsigned char*>(in.data());
  for (std::size_t i = 0; i < in.size();) {
    if (n >= kPiece) {
      out.append(piece, n);
      n = 0;
    }
    // ASCII, the controls ICU's tables swap among it, is itself: sixteen bytes at a time, all
    // stored, those before the first other byte counted.
    if (i + 16 <= in.size()) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
      const int high = _mm_movemask_epi8(v);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(piece + n), v);
      const std::size_t plain = high == 0 ? 16 : static_cast<std::size_t>(__builtin_ctz(high));
      n += plain;
      i += plain;
      if (high == 0) continue;
    } else if (s[i] < 0x80) {
      piece[n++] = static_cast<char>(s[i++]);
      continue;
    }
    // Japanese text comes in runs of such characters: stay here until the next ASCII byte.
    do {
      const char32_t c = ReadCodePoint(in, i);
      if (const std::size_t size = table.Put(c, piece + n); size > 0) {
        n += size;
        continue;
      }
      out.append(piece, n);
      n = 0;
      out += "&#" + std::to_string(static_cast<std::uint32_t>(c)) + ";";
      if (escaped != nullptr) escaped->Add(c);
    } while (i < in.size() && s[i] >= 0x80 && n < kPiece);
  }
  out.append(piece, n);
}

// UTF-8 `in` (invalid sequences read as U+FFFD) in the code page, a character it lacks written
// as "&#N;": a megabyte at a time in one call when nothing in it needs a second look (most
// text), else that megabyte a character at a time.
void Encode(UINT cp, std::string_view in, std::string& out, EscapedCharacters* escaped) {
  if (cp == kCp932) return EncodeCp932(in, out, escaped);
  constexpr std::size_t kPiece = std::size_t{1} << 20;
  std::vector<wchar_t> wide;
  for (std::size_t start = 0; start < in.size();) {
    std::size_t end = std::min(in.size(), start + kPiece);
    // Pieces end before a lead or a single byte: no sequence, whole or broken, is cut.
    for (int back = 0; back < 3 && end < in.size() && end > start + 1 &&
                       (static_cast<unsigned char>(in[end]) & 0xC0) == 0x80;
         ++back) {
      --end;
    }
    const std::string_view piece = in.substr(start, end - start);
    if (!EncodeWhole(cp, piece, wide, out)) EncodeEach(cp, piece, out, escaped);
    start = end;
  }
}

// Invalid UTF-8 mended as the conversion reads it: each bad sequence one U+FFFD.
std::string MendedUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 16);
  for (std::size_t i = 0; i < text.size();) AppendUtf8(NextCodePoint(text, i), out);
  return out;
}

// ICU's Japanese tables swap the controls 0x1A, 0x1C and 0x7F, which the Linux build therefore
// passes around the converter unchanged; so does this one, for every code page alike.
bool IsKeptControl(char c) { return c == '\x1a' || c == '\x1c' || c == '\x7f'; }

template <typename ConvertSegment>
std::string ConvertAroundControls(std::string_view in, ConvertSegment convert) {
  std::string out;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= in.size(); ++i) {
    if (i < in.size() && !IsKeptControl(in[i])) continue;
    if (i > start) convert(in.substr(start, i - start), out);
    if (i < in.size()) out += in[i];
    start = i + 1;
  }
  return out;
}

}  // namespace

std::string SystemCodePage() {
  const UINT cp = ::GetACP();
  if (cp == kCp932) return "windows-31j";
  if (cp == kUtf8 || cp == 20127) return "UTF-8";
  return "windows-" + std::to_string(cp);
}

bool IsUtf8CodePage(std::string_view codepage) {
  std::string up(codepage);
  std::transform(up.begin(), up.end(), up.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return up == "UTF-8" || up == "UTF8";
}

bool SameCodePage(std::string_view a, std::string_view b) {
  const UINT cp = CodePageOf(a);
  return cp != 0 && cp == CodePageOf(b);
}

std::string ToUtf8(std::string_view bytes, std::string_view codepage) {
  const UINT cp = IsUtf8CodePage(codepage) ? kUtf8 : NeedCodePage(codepage);
  if (cp == kUtf8) return IsValidUtf8(bytes) ? std::string(bytes) : MendedUtf8(bytes);
  const Decoder decoder(cp);
  return ConvertAroundControls(
      bytes, [&](std::string_view segment, std::string& out) { decoder.Append(segment, out); });
}

std::string FromUtf8(std::string_view text, std::string_view codepage, EscapedCharacters* escaped) {
  std::string out;
  FromUtf8Into(text, codepage, out, escaped);
  return out;
}

void FromUtf8Into(std::string_view text, std::string_view codepage, std::string& out,
                  EscapedCharacters* escaped) {
  const UINT cp = IsUtf8CodePage(codepage) ? kUtf8 : NeedCodePage(codepage);
  if (cp == kUtf8) {
    out = IsValidUtf8(text) ? std::string(text) : MendedUtf8(text);
  } else if (cp == kCp932) {
    // Into the room `out` has: Windows hands large blocks back to the system when freed, and
    // every fresh page costs a fault.
    out.clear();
    EncodeCp932(text, out, escaped);
  } else {
    out = ConvertAroundControls(text, [&](std::string_view segment, std::string& piece) {
      Encode(cp, segment, piece, escaped);
    });
  }
}

struct CodePageProbe::Converter {
  UINT cp;
  Decoder decoder;
};

CodePageProbe::CodePageProbe(std::string_view codepage) {
  const UINT cp = IsUtf8CodePage(codepage) ? kUtf8 : NeedCodePage(codepage);
  converter_.reset(new Converter{cp, Decoder(cp)});
  canonical_ = cp == kUtf8 ? "UTF-8" : "windows-" + std::to_string(cp);
  CPINFOEXW info{};
  // EUC-JP takes three bytes for JIS X 0212, as in ICU, whatever Windows says of 20932.
  one_or_two_bytes_ = cp != kUtf8 && cp != 20932 && !TakesNoFlags(cp) &&
                      ::GetCPInfoExW(cp, 0, &info) && info.MaxCharSize <= 2;
}

CodePageProbe::~CodePageProbe() = default;

CodePageProbe::Outcome CodePageProbe::Decode(std::string_view bytes, std::string* utf8) {
  const Converter& c = *converter_;
  if (bytes.empty()) return Outcome::kInvalid;
  if (c.cp == kUtf8) {
    if (IsValidUtf8(bytes)) {
      utf8->assign(bytes);
      return Outcome::kCharacter;
    }
    return FirstBadUtf8(bytes, false) == std::string_view::npos ? Outcome::kIncomplete
                                                                : Outcome::kInvalid;
  }
  std::string out;
  wchar_t wide[2];
  for (std::size_t i = 0; i < bytes.size();) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    const int size = c.decoder.IsLead(b) ? 2 : 1;
    if (i + static_cast<std::size_t>(size) > bytes.size()) return Outcome::kIncomplete;
    const int n = c.decoder.One(&bytes[i], size, wide);
    if (n == 0) return Outcome::kInvalid;
    AppendWide(wide, n, out);
    i += static_cast<std::size_t>(size);
  }
  *utf8 = std::move(out);
  return Outcome::kCharacter;
}

}  // namespace sorbel
