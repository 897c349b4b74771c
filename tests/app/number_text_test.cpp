// The numeric entry field driven like a user would: typed keys, Delete, arrows, mouse, focus,
// shortcuts, the context menu and text set by the program.
#include "app/number_text.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

namespace sorbel {
namespace {

class NumberTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window_.get());
    other_ = new QLineEdit(window_.get());
    box_ = new QLineEdit(window_.get());
    layout->addWidget(other_);
    layout->addWidget(box_);
    field_ = new numberText(window_.get());
    field_->SetBox(box_);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  }

  void Type(const char* keys) { QTest::keyClicks(box_, QString::fromLatin1(keys)); }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(box_, key, modifiers);
  }
  // Lets queued work (the Backspace after Delete, the caret after a click) happen.
  static void Settle() { QCoreApplication::processEvents(); }

  void ExpectCaretAtEnd(int line = __builtin_LINE()) const {
    EXPECT_EQ(box_->cursorPosition(), box_->text().size()) << "line " << line;
    EXPECT_FALSE(box_->hasSelectedText()) << "line " << line;
  }

  std::string Text() const { return box_->text().toStdString(); }

  std::unique_ptr<QWidget> window_;
  QLineEdit* box_ = nullptr;
  QLineEdit* other_ = nullptr;
  numberText* field_ = nullptr;
};

TEST_F(NumberTextTest, DigitsAreTypedAndLeadingZerosGo) {
  EXPECT_EQ(Text(), "");  // nothing changed it yet
  Type("0");
  EXPECT_EQ(Text(), "0");
  Type("0");
  EXPECT_EQ(Text(), "0");
  Type("7");
  EXPECT_EQ(Text(), "7");
  Type("0415");
  EXPECT_EQ(Text(), "70415");
  ExpectCaretAtEnd();
}

TEST_F(NumberTextTest, OtherCharactersAreRefused) {
  Type("12");
  Type("a Z.,+=*/\\");
  QTest::keyClick(box_, Qt::Key_Enter);  // Enter is no character the field takes either
  EXPECT_EQ(Text(), "12");
  // An input method left on commits what it composed: its digits count, full-width ones as
  // ASCII, its minus toggles the sign, the rest stays out, and the composition never shows.
  QInputMethodEvent composing(QStringLiteral("１２"), {});
  QCoreApplication::sendEvent(box_, &composing);
  EXPECT_EQ(Text(), "12");
  QInputMethodEvent composed;
  composed.setCommitString(QStringLiteral("３あ0－"));
  QCoreApplication::sendEvent(box_, &composed);
  EXPECT_EQ(Text(), "-1230");
  ExpectCaretAtEnd();
  EXPECT_TRUE(box_->testAttribute(Qt::WA_InputMethodEnabled));
  EXPECT_TRUE(box_->inputMethodHints() & Qt::ImhDigitsOnly);
}

TEST_F(NumberTextTest, BackspaceNeverLeavesTheBoxEmptyOrALoneMinus) {
  Type("5");
  Key(Qt::Key_Backspace);
  EXPECT_EQ(Text(), "0");
  ExpectCaretAtEnd();
  Type("5-");
  EXPECT_EQ(Text(), "-5");
  Key(Qt::Key_Backspace);
  EXPECT_EQ(Text(), "0");
}

// Ctrl+Backspace would delete a whole word, and a drop would insert text no key typed: both
// are refused, the number stays.
TEST_F(NumberTextTest, CtrlBackspaceAndDroppedTextAreRefused) {
  Type("1234");
  Key(Qt::Key_Backspace, Qt::ControlModifier);
  EXPECT_EQ(Text(), "1234");
  QMimeData dropped;
  dropped.setText(QStringLiteral("abc99"));
  const QPointF at = QRectF(box_->rect()).center();
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(box_, &enter);
  EXPECT_FALSE(enter.isAccepted());
  QDropEvent drop(at, Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(box_, &drop);
  EXPECT_EQ(Text(), "1234");
}

TEST_F(NumberTextTest, MinusTogglesTheSign) {
  Type("-");  // on the untouched, empty box: "-" becomes "0"
  EXPECT_EQ(Text(), "0");
  Type("-");  // nothing happens on "0"
  EXPECT_EQ(Text(), "0");
  Type("12-");
  EXPECT_EQ(Text(), "-12");
  ExpectCaretAtEnd();
  Type("-");
  EXPECT_EQ(Text(), "12");
  Key(Qt::Key_Minus, Qt::KeypadModifier);
  EXPECT_EQ(Text(), "-12");
  // Every "-" goes, wherever a paste put it.
  box_->setText(QStringLiteral("1-2-3"));
  Type("-");
  EXPECT_EQ(Text(), "123");
}

TEST_F(NumberTextTest, DeleteRemovesTheLastCharacter) {
  Type("123");
  Key(Qt::Key_Delete);
  Settle();
  EXPECT_EQ(Text(), "12");
  box_->setText(QStringLiteral("7"));
  Key(Qt::Key_Delete);
  Settle();
  EXPECT_EQ(Text(), "0");
  ExpectCaretAtEnd();
  // Shift+Delete, which would cut, removes the last character just the same.
  box_->setText(QStringLiteral("45"));
  Key(Qt::Key_Delete, Qt::ShiftModifier);
  Settle();
  EXPECT_EQ(Text(), "4");
}

TEST_F(NumberTextTest, ArrowsDoNotMoveTheCaret) {
  Type("2468");
  for (Qt::Key arrow : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down}) {
    for (Qt::KeyboardModifiers modifiers :
         {Qt::KeyboardModifiers(Qt::NoModifier), Qt::KeyboardModifiers(Qt::ShiftModifier),
          Qt::KeyboardModifiers(Qt::ControlModifier)}) {
      Key(arrow, modifiers);
      ExpectCaretAtEnd();
    }
  }
  // Home still moves it; the next change brings it back to the end.
  Key(Qt::Key_Home);
  EXPECT_EQ(box_->cursorPosition(), 0);
  Type("1");
  EXPECT_EQ(Text(), "12468");
  ExpectCaretAtEnd();
}

TEST_F(NumberTextTest, MouseReleaseAndFocusPutTheCaretBackAtTheEnd) {
  box_->setText(QStringLiteral("123456789"));
  const QPoint middle = box_->rect().center();
  QTest::mouseClick(box_, Qt::LeftButton, Qt::NoModifier, middle);
  Settle();
  ExpectCaretAtEnd();
  // A double click would select a word; QTest leaves out the release that ends it.
  QTest::mouseDClick(box_, Qt::LeftButton, Qt::NoModifier, middle);
  QTest::mouseRelease(box_, Qt::LeftButton, Qt::NoModifier, middle);
  Settle();
  ExpectCaretAtEnd();
  QTest::mousePress(box_, Qt::LeftButton, Qt::NoModifier, QPoint(2, middle.y()));
  QTest::mouseMove(box_, middle);
  QTest::mouseRelease(box_, Qt::LeftButton, Qt::NoModifier, middle);
  Settle();
  ExpectCaretAtEnd();
  QTest::mouseClick(box_, Qt::RightButton, Qt::ShiftModifier, middle);
  Settle();
  ExpectCaretAtEnd();

  // Tabbing in would select the whole text, so that the next digit replaced it.
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  other_->setFocus(Qt::OtherFocusReason);
  QTest::keyClick(other_, Qt::Key_Tab);
  Settle();
  ASSERT_TRUE(box_->hasFocus());
  ExpectCaretAtEnd();
  Type("0");
  EXPECT_EQ(Text(), "1234567890");
}

TEST_F(NumberTextTest, PasteCutAndUndoKeysDoNothing) {
  QApplication::clipboard()->setText(QStringLiteral("99"));
  Type("12");
  Key(Qt::Key_V, Qt::ControlModifier);
  Key(Qt::Key_Insert, Qt::ShiftModifier);
  EXPECT_EQ(Text(), "12");
  box_->selectAll();
  Key(Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(Text(), "12");
  Key(Qt::Key_Z, Qt::ControlModifier);
  Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  Key(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(Text(), "12");
  // Copying is harmless and still works.
  box_->selectAll();
  Key(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "12");
}

TEST_F(NumberTextTest, TextThatIsNotTypedMeetsOnlyTheChangeRules) {
  box_->setText(QStringLiteral("007"));
  EXPECT_EQ(Text(), "7");
  ExpectCaretAtEnd();
  box_->setText(QString());
  EXPECT_EQ(Text(), "0");
  box_->setText(QStringLiteral("-"));
  EXPECT_EQ(Text(), "0");
  box_->setText(QStringLiteral("00"));
  EXPECT_EQ(Text(), "0");
  box_->setText(QStringLiteral("0-"));
  EXPECT_EQ(Text(), "0");
  box_->setText(QStringLiteral("-0"));
  EXPECT_EQ(Text(), "-0");
  box_->setText(QStringLiteral("12abc"));
  EXPECT_EQ(Text(), "12abc");

  // Paste from the box's own context menu.
  box_->setText(QStringLiteral("0"));
  QApplication::clipboard()->setText(QStringLiteral("0x5"));
  std::unique_ptr<QMenu> menu(box_->createStandardContextMenu());
  QAction* paste = nullptr;
  for (QAction* action : menu->actions()) {
    if (action->text().startsWith(QStringLiteral("&Paste"))) paste = action;
  }
  ASSERT_NE(paste, nullptr);
  paste->trigger();
  EXPECT_EQ(Text(), "x5");
  ExpectCaretAtEnd();
}

TEST_F(NumberTextTest, TheBehaviourMovesWithTheBox) {
  EXPECT_EQ(field_->Box(), box_);
  field_->SetBox(other_);
  EXPECT_EQ(field_->Box(), other_);
  Type("ab");
  EXPECT_EQ(Text(), "ab");  // the old box is an ordinary text box again
  EXPECT_EQ(box_->inputMethodHints(), Qt::ImhNone);
  QTest::keyClicks(other_, QStringLiteral("0a9"));
  EXPECT_EQ(other_->text().toStdString(), "9");
  field_->SetBox(nullptr);
  QTest::keyClicks(other_, QStringLiteral("x"));
  EXPECT_EQ(other_->text().toStdString(), "9x");
}

}  // namespace
}  // namespace sorbel
