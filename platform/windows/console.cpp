// The console on Windows: a real console gets UTF-16 (WriteConsoleW), so Japanese shows
// whatever its code page; a pipe or file gets the console's code page, else the ANSI one.
#include "platform/console.h"

#include <windows.h>

#include <string>

#include "platform/windows/wide_text.h"

namespace sorbel {
namespace {

bool Write(DWORD which, std::string_view text) {
  const HANDLE out = ::GetStdHandle(which);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return false;
  const std::wstring wide = Wide(text);
  DWORD mode = 0;
  if (::GetConsoleMode(out, &mode)) {
    DWORD written = 0;
    return ::WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) &&
           written == wide.size();
  }
  UINT codepage = ::GetConsoleOutputCP();
  if (codepage == 0) codepage = ::GetACP();
  const int n = ::WideCharToMultiByte(codepage, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  ::WideCharToMultiByte(codepage, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), n,
                        nullptr, nullptr);
  DWORD written = 0;
  return ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

}  // namespace

bool PrintOut(std::string_view text) { return Write(STD_OUTPUT_HANDLE, text); }

void PrintErr(std::string_view text) { Write(STD_ERROR_HANDLE, text); }

}  // namespace sorbel
