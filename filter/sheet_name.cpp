// The sheet's name from the conditions: a word for each condition that applies, then the name
// made fit for a sheet tab, character by character.
#include "filter/sheet_name.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <vector>

namespace sorbel {
namespace {

constexpr char kJoin[] = "・";
constexpr char kCut[] = "…";

// As BuildSql: an empty box or 0 sets no bound.
bool NoBound(const std::string& text) { return text.empty() || text == "0" || text == "-0"; }

std::string PriceRange(const std::string& from, const std::string& to) {
  if (NoBound(to)) return from + "円以上";
  if (NoBound(from)) return to + "円以下";
  return from + "〜" + to + "円";
}

std::string Bundling(const std::string& text) {
  if (text == "○") return "同梱可";
  if (text == "×") return "同梱不可";
  return "同梱" + text;
}

std::vector<std::string> Words(const FilterConditions& c) {
  std::vector<std::string> words;
  if (!c.ProductNameWords.empty()) words.push_back(c.ProductNameWords);
  if (c.CategoryIndex != 0) {
    words.push_back(c.CategoryText.empty() ? "カテゴリーなし" : c.CategoryText);
  }
  if (!c.TagWords.empty()) words.push_back("タグ「" + c.TagWords + "」");
  if (!NoBound(c.PriceFrom) || !NoBound(c.PriceTo)) {
    words.push_back(PriceRange(c.PriceFrom, c.PriceTo));
  }
  if (c.BundlingIndex != 0) words.push_back(Bundling(c.BundlingText));
  if (c.CreditCard) words.push_back("カード払い");
  if (c.CashOnDelivery) words.push_back("代引き");
  if (c.FreeShippingOnly) words.push_back("送料無料");
  return words;
}

// The length of the UTF-8 sequence that starts with `lead`; a stray byte counts as one.
size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// Characters a sheet name cannot hold become their full-width twins; control characters go.
std::string Replaced(std::string_view c) {
  static constexpr std::string_view kBanned = "[]*?:/\\";
  static constexpr const char* kTwin[] = {"［", "］", "＊", "？", "：", "／", "＼"};
  if (c.size() == 1) {
    size_t at = kBanned.find(c[0]);
    if (at != std::string_view::npos) return kTwin[at];
    if (static_cast<unsigned char>(c[0]) < 0x20 || c[0] == 0x7F) return "";
  }
  return std::string(c);
}

// `text` made fit for a tab: characters replaced, apostrophes off the ends, cut to the limit.
std::string Fitted(const std::string& text) {
  std::vector<std::string> chars;
  for (size_t at = 0; at < text.size();) {
    size_t n = std::min(SequenceLength(static_cast<unsigned char>(text[at])), text.size() - at);
    std::string c = Replaced(std::string_view(text).substr(at, n));
    if (!c.empty()) chars.push_back(c);
    at += n;
  }
  auto trim = [&chars] {
    while (!chars.empty() && chars.front() == "'") chars.erase(chars.begin());
    while (!chars.empty() && chars.back() == "'") chars.pop_back();
  };
  trim();
  // A character beyond the Basic Multilingual Plane takes two UTF-16 units.
  auto units = [](const std::string& c) { return c.size() == 4 ? 2 : 1; };
  int total = 0;
  for (const std::string& c : chars) total += units(c);
  if (total > kSheetNameLimit) {
    int kept = 0;
    size_t count = 0;
    while (count < chars.size() && kept + units(chars[count]) <= kSheetNameLimit - 1) {
      kept += units(chars[count++]);
    }
    chars.resize(count);
    trim();
    chars.push_back(kCut);
  }
  std::string out;
  for (const std::string& c : chars) out += c;
  return out;
}

}  // namespace

std::string SheetName(const FilterConditions& conditions, const std::string& result_file_name) {
  std::string joined;
  for (const std::string& word : Words(conditions)) {
    joined += (joined.empty() ? "" : kJoin) + word;
  }
  std::string name = Fitted(joined);
  if (name.empty()) {
    name = Fitted(std::filesystem::path(result_file_name).stem().string());
  }
  return name.empty() ? "結果" : name;
}

}  // namespace sorbel
