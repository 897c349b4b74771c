// Code page conversions through ICU converters, streamed through a UTF-16 pivot.
// UTF-8 to UTF-8 is a copy (after a validity check), the common case on Linux desktops.
#include "platform/codepage.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/error.h"
#include "text/escaped_characters.h"
#include "text/utf8.h"

namespace sorbel {
namespace {

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using CodePageConverter = std::unique_ptr<UConverter, ConverterCloser>;

// Throws Error(kErrCodePage) when no converter knows the name.
CodePageConverter OpenCodePageConverter(std::string_view codepage) {
  std::string name(codepage);
  UErrorCode status = U_ZERO_ERROR;
  CodePageConverter conv(ucnv_open(name.c_str(), &status));
  if (U_FAILURE(status) || !conv) {
    throw Error(kErrCodePage, "文字コード「" + name + "」は使用できません。");
  }
  return conv;
}

std::string Upper(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return out;
}

// Streams `in` from one converter's code page to the other's through ICU's UTF-16 pivot, in
// pieces: ICU takes lengths below 2 GiB, and a result file may be larger than that.
std::string Convert(std::string_view in, UConverter* from, UConverter* to) {
  constexpr size_t kPiece = size_t{64} << 20;
  std::string out;
  // Japanese text grows by half from a double-byte code page to UTF-8, and shrinks back.
  out.reserve(ucnv_getType(to) == UCNV_UTF8 ? in.size() + in.size() / 2 + 16 : in.size() + 16);
  UChar pivot[4096];
  UChar* pivot_source = pivot;
  UChar* pivot_target = pivot;
  char buffer[1 << 16];
  const char* source = in.data();
  const char* const end = source + in.size();
  bool reset = true;
  for (;;) {
    const char* piece_end = source + std::min<size_t>(kPiece, static_cast<size_t>(end - source));
    const bool last = piece_end == end;
    for (;;) {
      char* target = buffer;
      UErrorCode err = U_ZERO_ERROR;
      ucnv_convertEx(to, from, &target, buffer + sizeof buffer, &source, piece_end, pivot,
                     &pivot_source, &pivot_target, pivot + 4096, reset, last, &err);
      reset = false;
      out.append(buffer, static_cast<size_t>(target - buffer));
      if (err == U_BUFFER_OVERFLOW_ERROR) continue;
      // With substituting callbacks on both sides content never fails; anything else is a
      // fault that must not pass for a shorter text.
      if (U_FAILURE(err)) {
        throw Error(kErrCodePage,
                    std::string("文字コードの変換に失敗しました（") + u_errorName(err) + "）。");
      }
      break;
    }
    if (last) return out;
  }
}

// Writes a character the code page lacks as "&#N;" of its code point and notes it in the
// context's EscapedCharacters, if any. ICU's own escape callback silently skips the
// default-ignorable characters (U+200B, U+00AD, variation selectors), which would drop them.
void EscapeCallback(const void* context, UConverterFromUnicodeArgs* args, const UChar*, int32_t,
                    UChar32 code_point, UConverterCallbackReason reason, UErrorCode* err) {
  if (reason > UCNV_IRREGULAR) return;  // reset, close, clone: nothing to write
  char digits[16];
  const int n = std::snprintf(digits, sizeof digits, "&#%d;", static_cast<int>(code_point));
  UChar reference[16];
  for (int i = 0; i < n; ++i) reference[i] = static_cast<UChar>(digits[i]);
  const UChar* source = reference;
  *err = U_ZERO_ERROR;
  // Written through the converter itself: the reference is ASCII, which every code page holds.
  ucnv_cbFromUWriteUChars(args, &source, reference + n, 0, err);
  if (context != nullptr) {
    static_cast<EscapedCharacters*>(const_cast<void*>(context))
        ->Add(static_cast<char32_t>(code_point));
  }
}

// A converter that reads invalid input as U+FFFD (or U+001A for a bad single byte) and
// writes a character it cannot hold as a decimal character reference, noted in `escaped`.
CodePageConverter OpenConverter(std::string_view codepage, EscapedCharacters* escaped = nullptr) {
  CodePageConverter conv = OpenCodePageConverter(codepage);
  UErrorCode status = U_ZERO_ERROR;
  ucnv_setToUCallBack(conv.get(), UCNV_TO_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr,
                      &status);
  ucnv_setFromUCallBack(conv.get(), EscapeCallback, escaped, nullptr, nullptr, &status);
  return conv;
}

// ICU's Japanese tables follow IBM in swapping the controls 0x1A, 0x1C and 0x7F, where
// Windows and iconv keep them as they are. None of them is ever the second byte of a
// double-byte character, so the text is converted between them and they pass unchanged.
bool IsSwappedControl(char c) { return c == '\x1a' || c == '\x1c' || c == '\x7f'; }

template <typename ConvertSegment>
std::string ConvertAroundControls(std::string_view in, ConvertSegment convert) {
  std::string out;
  size_t start = 0;
  for (size_t i = 0; i <= in.size(); ++i) {
    if (i < in.size() && !IsSwappedControl(in[i])) continue;
    if (i > start && start == 0) {
      out = convert(in.substr(0, i));  // the usual case, one segment: no second copy
    } else if (i > start) {
      out += convert(in.substr(start, i - start));
    }
    if (i < in.size()) out += in[i];
    start = i + 1;
  }
  return out;
}

}  // namespace

bool IsUtf8CodePage(std::string_view codepage) {
  std::string up = Upper(codepage);
  return up == "UTF-8" || up == "UTF8";
}

std::string ToUtf8(std::string_view bytes, std::string_view codepage) {
  const bool utf8 = IsUtf8CodePage(codepage);
  if (utf8 && IsValidUtf8(bytes)) return std::string(bytes);
  CodePageConverter from = OpenConverter(utf8 ? "UTF-8" : codepage);
  CodePageConverter to = OpenConverter("UTF-8");
  if (utf8) return Convert(bytes, from.get(), to.get());
  return ConvertAroundControls(
      bytes, [&](std::string_view segment) { return Convert(segment, from.get(), to.get()); });
}

std::string FromUtf8(std::string_view text, std::string_view codepage, EscapedCharacters* escaped) {
  const bool utf8 = IsUtf8CodePage(codepage);
  if (utf8 && IsValidUtf8(text)) return std::string(text);
  CodePageConverter from = OpenConverter("UTF-8");
  CodePageConverter to = OpenConverter(utf8 ? "UTF-8" : codepage, escaped);
  if (utf8) return Convert(text, from.get(), to.get());
  return ConvertAroundControls(
      text, [&](std::string_view segment) { return Convert(segment, from.get(), to.get()); });
}

void FromUtf8Into(std::string_view text, std::string_view codepage, std::string& out,
                  EscapedCharacters* escaped) {
  // A new string each time: the C library's allocator keeps freed large blocks for the next.
  out = FromUtf8(text, codepage, escaped);
}

bool SameCodePage(std::string_view a, std::string_view b) {
  std::string name_a(a), name_b(b);
  UErrorCode status = U_ZERO_ERROR;
  CodePageConverter ca(ucnv_open(name_a.c_str(), &status));
  if (U_FAILURE(status)) return false;
  CodePageConverter cb(ucnv_open(name_b.c_str(), &status));
  if (U_FAILURE(status)) return false;
  return std::strcmp(ucnv_getName(ca.get(), &status), ucnv_getName(cb.get(), &status)) == 0;
}

struct CodePageProbe::Converter {
  CodePageConverter conv;
};

CodePageProbe::CodePageProbe(std::string_view codepage)
    : converter_(new Converter{OpenCodePageConverter(codepage)}) {
  UConverter* conv = converter_->conv.get();
  UErrorCode status = U_ZERO_ERROR;
  canonical_ = ucnv_getName(conv, &status);
  const UConverterType type = ucnv_getType(conv);
  one_or_two_bytes_ = (type == UCNV_SBCS || type == UCNV_DBCS || type == UCNV_MBCS ||
                       type == UCNV_LATIN_1 || type == UCNV_US_ASCII) &&
                      ucnv_getMaxCharSize(conv) <= 2;
  ucnv_setToUCallBack(conv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
}

CodePageProbe::~CodePageProbe() = default;

CodePageProbe::Outcome CodePageProbe::Decode(std::string_view bytes, std::string* utf8) {
  UConverter* conv = converter_->conv.get();
  UChar wide[8];
  UErrorCode status = U_ZERO_ERROR;
  ucnv_reset(conv);
  const int32_t length =
      ucnv_toUChars(conv, wide, 8, bytes.data(), static_cast<int32_t>(bytes.size()), &status);
  if (status == U_TRUNCATED_CHAR_FOUND) return Outcome::kIncomplete;
  if (U_FAILURE(status) || length == 0) return Outcome::kInvalid;
  char out[32];
  int32_t out_length = 0;
  status = U_ZERO_ERROR;
  u_strToUTF8(out, sizeof out, &out_length, wide, length, &status);
  if (U_FAILURE(status)) return Outcome::kInvalid;
  utf8->assign(out, static_cast<std::size_t>(out_length));
  return Outcome::kCharacter;
}

}  // namespace sorbel
