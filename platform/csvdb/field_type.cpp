// The test is a round trip: a number's text must be the text the result writer would print for
// it, so a value typed here is written back byte for byte and text such as "00123" stays text.
#include "platform/csvdb/field_type.h"
#include "text/grouped_number.h"

#include <charconv>
#include <cstring>
#include <string>

namespace sorbel::csvdb {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Longer than any shortest form of a double ("-2.2250738585072014e-308" is 24) and than any
// grouped integer ("-9,223,372,036,854,775,808" is 26).
constexpr std::size_t kMaxNumberText = 32;

// A price such as "9,680": the field is an integer when the text is exactly Grouped of it
// (so "09,680", "9,68" and "9680,000" stay text).
CsvField GroupedField(std::string_view text, CsvField field) {
  std::string digits;
  for (char c : text) {
    if (IsDigit(c) || (c == '-' && digits.empty())) {
      digits += c;
    } else if (c != ',') {
      return field;
    }
  }
  std::int64_t value = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || end != digits.data() + digits.size() || Grouped(value) != text) {
    return field;
  }
  field.kind = FieldKind::kInteger;
  field.integer = value;
  field.grouped = true;
  return field;
}

}  // namespace

CsvField TypedField(std::string_view text) {
  CsvField field;
  if (text.empty()) return field;
  field.text = text;
  field.kind = FieldKind::kText;
  std::size_t digits_from = text[0] == '-' ? 1 : 0;
  if (text.size() > kMaxNumberText || digits_from >= text.size() || !IsDigit(text[digits_from])) {
    return field;
  }
  const char* first = text.data();
  const char* last = text.data() + text.size();

  bool all_digits = true;
  bool decimal = false;  // has "." or "e"
  for (std::size_t i = digits_from; i < text.size(); ++i) {
    char c = text[i];
    if (IsDigit(c)) continue;
    all_digits = false;
    if (c == '.' || c == 'e') {
      decimal = true;
    } else if (c == ',') {
      return GroupedField(text, field);
    } else if (c != '-' && c != '+') {
      return field;
    }
  }

  if (all_digits) {
    bool leading_zero = text[digits_from] == '0' && text.size() > digits_from + 1;
    if (leading_zero || text == "-0") return field;
    std::int64_t value = 0;
    auto [end, ec] = std::from_chars(first, last, value);
    if (ec == std::errc() && end == last) {
      field.kind = FieldKind::kInteger;
      field.integer = value;
    }
    return field;  // too big for 64 bits: a code, not a quantity
  }
  if (!decimal) return field;

  double value = 0;
  auto [end, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || end != last) return field;
  char printed[64];
  auto written = std::to_chars(printed, printed + sizeof printed, value);
  std::size_t size = static_cast<std::size_t>(written.ptr - printed);
  if (written.ec == std::errc() && size == text.size() &&
      std::memcmp(printed, text.data(), size) == 0) {
    field.kind = FieldKind::kReal;
    field.real = value;
  }
  return field;
}

}  // namespace sorbel::csvdb
