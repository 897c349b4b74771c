// The numeric entry field's rules on the box's text, shared by every front end: what the
// change, a typed character, the sign key, a key going down and an input method's text do.
#pragma once

#include <string>
#include <string_view>

namespace sorbel {

// The change rules, repeated until none applies: an empty text or a lone "-" becomes "0", and a
// leading zero goes while another character follows it ("007" -> "7", "00" -> "0"). "-0" and
// text that is not a number at all are left alone. The caller then puts the caret at the end.
std::u16string CorrectedNumber(std::u16string text);

// What a typed character does: a digit or Backspace (8) reaches the box, "-" toggles the sign,
// anything else is refused (never inserted).
enum class NumberCharacter { kTyped, kSignToggle, kRefused };
NumberCharacter TypedNumberCharacter(char16_t c);

// The text after the sign key: unchanged on "0"; without any "-" when it has one; else with
// "-" in front.
std::u16string SignToggled(const std::u16string& text);

// What a key going down does: the arrows are blocked (the caret does not move), Delete takes
// the last character after the box has handled it, every other key passes.
enum class EditKey { kLeft, kUp, kRight, kDown, kDelete, kOther };
enum class NumberKeyDown { kPass, kBlock, kDeleteLast };
NumberKeyDown NumberKeyGoingDown(EditKey key);

// The text after an input method commits `committed` with the caret at the end: each digit
// (full-width ones too) is typed, each minus sign ("-", "－", "−") is the sign key, the rest is
// refused; the change rules follow every step, as they follow every typed key.
std::u16string WithCommittedText(std::u16string text, std::u16string_view committed);

}  // namespace sorbel
