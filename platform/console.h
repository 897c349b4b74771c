// The console a command-line program writes to: its output and its error stream, given UTF-8
// text and writing it in the console's own character set.
#pragma once

#include <string_view>

namespace sorbel {

// Writes `text` to standard output; false when it could not be written whole (closed early).
bool PrintOut(std::string_view text);

// Writes `text` to standard error.
void PrintErr(std::string_view text);

}  // namespace sorbel
