// EscapedValues: reads a written piece of the result field by field as MakeCsvText's rules
// made it (bare, or quoted with quotes doubled; CR LF between records).
#include "filter/escaped_values.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/character_kind.h"
#include "text/grouped_number.h"
#include "text/utf8.h"

namespace sorbel {
namespace {

// So many characters are named in the warning.
constexpr std::size_t kNamedCharacters = 5;

// Where the field starting at `at` ends: at the comma or CR after it, or the piece's end.
std::size_t FieldEnd(std::string_view piece, std::size_t at) {
  if (at < piece.size() && piece[at] == '"') {
    for (std::size_t i = at + 1;; i += 2) {
      i = piece.find('"', i);
      if (i == std::string_view::npos) return piece.size();
      if (i + 1 >= piece.size() || piece[i + 1] != '"') return i + 1;
    }
  }
  // A plain loop: find_first_of looks each byte up in the set through memchr.
  while (at < piece.size() && piece[at] != ',' && piece[at] != '\r') ++at;
  return at;
}

// The code page as the owner knows it.
std::string CodePageName(std::string_view codepage) {
  std::string lower(codepage);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower == "windows-31j" ? "Shift-JIS" : std::string(codepage);
}

}  // namespace

void EscapedValues::Count(std::string_view piece, bool with_header,
                          const EscapedCharacters& escaped) {
  for (char32_t c : escaped.InOrder()) {
    if (first_.size() > kNamedCharacters) break;
    if (std::find(first_.begin(), first_.end(), c) == first_.end()) first_.push_back(c);
  }
  bool in_header = with_header;
  bool record_has = false;
  for (std::size_t at = 0;;) {
    const std::size_t end = FieldEnd(piece, at);
    if (escaped.AnyIn(piece.substr(at, end - at))) {
      ++(in_header ? header_values_ : values_);
      record_has = true;
    }
    if (end < piece.size() && piece[end] == ',') {
      at = end + 1;
      continue;
    }
    if (record_has && !in_header) ++products_;
    in_header = false;
    record_has = false;
    // What follows the last CR LF is at most an empty line, which holds nothing.
    if (end + 2 >= piece.size()) return;
    at = end + 2;
  }
}

std::string EscapedValues::Warning(std::string_view codepage) const {
  std::string where;
  if (header_values_ > 0) where = "列名の" + Grouped(header_values_) + "項目";
  if (header_values_ > 0 && values_ > 0) where += "と";
  if (values_ > 0) where += Grouped(products_) + "商品の" + Grouped(values_) + "項目";
  std::string named;
  for (std::size_t i = 0; i < first_.size() && i < kNamedCharacters; ++i) {
    if (i > 0) named += "、";
    named += CharacterName(first_[i]);
  }
  if (first_.size() > kNamedCharacters) named += " など";
  return "結果ファイルの文字コード（" + CodePageName(codepage) + "）で表せない文字が、" + where +
         "にありました（" + named +
         "）。これらの文字は「&#番号;」の形で書き込みました（HTMLでは元の文字として表示されま"
         "す）。";
}

std::string CharacterName(char32_t c) {
  if (ShowsAsNothing(c)) {
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(c));
    return name;
  }
  std::string utf8;
  AppendUtf8(c, utf8);
  return utf8;
}

}  // namespace sorbel
