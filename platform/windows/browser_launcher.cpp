// ShellExecuteW answers a value above 32 when the shell found a handler for the address.
#include "platform/windows/browser_launcher.h"

#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include "platform/windows/wide_text.h"

namespace sorbel {

bool WindowsBrowserLauncher::Open(const std::string& url) {
  const std::wstring address = Wide(url);
  if (address.empty()) return false;
  const auto answer = reinterpret_cast<INT_PTR>(::ShellExecuteW(
      ::GetActiveWindow(), L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return answer > 32;
}

}  // namespace sorbel
