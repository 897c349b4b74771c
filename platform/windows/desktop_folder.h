// The user's desktop folder as the shell knows it (FOLDERID_Desktop), moved or redirected
// folders included.
#pragma once

#include "platform/desktop_folder.h"

namespace sorbel {

class WindowsDesktopFolder : public DesktopFolder {
 public:
  std::string Path() const override;
};

}  // namespace sorbel
