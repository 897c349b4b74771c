// numberText: one event filter on the box does the work of the key-down and the character
// handlers, textChanged drives the change rules, and a release or focus puts the caret back.
#include "app/number_text.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace sorbel {

namespace {

// The change rules, repeated until none applies: an empty text or a lone "-" becomes "0", and
// a leading zero goes while another character follows it ("007" -> "7", "00" -> "0").
// "-0" and text that is not a number at all are left alone.
QString Corrected(QString text) {
  for (;;) {
    if (text.isEmpty() || text == QLatin1String("-")) {
      text = QStringLiteral("0");
    } else if (text.size() > 1 && text.front() == u'0') {
      text.remove(0, 1);
    } else {
      return text;
    }
  }
}

bool IsArrow(int key) {
  return key == Qt::Key_Left || key == Qt::Key_Up || key == Qt::Key_Right || key == Qt::Key_Down;
}

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
  const QString text = box->text();
  if (text == QLatin1String("0")) return;
  box->setText(text.contains(u'-') ? QString(text).remove(u'-') : u'-' + text);
}

// A Japanese user has the input method on most of the time, and one left on from the name box
// takes the digits into its own composition. The box asks for digits and no composition (input
// methods do not compose for sensitive fields); one that composes all the same commits text
// the field reads for its digits.
constexpr Qt::InputMethodHints kNumberHints =
    Qt::ImhDigitsOnly | Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText |
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
  const QString text = Corrected(box->text());
  // The assignment raises textChanged again; that nested run finds nothing to correct.
  if (text != box->text()) box->setText(text);
  PinCaret(box);
}

bool numberText::numberText_KeyDown(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Delete) {
    // The box deletes first (nothing, with the caret at the end); the Backspace that follows
    // takes the last character.
    QCoreApplication::postEvent(
        Box(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier, "\b"));
    QCoreApplication::postEvent(
        Box(), new QKeyEvent(QEvent::KeyRelease, Qt::Key_Backspace, Qt::NoModifier, "\b"));
    return event->matches(QKeySequence::Cut);  // Shift+Delete would cut
  }
  return IsArrow(key) || IsEditShortcut(event);
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
  if (typed.size() == 1 && typed.front() >= u'0' && typed.front() <= u'9') return false;
  if (typed == QLatin1String("-")) {
    ToggleSign(Box());
    return true;
  }
  // Refused characters are never inserted; Ctrl+C still copies a selection.
  return !event->matches(QKeySequence::Copy);
}

void numberText::numberText_Commit(const QString& text) {
  QLineEdit* box = Box();
  for (QChar c : text) {
    char16_t u = c.unicode();
    if (u >= u'\uFF10' && u <= u'\uFF19') u = static_cast<char16_t>(u'0' + (u - u'\uFF10'));
    if (u >= u'0' && u <= u'9') {
      box->insert(QString(QChar(u)));
    } else if (u == u'-' || u == u'\uFF0D' || u == u'\u2212') {
      ToggleSign(box);
    }
  }
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
