// A message box that records what it was asked to show instead of showing it.
// The tests read back text, icon and caption.
#pragma once

#include <string>
#include <vector>

#include "platform/message_box.h"

namespace sorbel {

struct ShownMessage {
  std::string text;
  MsgBoxIcon icon;
  std::string caption;
};

class RecordingBox : public MessageBox {
 public:
  void Show(const std::string& text, MsgBoxIcon icon, const std::string& caption) override {
    shown.push_back({text, icon, caption});
  }
  std::vector<ShownMessage> shown;
};

}  // namespace sorbel
