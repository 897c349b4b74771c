// numberText turns a one-line text box into an entry field for a signed whole number: only
// digits, Backspace and a sign toggle can be typed, and the caret stays at the end of the text.
// An input method's committed text counts for its digits (full-width ones too) and its minus.
#pragma once

#include <QObject>
#include <QPointer>

class QKeyEvent;
class QLineEdit;

namespace sorbel {

class numberText : public QObject {
  Q_OBJECT

 public:
  explicit numberText(QObject* parent = nullptr);
  ~numberText() override;

  // The box this field serves; nullptr detaches. Assigning another box moves the behaviour.
  QLineEdit* Box() const;
  void SetBox(QLineEdit* box);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The handlers, named after the box's events. The two key handlers return true when they
  // swallow the key.
  void numberText_Change();
  bool numberText_KeyDown(QKeyEvent* event);
  bool numberText_KeyPress(QKeyEvent* event);
  void numberText_MouseUp();
  void numberText_Commit(const QString& text);

  // Held as a QObject: a box being destroyed still sends events, and by then it is no longer
  // a QLineEdit.
  QPointer<QObject> box_;
  QMetaObject::Connection change_;
  Qt::InputMethodHints old_hints_;  // the box's own, given back when it is detached
};

}  // namespace sorbel
