// The arguments on Windows, from the wide command line (GetCommandLineW): main's argv holds
// them in the ANSI code page, which loses what it cannot hold.
#include "platform/program_arguments.h"

#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include "platform/windows/wide_text.h"

namespace sorbel {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (words == nullptr) return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(Utf8(words[i]));
  ::LocalFree(words);
  return arguments;
}

}  // namespace sorbel
