// WrittenNumber: the number a person reads in a value as catalogues write them ("1200.00",
// " 1,200", "¥1200", "１２００"), for columns the data source declares numeric.
#pragma once

#include <optional>
#include <string_view>

namespace sorbel::csvdb {

// Blanks (also the full-width one) around the value are ignored; full-width digits, signs,
// comma and full stop count as their ASCII forms. What is left must be an optional sign, an
// optional yen sign ("¥" or "￥"), digits (leading zeros allowed, thousands commas only in
// groups of three), and an optional fraction after ".". Anything else ("オープン価格", "-",
// "要問合せ", "") is no number.
std::optional<double> WrittenNumber(std::string_view text);

}  // namespace sorbel::csvdb
