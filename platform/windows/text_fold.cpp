// NFKC with case folding through Windows' NormalizeString and LCMapStringEx, with the few
// steps of ICU's NFKC_Casefold that lowering lacks done here (docs/windows.md).
#include "platform/text_fold.h"

#include <windows.h>

#include <string>
#include <vector>

#include "platform/error.h"
#include "text/ascii_fold.h"
#include "text/utf8.h"

namespace sorbel {
namespace {

// The default-ignorable characters NFKC_Casefold removes (Unicode 15): joiners, marks of
// direction, variation selectors, the Hangul fillers, tags.
bool Removed(char32_t c) {
  struct Range {
    char32_t first, last;
  };
  static constexpr Range kRanges[] = {
      {0x00AD, 0x00AD},   {0x034F, 0x034F}, {0x061C, 0x061C},   {0x115F, 0x1160},
      {0x17B4, 0x17B5},   {0x180B, 0x180F}, {0x200B, 0x200F},   {0x202A, 0x202E},
      {0x2060, 0x206F},   {0x3164, 0x3164}, {0xFE00, 0xFE0F},   {0xFEFF, 0xFEFF},
      {0xFFA0, 0xFFA0},   {0xFFF0, 0xFFF8}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A},
      {0xE0000, 0xE0FFF},
  };
  if (c < 0xAD) return false;
  for (const Range& r : kRanges) {
    if (c >= r.first && c <= r.last) return true;
  }
  return false;
}

void AppendWide(char32_t c, std::wstring& out) {
  if (c < 0x10000) {
    out += static_cast<wchar_t>(c);
    return;
  }
  out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
  out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
}

// Case folding that differs from lowering a character: the sharp s and the final sigma fold
// as their plain forms, the iota below as iota (so ᾳ folds as αι), the old Cyrillic variants as
// their letters, and Cherokee, whose small letters fold as its capitals.
void AppendFoldedSpecially(char32_t c, std::wstring& out) {
  static constexpr wchar_t kCyrillic[] = L"\x0432\x0434\x043E\x0441\x0442\x0442\x044A\x0463\xA64B";
  if (c >= 0x1C80 && c <= 0x1C88) {
    out += kCyrillic[c - 0x1C80];
  } else if (c >= 0xAB70 && c <= 0xABBF) {
    out += static_cast<wchar_t>(0x13A0 + (c - 0xAB70));
  } else if (c >= 0x13F8 && c <= 0x13FD) {
    out += static_cast<wchar_t>(0x13F0 + (c - 0x13F8));
  } else if (c == 0x00DF || c == 0x1E9E) {  // ß, ẞ
    out += L"ss";
  } else if (c == 0x03C2) {  // ς
    out += L'\x03C3';
  } else if (c == 0x0345) {  // the combining iota below
    out += L'\x03B9';
  } else {
    AppendWide(c, out);
  }
}

std::wstring Normalized(NORM_FORM form, const std::wstring& in) {
  if (in.empty()) return in;
  const int size = static_cast<int>(in.size());
  int guess = ::NormalizeString(form, in.data(), size, nullptr, 0);
  for (int attempt = 0; attempt < 4 && guess > 0; ++attempt) {
    std::wstring out(static_cast<std::size_t>(guess), L'\0');
    const int n = ::NormalizeString(form, in.data(), size, out.data(), guess);
    if (n > 0) {
      out.resize(static_cast<std::size_t>(n));
      return out;
    }
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
    guess = -n;  // the estimate the failure gives
  }
  return in;  // text NormalizeString refuses (lone surrogates cannot come from UTF-8) stays
}

std::wstring Lowered(const std::wstring& in) {
  if (in.empty()) return in;
  const int size = static_cast<int>(in.size());
  const int n = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, in.data(), size, nullptr, 0,
                                nullptr, nullptr, 0);
  if (n <= 0) return in;
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, in.data(), size, out.data(), n, nullptr,
                  nullptr, 0);
  return out;
}

// Each character of `in` through the special folds, ignorables left out.
std::wstring Specials(const std::wstring& in) {
  std::wstring out;
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    char32_t c = static_cast<char16_t>(in[i]);
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < in.size()) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char16_t>(in[++i]) - 0xDC00);
    }
    if (!Removed(c)) AppendFoldedSpecially(c, out);
  }
  return out;
}

}  // namespace

TextFolder::TextFolder() : normalizer_(nullptr) {
  wchar_t out[8];
  if (::NormalizeString(NormalizationKC, L"\xFF21", 1, out, 8) != 1 || out[0] != L'A') {
    throw Error(kErrUnexpected, "文字の正規化データを読み込めません：NormalizeString");
  }
}

std::string_view TextFolder::Fold(std::string_view text, std::string& scratch) const {
  if (const std::optional<std::string_view> ascii = FoldAscii(text, scratch)) return *ascii;

  std::wstring wide;
  wide.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) AppendWide(NextCodePoint(text, i), wide);
  // Decomposed first, so that the iota below a Greek vowel is a character of its own to fold.
  const std::wstring folded =
      Normalized(NormalizationKC, Specials(Lowered(Specials(Normalized(NormalizationKD, wide)))));
  scratch.clear();
  for (std::size_t i = 0; i < folded.size(); ++i) {
    char32_t c = static_cast<char16_t>(folded[i]);
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < folded.size()) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char16_t>(folded[++i]) - 0xDC00);
    }
    AppendUtf8(c, scratch);
  }
  if (scratch == text) return text;
  return scratch;
}

}  // namespace sorbel
