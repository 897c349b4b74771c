// numberText as a subclass of the edit control (SetWindowSubclass): key-down and character
// messages are judged before the box sees them, a mouse button's release and the parent's
// EN_CHANGE put the caret back at the end. The input method is off in the box.
#include "win32/number_text.h"

#include <commctrl.h>
#include <imm.h>

#include "front/number_rules.h"

namespace sorbel::win32 {

namespace {

std::u16string BoxText(HWND box) {
  const int length = ::GetWindowTextLengthW(box);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int got = ::GetWindowTextW(box, text.data(), length + 1);
  return std::u16string(text.begin(), text.begin() + got);
}

void SetBoxText(HWND box, const std::u16string& text) {
  const std::wstring wide(text.begin(), text.end());
  ::SetWindowTextW(box, wide.c_str());  // raises EN_CHANGE before it returns
}

void PinCaret(HWND box) {
  const int end = ::GetWindowTextLengthW(box);
  ::SendMessageW(box, EM_SETSEL, end, end);
}

EditKey EditKeyOf(WPARAM key) {
  switch (key) {
    case VK_LEFT:
      return EditKey::kLeft;
    case VK_UP:
      return EditKey::kUp;
    case VK_RIGHT:
      return EditKey::kRight;
    case VK_DOWN:
      return EditKey::kDown;
    case VK_DELETE:
      return EditKey::kDelete;
    default:
      return EditKey::kOther;
  }
}

bool KeyHeld(int key) { return (::GetKeyState(key) & 0x8000) != 0; }

}  // namespace

numberText::~numberText() { SetBox(nullptr); }

void numberText::SetBox(HWND box) {
  if (box == box_) return;
  if (box_) {
    ::RemoveWindowSubclass(box_, BoxProc, reinterpret_cast<UINT_PTR>(this));
    ::ImmAssociateContextEx(box_, nullptr, IACE_DEFAULT);
  }
  box_ = box;
  if (!box_) return;
  ::SetWindowSubclass(box_, BoxProc, reinterpret_cast<UINT_PTR>(this),
                      reinterpret_cast<DWORD_PTR>(this));
  // Without a context a Japanese input method left on from the box before composes nothing
  // here: the digits typed arrive as digits.
  ::ImmAssociateContextEx(box_, nullptr, 0);
}

LRESULT CALLBACK numberText::BoxProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                     DWORD_PTR self_data) {
  auto* self = reinterpret_cast<numberText*>(self_data);
  switch (message) {
    case WM_KEYDOWN:
      switch (self->numberText_KeyDown(wparam)) {
        case NumberKeyDown::kBlock:
          return 0;
        case NumberKeyDown::kDeleteLast: {
          // The box deletes first (nothing, with the caret at the end); the Backspace queued
          // after it takes the last character. Shift+Delete would cut: the box never sees it.
          const LRESULT done =
              KeyHeld(VK_SHIFT) ? 0 : ::DefSubclassProc(box, message, wparam, lparam);
          ::PostMessageW(box, WM_CHAR, VK_BACK, 1);
          return done;
        }
        case NumberKeyDown::kPass:
          break;
      }
      break;
    case WM_CHAR:
      if (self->numberText_KeyPress(static_cast<wchar_t>(wparam))) return 0;
      break;
    case WM_SYSKEYDOWN:
    case WM_SYSCHAR:
      if (wparam == VK_BACK) return 0;  // Alt+Backspace would undo
      break;
    case WM_IME_CHAR:
      self->numberText_Commit(std::u16string(1, static_cast<char16_t>(wparam)));
      return 0;
    case WM_LBUTTONUP:
    case WM_MBUTTONUP:
    case WM_RBUTTONUP: {
      // The box sets caret and selection itself on a click or a drag; then back to the end.
      const LRESULT done = ::DefSubclassProc(box, message, wparam, lparam);
      self->numberText_MouseUp();
      return done;
    }
    case WM_GETDLGCODE:
      // Tabbing in selects nothing: the caret stays at the end.
      return ::DefSubclassProc(box, message, wparam, lparam) & ~DLGC_HASSETSEL;
    case WM_NCDESTROY:
      self->SetBox(nullptr);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(box, message, wparam, lparam);
}

void numberText::numberText_Change() {
  if (!box_) return;
  const std::u16string text = BoxText(box_);
  const std::u16string corrected = CorrectedNumber(text);
  // The nested EN_CHANGE this raises finds nothing more to correct.
  if (corrected != text) SetBoxText(box_, corrected);
  PinCaret(box_);
}

NumberKeyDown numberText::numberText_KeyDown(WPARAM key) {
  // Shift+Insert would paste past the typed-character rules.
  if (key == VK_INSERT && KeyHeld(VK_SHIFT)) return NumberKeyDown::kBlock;
  return NumberKeyGoingDown(EditKeyOf(key));
}

bool numberText::numberText_KeyPress(wchar_t typed) {
  if (typed == 3) return false;  // Ctrl+C: the box copies a selection
  // Full-width digits and minus signs come from an input method; they count as typed.
  if (typed >= 0x80) {
    numberText_Commit(std::u16string(1, static_cast<char16_t>(typed)));
    return true;
  }
  switch (TypedNumberCharacter(static_cast<char16_t>(typed))) {
    case NumberCharacter::kTyped:
      return false;
    case NumberCharacter::kSignToggle: {
      const std::u16string text = BoxText(box_);
      const std::u16string toggled = SignToggled(text);
      if (toggled != text) SetBoxText(box_, toggled);
      return true;
    }
    case NumberCharacter::kRefused:
      break;
  }
  return true;  // refused: letters, blanks, Ctrl+V, Ctrl+X, Ctrl+Z ...
}

void numberText::numberText_Commit(const std::u16string& committed) {
  const std::u16string text = BoxText(box_);
  const std::u16string result = WithCommittedText(text, committed);
  if (result != text) SetBoxText(box_, result);
}

void numberText::numberText_MouseUp() { PinCaret(box_); }

}  // namespace sorbel::win32
