// The numeric entry field's rules on text alone, as every front end applies them: the change
// rules with their repeats, the sign key, typed characters and an input method's text.
#include "front/number_rules.h"

#include <gtest/gtest.h>

namespace sorbel {
namespace {

TEST(NumberRulesTest, TheChangeRulesRepeatUntilNoneApplies) {
  EXPECT_EQ(CorrectedNumber(u""), u"0");
  EXPECT_EQ(CorrectedNumber(u"-"), u"0");
  EXPECT_EQ(CorrectedNumber(u"007"), u"7");
  EXPECT_EQ(CorrectedNumber(u"00"), u"0");
  EXPECT_EQ(CorrectedNumber(u"0-"), u"0");  // "-" left alone becomes "0" again
  EXPECT_EQ(CorrectedNumber(u"-0"), u"-0");
  EXPECT_EQ(CorrectedNumber(u"0abc"), u"abc");
  EXPECT_EQ(CorrectedNumber(u"12"), u"12");
}

TEST(NumberRulesTest, TheSignKeyTogglesButNeverOnALoneZero) {
  EXPECT_EQ(SignToggled(u"0"), u"0");
  EXPECT_EQ(SignToggled(u"12"), u"-12");
  EXPECT_EQ(SignToggled(u"-12"), u"12");
  EXPECT_EQ(SignToggled(u"1-2-"), u"12");              // pasted text: every "-" goes
  EXPECT_EQ(CorrectedNumber(SignToggled(u"")), u"0");  // a box never changed yet
}

TEST(NumberRulesTest, OnlyDigitsAndBackspaceAreTyped) {
  for (char16_t c = u'0'; c <= u'9'; ++c)
    EXPECT_EQ(TypedNumberCharacter(c), NumberCharacter::kTyped);
  EXPECT_EQ(TypedNumberCharacter(8), NumberCharacter::kTyped);
  EXPECT_EQ(TypedNumberCharacter(u'-'), NumberCharacter::kSignToggle);
  for (char16_t c : std::u16string(u" .,+a\x03\x16\x18\x1a\uFF11")) {
    EXPECT_EQ(TypedNumberCharacter(c), NumberCharacter::kRefused) << int(c);
  }
  EXPECT_EQ(NumberKeyGoingDown(EditKey::kLeft), NumberKeyDown::kBlock);
  EXPECT_EQ(NumberKeyGoingDown(EditKey::kDown), NumberKeyDown::kBlock);
  EXPECT_EQ(NumberKeyGoingDown(EditKey::kDelete), NumberKeyDown::kDeleteLast);
  EXPECT_EQ(NumberKeyGoingDown(EditKey::kOther), NumberKeyDown::kPass);
}

TEST(NumberRulesTest, AnInputMethodsTextCountsForItsDigitsAndMinus) {
  EXPECT_EQ(WithCommittedText(u"0", u"１２００"), u"1200");
  EXPECT_EQ(WithCommittedText(u"", u"05"), u"5");
  EXPECT_EQ(WithCommittedText(u"12", u"－"), u"-12");
  EXPECT_EQ(WithCommittedText(u"-12", u"−3"), u"123");
  EXPECT_EQ(WithCommittedText(u"0", u"-"), u"0");
  EXPECT_EQ(WithCommittedText(u"7", u"円ｶ"), u"7");
}

}  // namespace
}  // namespace sorbel
