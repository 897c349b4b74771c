// The message box as MessageBoxW over the active window: OK only, the error, the warning or no
// icon, the caller's caption.
#pragma once

#include "platform/message_box.h"

namespace sorbel {

class WindowsMessageBox : public MessageBox {
 public:
  void Show(const std::string& text, MsgBoxIcon icon, const std::string& caption) override;
};

}  // namespace sorbel
