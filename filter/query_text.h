// FilterConditions (the eight inputs of the main window) and BuildSql, which turns them into
// the one SELECT that the query engine runs over the staged catalogue.
#pragma once

#include <string>

namespace sorbel {

struct FilterConditions {
  std::string ProductNameWords;  // substring of 商品名; empty = no condition
  int CategoryIndex = 0;         // 0 = "（指定なし）", -1 = nothing selected
  std::string CategoryText;
  std::string TagWords;   // substring of タグ; empty = no condition
  std::string PriceFrom;  // signed whole number as text; see BuildSql for empty bounds
  std::string PriceTo;
  int BundlingIndex = 0;     // 0 = "（指定なし）", -1 = nothing selected
  std::string BundlingText;  // "○" or "×"
  bool CreditCard = false;
  bool CashOnDelivery = false;
  bool FreeShippingOnly = false;
};

// The query text: a fixed head, then " AND" and one clause per condition that applies, in a
// fixed order, with no line breaks. Apostrophes in texts are doubled; % and _ stay wildcards.
// A price range with one bound gets the 64-bit extreme as the other. Throws
// Error(kErrTypeMismatch) when a price text is not a signed whole number.
std::string BuildSql(const FilterConditions& conditions);

}  // namespace sorbel
