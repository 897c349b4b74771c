// The open-file dialog as a Qt QFileDialog over the active window.
// Qt's dialog has no read-only check box, so that option can only be left off.
#pragma once

#include "platform/file_dialog.h"

namespace sorbel {

class QtFileDialog : public FileDialog {
 public:
  std::optional<std::string> ShowOpen(const OpenFileOptions& options) override;
};

}  // namespace sorbel
