// SheetName: what the result's sheet is called, so that two results can be told apart by their
// tabs: the run's conditions in short Japanese, or the result file's stem when there are none.
#pragma once

#include <string>

#include "filter/query_text.h"

namespace sorbel {

// The most UTF-16 units a sheet name may have; Excel's bound, which Calc keeps too when saving.
constexpr int kSheetNameLimit = 31;

// The conditions that apply, in BuildSql's order, joined by "・": 「ケーブル・1000〜5000円」,
// 「家電・送料無料」. `result_file_name` ("20261207093000_articles.csv") gives the stem when no
// condition applies. The name keeps a spreadsheet's rules: no []*?:/\ (each becomes its
// full-width twin), no control characters, no apostrophe at either end, at most
// kSheetNameLimit UTF-16 units (cut with "…").
std::string SheetName(const FilterConditions& conditions, const std::string& result_file_name);

}  // namespace sorbel
