// TypedField: a field's text as Null, an integer, a real or text, without losing anything:
// a number only when the text is exactly the form in which that number is written back.
#pragma once

#include <string_view>

#include "platform/csvdb/csv_reader.h"

namespace sorbel::csvdb {

// Empty text is Null. An integer is "0" or an optional "-" and digits without leading zeros
// that fit in 64 bits ("-0" is not one). A real has a "." or an "e" and is exactly the
// shortest form std::to_chars gives for it ("0.5", "1e+21"; not "0.50", "1e5" or ".5").
// Everything else is text. `text` is kept in the field as it is, for numbers too.
CsvField TypedField(std::string_view text);

}  // namespace sorbel::csvdb
