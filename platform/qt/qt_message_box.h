// The message box as a Qt QMessageBox: modal, an OK button only, no icon, the critical or the
// warning icon, and the given caption.
#pragma once

#include "platform/message_box.h"

namespace sorbel {

class QtMessageBox : public MessageBox {
 public:
  void Show(const std::string& text, MsgBoxIcon icon, const std::string& caption) override;
};

}  // namespace sorbel
