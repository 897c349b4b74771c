// The numeric entry field's rules, worked out from the text alone: the field keeps nothing
// between events.
#include "front/number_rules.h"

#include <utility>

namespace sorbel {

std::u16string CorrectedNumber(std::u16string text) {
  for (;;) {
    if (text.empty() || text == u"-") {
      text.assign(1, u'0');
    } else if (text.size() > 1 && text.front() == u'0') {
      text.erase(0, 1);
    } else {
      return text;
    }
  }
}

NumberCharacter TypedNumberCharacter(char16_t c) {
  if (c == 8 || (c >= u'0' && c <= u'9')) return NumberCharacter::kTyped;
  if (c == u'-') return NumberCharacter::kSignToggle;
  return NumberCharacter::kRefused;
}

std::u16string SignToggled(const std::u16string& text) {
  if (text == u"0") return text;
  if (text.find(u'-') == std::u16string::npos) return std::u16string(1, u'-').append(text);
  std::u16string unsigned_text;
  for (char16_t c : text) {
    if (c != u'-') unsigned_text += c;
  }
  return unsigned_text;
}

NumberKeyDown NumberKeyGoingDown(EditKey key) {
  switch (key) {
    case EditKey::kLeft:
    case EditKey::kUp:
    case EditKey::kRight:
    case EditKey::kDown:
      return NumberKeyDown::kBlock;
    case EditKey::kDelete:
      return NumberKeyDown::kDeleteLast;
    case EditKey::kOther:
      break;
  }
  return NumberKeyDown::kPass;
}

std::u16string WithCommittedText(std::u16string text, std::u16string_view committed) {
  for (char16_t c : committed) {
    if (c >= u'\uFF10' && c <= u'\uFF19') c = static_cast<char16_t>(u'0' + (c - u'\uFF10'));
    if (c == u'\uFF0D' || c == u'\u2212') c = u'-';
    if (c >= u'0' && c <= u'9') {
      text.push_back(c);
      text = CorrectedNumber(std::move(text));
    } else if (c == u'-') {
      text = CorrectedNumber(SignToggled(text));
    }
  }
  return text;
}

}  // namespace sorbel
