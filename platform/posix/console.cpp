// The console on POSIX systems: the locale's character set is UTF-8 on every desktop the
// program is made for, so the text goes out as it is.
#include "platform/console.h"

#include <cstdio>

namespace sorbel {

bool PrintOut(std::string_view text) {
  const bool whole = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
  return std::fflush(stdout) == 0 && whole;
}

void PrintErr(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace sorbel
