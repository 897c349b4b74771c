// The desktop folder as Qt's standard paths report it.
// A user without a desktop folder gets the home folder instead.
#pragma once

#include "platform/desktop_folder.h"

namespace sorbel {

class QtDesktopFolder : public DesktopFolder {
 public:
  std::string Path() const override;
};

}  // namespace sorbel
