// The words a program was started with, as UTF-8, whatever the system's code page: a Japanese
// file name arrives whole.
#pragma once

#include <string>
#include <vector>

namespace sorbel {

// The arguments after the program's own name; `argc` and `argv` are main's.
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace sorbel
