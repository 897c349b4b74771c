// numberText: turns a one-line edit control into an entry field for a signed whole number,
// with the caret pinned to the end. The rules are front/number_rules.h; this wires them in.
#pragma once

#include "win32/windows_api.h"

#include <string>

#include "front/number_rules.h"

namespace sorbel::win32 {

class numberText {
 public:
  numberText() = default;
  ~numberText();
  numberText(const numberText&) = delete;
  numberText& operator=(const numberText&) = delete;

  // The box served, or nullptr. Assigning another box moves the behaviour; nullptr detaches.
  HWND Box() const { return box_; }
  void SetBox(HWND box);

  // The change rules; the box's parent window calls this on the box's EN_CHANGE.
  void numberText_Change();

 private:
  static LRESULT CALLBACK BoxProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                  DWORD_PTR self);
  // What a key going down does; true when a character is taken (never reaches the box).
  NumberKeyDown numberText_KeyDown(WPARAM key);
  bool numberText_KeyPress(wchar_t typed);
  void numberText_Commit(const std::u16string& committed);
  void numberText_MouseUp();

  HWND box_ = nullptr;
};

}  // namespace sorbel::win32
