// TypedField: a field's text as Null, an integer, a real or text, without losing anything:
// a number only when the text is exactly the form in which that number is written back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sorbel::csvdb {

enum class FieldKind { kNull, kInteger, kReal, kText };

// One typed field of the current record. `text` is UTF-8 and stays valid until Next().
struct CsvField {
  FieldKind kind = FieldKind::kNull;
  std::int64_t integer = 0;
  double real = 0;
  std::string_view text;  // the field's exact text (also for numbers); empty for Null
  bool grouped = false;   // an integer written with thousands commas ("9,680")
};

// SQLite's subtype for an integer the file writes with thousands commas. It travels with the
// value to the result records and to LIKE, which see the text with its commas again.
inline constexpr unsigned kGroupedSubtype = 'G';

// Empty text is Null. An integer is "0" or an optional "-" and digits without leading zeros
// that fit in 64 bits ("-0" is not one). A real has a "." or an "e" and is exactly the
// shortest form std::to_chars gives for it ("0.5", "1e+21"; not "0.50", "1e5" or ".5").
// An integer may also be written in groups of three digits with commas ("9,680",
// "-1,234,567"; not "09,680", "9,68" or "9680,000"): it is `grouped`, and Grouped
// (text/grouped_number.h) gives that text back. Everything else is text. `text` is kept in the
// field as it is.
CsvField TypedField(std::string_view text);

}  // namespace sorbel::csvdb
