// Options of sorbel-filter, the command-line twin of the window: conditions, the CSV path
// and whether to show the result in the spreadsheet.
#pragma once

#include <string>
#include <vector>

#include "filter/query_text.h"

namespace sorbel {

struct CommandLine {
  std::string csv_path;
  FilterConditions conditions;
  bool show = false;  // open the result in the spreadsheet
  bool help = false;
  bool version = false;
};

// Parses argv[1..]; throws Error(kErrUsage) with a message naming the fault.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The --help text.
std::string UsageText();

}  // namespace sorbel
