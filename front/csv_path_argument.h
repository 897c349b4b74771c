// The catalogue a file manager or Explorer hands the program when the user opens a CSV file
// with it: the first argument that is no option, as a path (a file: address too).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sorbel {

// From the program's arguments in UTF-8, the program's own name first (a toolkit's options
// already taken out). The front end puts the path in the path box; nothing runs.
std::optional<std::string> CsvPathArgument(const std::vector<std::string>& arguments);

}  // namespace sorbel
