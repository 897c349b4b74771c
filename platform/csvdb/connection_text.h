// Connection text: ODBC-style "key=value;" pairs, keys without regard to case, values with ';'
// in braces ("{a;b}", a '}' inside doubled). Parsing only; the data source gives keys meaning.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace sorbel::csvdb {

// Keys in lower case (ASCII), values as written with the braces taken off.
using Settings = std::map<std::string, std::string>;

// The pairs of `text`; a key given twice keeps its first value, as ODBC does. Blanks around
// keys and unbraced values are dropped; empty pairs (";;") are skipped.
// Throws Error(kErrDataSource) for a pair without '=' or an unclosed brace.
Settings ParseConnectionText(std::string_view text);

// `text` in ASCII lower case.
std::string LowerAscii(std::string_view text);

}  // namespace sorbel::csvdb
