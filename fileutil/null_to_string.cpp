// Field values to text with std::to_chars: the shortest form that reads back to the same
// number, independent of the user's locale.
#include "fileutil/null_to_string.h"

#include <charconv>

namespace sorbel {

void AppendFieldText(const FieldValue& value, std::string& out) {
  char buf[32];
  if (const auto* text = std::get_if<std::string_view>(&value)) {
    out.append(*text);
  } else if (const auto* n = std::get_if<std::int64_t>(&value)) {
    auto r = std::to_chars(buf, buf + sizeof buf, *n);
    out.append(buf, r.ptr);
  } else if (const auto* d = std::get_if<double>(&value)) {
    auto r = std::to_chars(buf, buf + sizeof buf, *d);
    out.append(buf, r.ptr);
  }
}

std::string NullToString(const FieldValue& value) {
  std::string out;
  AppendFieldText(value, out);
  return out;
}

}  // namespace sorbel
