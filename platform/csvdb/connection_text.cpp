// ODBC connection text parsing: split at ';' outside braces, then at the first '='.
// Errors quote the text so the user can see where it went wrong.
#include "platform/csvdb/connection_text.h"

#include "platform/error.h"

namespace sorbel::csvdb {
namespace {

constexpr char kLeadIn[] = "接続文字列が正しくありません。";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

[[noreturn]] void Fail(const std::string& detail, std::string_view text) {
  throw Error(kErrDataSource, kLeadIn + detail + "（" + std::string(text) + "）");
}

}  // namespace

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

Settings ParseConnectionText(std::string_view text) {
  Settings settings;
  size_t i = 0;
  while (i < text.size()) {
    size_t eq = text.find_first_of("=;", i);
    if (eq == std::string_view::npos || text[eq] == ';') {
      size_t end = eq == std::string_view::npos ? text.size() : eq;
      if (!Trim(text.substr(i, end - i)).empty()) Fail("「=」のない項目があります。", text);
      i = end + 1;
      continue;
    }
    std::string key = LowerAscii(Trim(text.substr(i, eq - i)));
    if (key.empty()) Fail("キーのない項目があります。", text);

    size_t v = eq + 1;
    while (v < text.size() && IsBlank(text[v])) ++v;
    std::string value;
    if (v < text.size() && text[v] == '{') {
      size_t j = v + 1;
      for (;; ++j) {
        if (j >= text.size()) Fail("「{」が閉じていません。", text);
        if (text[j] != '}') {
          value += text[j];
        } else if (j + 1 < text.size() && text[j + 1] == '}') {
          value += '}';
          ++j;
        } else {
          break;
        }
      }
      size_t end = text.find(';', j + 1);
      if (end == std::string_view::npos) end = text.size();
      if (!Trim(text.substr(j + 1, end - j - 1)).empty()) {
        Fail("「}」の後に余分な文字があります。", text);
      }
      i = end + 1;
    } else {
      size_t end = text.find(';', v);
      if (end == std::string_view::npos) end = text.size();
      value = std::string(Trim(text.substr(v, end - v)));
      i = end + 1;
    }
    settings.emplace(std::move(key), std::move(value));  // the first value of a key stays
  }
  return settings;
}

}  // namespace sorbel::csvdb
