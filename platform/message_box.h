// The modal message box: a text, an OK button, an icon and a caption.
// The window shows a real box, the command line prints it, tests record it.
#pragma once

#include <string>

namespace sorbel {

enum MsgBoxIcon { kIconNone = 0, kIconCritical = 16, kIconWarning = 48 };

class MessageBox {
 public:
  virtual ~MessageBox() = default;
  // Returns when the user has closed the box.
  virtual void Show(const std::string& text, MsgBoxIcon icon, const std::string& caption) = 0;
};

}  // namespace sorbel
