// NullToString: a field value as text, Null as empty text.
// Numbers come out in their plain form ("123", "12.5", "-0.25"), never with separators.
#pragma once

#include <string>

#include "platform/database.h"

namespace sorbel {

std::string NullToString(const FieldValue& value);

// Appends the text of `value` to `out`: the same as NullToString without a temporary.
void AppendFieldText(const FieldValue& value, std::string& out);

}  // namespace sorbel
