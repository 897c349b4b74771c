// Opens a web address in the user's default browser.
// Callers that only offer a link may ignore the result.
#pragma once

#include <string>

namespace sorbel {

class BrowserLauncher {
 public:
  virtual ~BrowserLauncher() = default;
  // Hands `url` to the default browser; false when no browser or handler took it.
  virtual bool Open(const std::string& url) = 0;
};

}  // namespace sorbel
