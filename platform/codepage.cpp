// Code page conversions through ICU converters, with UTF-16 as the pivot.
// UTF-8 to UTF-8 is a copy (after a validity check), the common case on Linux desktops.
#include "platform/codepage.h"

#include <langinfo.h>
#include <locale.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

#include "platform/error.h"

namespace sorbel {
namespace {

std::string Upper(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return out;
}

// Well-formed UTF-8 (invalid sequences replaced by U+FFFD) to UTF-16.
std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out(text.size() + 1, u'\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                       &length, text.data(), static_cast<int32_t>(text.size()), 0xFFFD, nullptr,
                       &status);
  out.resize(U_SUCCESS(status) ? length : 0);
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out(text.size() * 3 + 1, '\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length,
                     reinterpret_cast<const UChar*>(text.data()),
                     static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
  out.resize(U_SUCCESS(status) ? length : 0);
  return out;
}

// ICU's Japanese tables follow IBM in swapping the controls 0x1A, 0x1C and 0x7F, where
// Windows and iconv keep them as they are. None of them is ever the second byte of a
// double-byte character, so the text is converted between them and they pass unchanged.
bool IsSwappedControl(char c) { return c == '\x1a' || c == '\x1c' || c == '\x7f'; }

template <typename Convert>
std::string ConvertAroundControls(std::string_view in, Convert convert) {
  std::string out;
  size_t start = 0;
  for (size_t i = 0; i <= in.size(); ++i) {
    if (i < in.size() && !IsSwappedControl(in[i])) continue;
    if (i > start) out += convert(in.substr(start, i - start));
    if (i < in.size()) out += in[i];
    start = i + 1;
  }
  return out;
}

}  // namespace

void CodePageConverterCloser::operator()(UConverter* converter) const { ucnv_close(converter); }

CodePageConverter OpenCodePageConverter(std::string_view codepage) {
  std::string name(codepage);
  UErrorCode status = U_ZERO_ERROR;
  CodePageConverter conv(ucnv_open(name.c_str(), &status));
  if (U_FAILURE(status) || !conv) {
    throw Error(kErrCodePage, "文字コード「" + name + "」は使用できません。");
  }
  return conv;
}

std::string SystemCodePage() {
  locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
  if (loc == static_cast<locale_t>(nullptr)) return "UTF-8";
  std::string codeset = Upper(nl_langinfo_l(CODESET, loc));
  freelocale(loc);
  if (codeset.empty() || codeset == "ANSI_X3.4-1968" || codeset == "ASCII") return "UTF-8";
  if (codeset == "SJIS" || codeset == "SHIFT_JIS" || codeset == "SHIFT-JIS" ||
      codeset == "CP932" || codeset == "WINDOWS-31J") {
    return "windows-31j";
  }
  return codeset;
}

bool IsUtf8CodePage(std::string_view codepage) {
  std::string up = Upper(codepage);
  return up == "UTF-8" || up == "UTF8";
}

std::string ToUtf8(std::string_view bytes, std::string_view codepage) {
  if (IsUtf8CodePage(codepage)) {
    if (IsValidUtf8(bytes)) return std::string(bytes);
    return Utf16ToUtf8(Utf8ToUtf16(bytes));
  }
  CodePageConverter conv = OpenCodePageConverter(codepage);
  UErrorCode status = U_ZERO_ERROR;
  ucnv_setToUCallBack(conv.get(), UCNV_TO_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr,
                      &status);
  return ConvertAroundControls(bytes, [&](std::string_view segment) {
    // One code page byte never yields more than two UTF-16 units.
    std::u16string wide(segment.size() * 2 + 1, u'\0');
    UErrorCode err = U_ZERO_ERROR;
    int32_t length = ucnv_toUChars(conv.get(), reinterpret_cast<UChar*>(wide.data()),
                                   static_cast<int32_t>(wide.size()), segment.data(),
                                   static_cast<int32_t>(segment.size()), &err);
    wide.resize(U_SUCCESS(err) ? length : 0);
    return Utf16ToUtf8(wide);
  });
}

std::string FromUtf8(std::string_view text, std::string_view codepage) {
  if (IsUtf8CodePage(codepage)) {
    if (IsValidUtf8(text)) return std::string(text);
    return Utf16ToUtf8(Utf8ToUtf16(text));
  }
  CodePageConverter conv = OpenCodePageConverter(codepage);
  UErrorCode status = U_ZERO_ERROR;
  ucnv_setFromUCallBack(conv.get(), UCNV_FROM_U_CALLBACK_ESCAPE, UCNV_ESCAPE_XML_DEC, nullptr,
                        nullptr, &status);
  return ConvertAroundControls(text, [&](std::string_view segment) {
    std::u16string wide = Utf8ToUtf16(segment);
    std::string out;
    UErrorCode err = U_ZERO_ERROR;
    int32_t length = ucnv_fromUChars(conv.get(), nullptr, 0,
                                     reinterpret_cast<const UChar*>(wide.data()),
                                     static_cast<int32_t>(wide.size()), &err);
    if (err != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(err)) return out;
    out.resize(length + 1);
    err = U_ZERO_ERROR;
    length = ucnv_fromUChars(conv.get(), out.data(), static_cast<int32_t>(out.size()),
                             reinterpret_cast<const UChar*>(wide.data()),
                             static_cast<int32_t>(wide.size()), &err);
    out.resize(U_SUCCESS(err) ? length : 0);
    return out;
  });
}

}  // namespace sorbel
