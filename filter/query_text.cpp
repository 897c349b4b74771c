// Query text assembly. The pieces carry their own leading blanks (one before keywords,
// five before clause bodies), so every combination of conditions reads as valid text.
#include "filter/query_text.h"

#include <charconv>
#include <cstdint>

#include "filter/program_files.h"
#include "platform/error.h"

namespace sorbel {
namespace {

constexpr char kLowestPrice[] = "-9223372036854775808";
constexpr char kHighestPrice[] = "9223372036854775807";

// A text literal's body: each apostrophe doubled so the literal cannot end early.
std::string Quoted(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out;
}

// A price bound as it goes into the query: digits with an optional leading minus that fit a
// 64-bit integer, or an error the run shows.
std::string PriceBound(const std::string& text) {
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end) {
    throw Error(kErrTypeMismatch, "価格には整数を入力してください。（入力された値：" + text + "）");
  }
  return text;
}

// A price box that is empty or shows 0 sets no bound: the box never stays empty once typed
// in, and a catalogue price is never negative, so 0 as a lower bound meant nothing and as an
// upper bound would find nothing.
bool NoBound(const std::string& text) { return text.empty() || text == "0" || text == "-0"; }

}  // namespace

std::string BuildSql(const FilterConditions& c) {
  std::string sql;
  sql += " SELECT";
  sql += "     *";
  sql += " FROM";
  sql += "     [";
  sql += kStagedName;
  sql += "]";
  sql += " WHERE";
  sql += "     1 = 1";

  if (!c.ProductNameWords.empty()) {
    sql += " AND";
    sql += "     商品名 LIKE '%" + Quoted(c.ProductNameWords) + "%'";
  }
  if (c.CategoryIndex != 0) {
    sql += " AND";
    sql += "     カテゴリー名 = '" + Quoted(c.CategoryText) + "'";
  }
  if (!c.TagWords.empty()) {
    sql += " AND";
    sql += "     タグ LIKE '%" + Quoted(c.TagWords) + "%'";
  }
  if (!NoBound(c.PriceFrom) || !NoBound(c.PriceTo)) {
    std::string from = NoBound(c.PriceFrom) ? kLowestPrice : PriceBound(c.PriceFrom);
    std::string to = NoBound(c.PriceTo) ? kHighestPrice : PriceBound(c.PriceTo);
    sql += " AND";
    sql += "     最低販売価格 BETWEEN " + from + " AND " + to;
  }
  if (c.BundlingIndex != 0) {
    sql += " AND";
    sql += "     同梱可否 = '" + Quoted(c.BundlingText) + "'";
  }
  if (c.CreditCard) {
    sql += " AND";
    sql += "     決済方法 LIKE '%C%'";
  }
  if (c.CashOnDelivery) {
    sql += " AND";
    sql += "     決済方法 LIKE '%D%'";
  }
  if (c.FreeShippingOnly) {
    sql += " AND";
    sql += "     送料無料 = 1";
  }
  return sql;
}

}  // namespace sorbel
