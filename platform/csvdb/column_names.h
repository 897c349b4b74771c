// UniqueColumnNames: the header's names made unique and non-empty, so every column can be
// named in a query; names that are fine already are kept exactly as written.
#pragma once

#include <string>
#include <vector>

namespace sorbel::csvdb {

// An empty name becomes "列N" (N the 1-based column number). A name met before becomes
// name + "_" + k with k = 2, 3, ... Names are compared as the query engine compares them,
// ASCII letters without regard to case ("ID" repeats "id"), and a new name never takes one
// that another column already has or that the header uses further on.
std::vector<std::string> UniqueColumnNames(const std::vector<std::string>& header);

}  // namespace sorbel::csvdb
