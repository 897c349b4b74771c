// TypedField: a field's text as Null, an integer, a real or text, without losing anything:
// a number only when the text is exactly the form in which that number is written back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/csvdb/csv_reader.h"

namespace sorbel::csvdb {

// SQLite's subtype for an integer the file writes with thousands commas. It travels with the
// value to the result records and to LIKE, which see the text with its commas again.
inline constexpr unsigned kGroupedSubtype = 'G';

// Empty text is Null. An integer is "0" or an optional "-" and digits without leading zeros
// that fit in 64 bits ("-0" is not one). A real has a "." or an "e" and is exactly the
// shortest form std::to_chars gives for it ("0.5", "1e+21"; not "0.50", "1e5" or ".5").
// An integer may also be written in groups of three digits with commas ("9,680",
// "-1,234,567"; not "09,680", "9,68" or "9680,000"): it is `grouped`, and GroupedText gives
// that text back. Everything else is text. `text` is kept in the field as it is.
CsvField TypedField(std::string_view text);

// `value` in groups of three digits with commas: 9680 -> "9,680", -1000 -> "-1,000".
std::string GroupedText(std::int64_t value);

}  // namespace sorbel::csvdb
