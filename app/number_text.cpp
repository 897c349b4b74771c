// numberText: one event filter on the box does the work of the key-down and the character
// handlers, textChanged drives the change rules, and a release or focus puts the caret back.
#include "app/number_text.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>

#include "front/number_rules.h"

namespace sorbel {

namespace {

EditKey EditKeyOf(int key) {
  switch (key) {
    case Qt::Key_Left:
      return EditKey::kLeft;
    case Qt::Key_Up:
      return EditKey::kUp;
    case Qt::Key_Right:
      return EditKey::kRight;
    case Qt::Key_Down:
      return EditKey::kDown;
    case Qt::Key_Delete:
      return EditKey::kDelete;
    default:
      return EditKey::kOther;
  }
}

QString FromU16(const std::u16string& text) { return QString::fromStdU16String(text); }

// Shortcuts that would put text into the box, or take it out, without passing the typed
// character rules.
bool IsEditShortcut(const QKeyEvent* event) {
  return event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut) ||
         event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo);
}

void PinCaret(QLineEdit* box) {
  box->setCursorPosition(static_cast<int>(box->text().size()));
  box->deselect();
}

// The "-" key's rule: the sign goes on or off, never on a lone zero.
void ToggleSign(QLineEdit* box) {
  const QString text = FromU16(SignToggled(box->text().toStdU16String()));
  if (text != box->text()) box->setText(text);
}

// A Japanese user has the input method on most of the time, and one left on from the name box
// takes the digits into its own composition. The box asks for digits and no composition (input
// methods do not compose for sensitive fields); one that composes all the same commits text
// the field reads for its digits.
constexpr Qt::InputMethodHints kNumberHints = Qt::ImhDigitsOnly | Qt::ImhHiddenText |
                                              Qt::ImhSensitiveData | Qt::ImhNoPredictiveText |
                                              Qt::ImhPreferLatin;

}  // namespace

numberText::numberText(QObject* parent) : QObject(parent) {}

numberText::~numberText() { SetBox(nullptr); }

QLineEdit* numberText::Box() const { return static_cast<QLineEdit*>(box_.data()); }

void numberText::SetBox(QLineEdit* box) {
  if (box_.data() == box) return;
  if (QLineEdit* old = Box()) {
    old->removeEventFilter(this);
    old->setInputMethodHints(old_hints_);
    disconnect(change_);
  }
  box_ = box;
  if (!box) return;
  box->installEventFilter(this);
  // The input method stays enabled: a box that refuses it leaves the one of the box before
  // composing, and the digits typed would be lost.
  old_hints_ = box->inputMethodHints();
  box->setInputMethodHints(kNumberHints);
  change_ = connect(box, &QLineEdit::textChanged, this, [this] { numberText_Change(); });
}

bool numberText::eventFilter(QObject* watched, QEvent* event) {
  if (watched != box_.data()) return false;
  switch (event->type()) {
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(event);
      return numberText_KeyDown(key) || numberText_KeyPress(key);
    }
    case QEvent::InputMethod:
      numberText_Commit(static_cast<QInputMethodEvent*>(event)->commitString());
      return true;
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      // Nor is text dropped with the mouse typed: it is refused as the box is left.
      return true;
    case QEvent::MouseButtonRelease:
    case QEvent::FocusIn:
      // The box sets caret and selection itself when it handles these (a click, a drag, the
      // select-all on tabbing in), so the caret goes back to the end once it has.
      numberText_MouseUp();
      return false;
    default:
      return false;
  }
}

void numberText::numberText_Change() {
  QLineEdit* box = Box();
  if (!box) return;
  const QString text = FromU16(CorrectedNumber(box->text().toStdU16String()));
  // The assignment raises textChanged again; that nested run finds nothing to correct.
  if (text != box->text()) box->setText(text);
  PinCaret(box);
}

bool numberText::numberText_KeyDown(QKeyEvent* event) {
  const NumberKeyDown rule = NumberKeyGoingDown(EditKeyOf(event->key()));
  if (rule == NumberKeyDown::kDeleteLast) {
    // The box deletes first (nothing, with the caret at the end); the Backspace that follows
    // takes the last character.
    QCoreApplication::postEvent(
        Box(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier, "\b"));
    QCoreApplication::postEvent(
        Box(), new QKeyEvent(QEvent::KeyRelease, Qt::Key_Backspace, Qt::NoModifier, "\b"));
    return event->matches(QKeySequence::Cut);  // Shift+Delete would cut
  }
  return rule == NumberKeyDown::kBlock || IsEditShortcut(event);
}

bool numberText::numberText_KeyPress(QKeyEvent* event) {
  const int key = event->key();
  const QString typed = event->text();
  // Keys that type no character (Home, End, Tab, function keys, Shift ...) pass unchanged.
  if (typed.isEmpty() || key == Qt::Key_Delete || key == Qt::Key_Tab || key == Qt::Key_Backtab) {
    return false;
  }
  // Backspace deletes a character; Ctrl+Backspace, a whole word, would leave nothing.
  if (key == Qt::Key_Backspace) return (event->modifiers() & Qt::ControlModifier) != 0;
  const NumberCharacter rule =
      typed.size() == 1 ? TypedNumberCharacter(typed.front().unicode()) : NumberCharacter::kRefused;
  if (rule == NumberCharacter::kTyped) return false;
  if (rule == NumberCharacter::kSignToggle) {
    ToggleSign(Box());
    return true;
  }
  // Refused characters are never inserted; Ctrl+C still copies a selection.
  return !event->matches(QKeySequence::Copy);
}

void numberText::numberText_Commit(const QString& text) {
  QLineEdit* box = Box();
  const QString committed =
      FromU16(WithCommittedText(box->text().toStdU16String(), text.toStdU16String()));
  if (committed != box->text()) box->setText(committed);
}

void numberText::numberText_MouseUp() {
  QMetaObject::invokeMethod(
      this,
      [this, box = QPointer<QLineEdit>(Box())] {
        if (box && box.data() == box_.data()) PinCaret(box);
      },
      Qt::QueuedConnection);
}

}  // namespace sorbel
