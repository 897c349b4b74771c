// MessageBoxW owned by the active window, so that the box is modal to the window the user
// works in and comes up over it.
#include "platform/windows/message_box.h"

#include <windows.h>

#include "platform/windows/wide_text.h"

namespace sorbel {

void WindowsMessageBox::Show(const std::string& text, MsgBoxIcon icon, const std::string& caption) {
  UINT style = MB_OK;
  if (icon == kIconCritical) style |= MB_ICONERROR;
  if (icon == kIconWarning) style |= MB_ICONWARNING;
  ::MessageBoxW(::GetActiveWindow(), Wide(text).c_str(), Wide(caption).c_str(), style);
}

}  // namespace sorbel
