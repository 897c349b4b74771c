// The open-file dialog as the common dialog GetOpenFileNameW over the active window.
// A cancel answers nothing; a dialog that cannot be shown throws Error.
#pragma once

#include "platform/file_dialog.h"

namespace sorbel {

class WindowsFileDialog : public FileDialog {
 public:
  std::optional<std::string> ShowOpen(const OpenFileOptions& options) override;
};

}  // namespace sorbel
