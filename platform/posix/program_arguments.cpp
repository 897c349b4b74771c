// The arguments on POSIX systems are the bytes the shell passed, UTF-8 on the desktops the
// program is made for.
#include "platform/program_arguments.h"

namespace sorbel {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

}  // namespace sorbel
