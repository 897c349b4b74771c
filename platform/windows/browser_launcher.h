// Opens a web address with the shell (ShellExecuteW "open"): the user's default browser.
// Answers whether the shell took it.
#pragma once

#include "platform/browser_launcher.h"

namespace sorbel {

class WindowsBrowserLauncher : public BrowserLauncher {
 public:
  bool Open(const std::string& url) override;
};

}  // namespace sorbel
