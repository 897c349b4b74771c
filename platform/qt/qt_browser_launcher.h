// Opens a web address through Qt's desktop services (xdg-open on Linux).
// Returns at once; the browser starts on its own.
#pragma once

#include "platform/browser_launcher.h"

namespace sorbel {

class QtBrowserLauncher : public BrowserLauncher {
 public:
  bool Open(const std::string& url) override;
};

}  // namespace sorbel
