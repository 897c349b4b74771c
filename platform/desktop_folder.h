// The user's desktop folder, where the product file is usually saved.
// Tests put a fixed or failing folder in its place.
#pragma once

#include <string>

namespace sorbel {

class DesktopFolder {
 public:
  virtual ~DesktopFolder() = default;
  // The folder's full path. Throws Error when it cannot be determined.
  virtual std::string Path() const = 0;
};

}  // namespace sorbel
