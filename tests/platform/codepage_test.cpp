// Conversions between UTF-8 and CP932: exact round trips, the vendor extensions, and what
// happens to characters and bytes a code page cannot hold.
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/error.h"
#include "text/escaped_characters.h"
#include "text/utf8.h"

namespace sorbel {
namespace {

TEST(CodePageTest, Cp932RoundTripIncludingVendorExtensions) {
  // ① (NEC row 13), ㈱ (NEC), 髙 (IBM extension), a half-width katakana and a tilde wave.
  const std::string text = "①㈱髙ｱ～商品名,123\r\n";
  std::string bytes = FromUtf8(text, "windows-31j");
  EXPECT_EQ(bytes.substr(0, 2), "\x87\x40");  // ①
  EXPECT_EQ(bytes.substr(2, 2), "\x87\x8a");  // ㈱
  EXPECT_EQ(bytes.substr(4, 2), "\xfb\xfc");  // 髙
  EXPECT_EQ(bytes.substr(6, 1), "\xb1");      // ｱ
  EXPECT_EQ(ToUtf8(bytes, "CP932"), text);
  // The NEC-selected twin of 髙 reads the same.
  EXPECT_EQ(ToUtf8("\xee\xe0", "windows-31j"), "髙");
}

TEST(CodePageTest, ControlCharactersPassUnchangedAsOnWindows) {
  const std::string controls("\x1a\x1c\x7f", 3);
  EXPECT_EQ(FromUtf8("a" + controls + "家", "windows-31j"), "a" + controls + "\x89\xc6");
  EXPECT_EQ(ToUtf8("a" + controls + "\x89\xc6", "windows-31j"), "a" + controls + "家");
}

TEST(CodePageTest, UnmappableCharactersBecomeCharacterReferences) {
  // An emoji and a Korean syllable have no CP932 form; the rest of the text stays whole.
  std::string bytes = FromUtf8("a😀b한c", "windows-31j");
  EXPECT_EQ(bytes, "a&#128512;b&#54620;c");
}

// Nothing a code page lacks is lost, invisible characters included (ICU's own callbacks drop
// them): each is one reference to its code point, and the converter notes which.
TEST(CodePageTest, EveryCharacterACodePageLacksIsKeptAsAReference) {
  for (const char* codepage : {"windows-31j", "EUC-JP", "ISO-8859-1"}) {
    EXPECT_EQ(FromUtf8("a\u200Bb\u2060\uFEFF\uFE0E", codepage), "a&#8203;b&#8288;&#65279;&#65038;")
        << codepage;
  }
  // An ideographic variation sequence keeps its base; an emoji is one reference, not two halves.
  EXPECT_EQ(FromUtf8("葛\U000E0100😀\uFE0F\u00AD〜", "windows-31j"),
            "\x8a\x8b&#917760;&#128512;&#65039;&#173;&#12316;");
  EscapedCharacters escaped;
  FromUtf8("x😀y\u200B😀", "windows-31j", &escaped);
  EXPECT_EQ(escaped.Count(), 3);
  EXPECT_EQ(escaped.InOrder(), (std::vector<char32_t>{0x1F600, 0x200B}));
  EXPECT_TRUE(escaped.AnyIn("a\u200B"));
  EXPECT_FALSE(escaped.AnyIn("xy家"));
}

TEST(CodePageTest, InvalidInputBecomesReplacementCharacterNotTruncation) {
  EXPECT_EQ(ToUtf8("ab\xff"
                   "cd",
                   "UTF-8"),
            "ab\xEF\xBF\xBD"
            "cd");
  // 0x81 0x20 is an invalid CP932 pair; the text after it survives.
  std::string out = ToUtf8("x\x81 yz", "windows-31j");
  EXPECT_EQ(out.substr(0, 1), "x");
  EXPECT_EQ(out.substr(out.size() - 2), "yz");
  EXPECT_TRUE(IsValidUtf8(out));
  // An embedded NUL is content, not an end.
  EXPECT_EQ(ToUtf8(std::string("a\0b", 3), "windows-31j"), std::string("a\0b", 3));
}

TEST(CodePageTest, Utf8IsCopiedAndValidated) {
  EXPECT_TRUE(IsUtf8CodePage("utf8"));
  EXPECT_TRUE(IsUtf8CodePage("UTF-8"));
  EXPECT_FALSE(IsUtf8CodePage("CP932"));
  EXPECT_EQ(FromUtf8("家電①", "UTF-8"), "家電①");
  EXPECT_TRUE(IsValidUtf8("家電"));
  EXPECT_FALSE(IsValidUtf8("\xe5\xae"));      // cut short
  EXPECT_FALSE(IsValidUtf8("\xc0\xaf"));      // overlong
  EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));  // surrogate
}

// A result file can run to gigabytes: long texts convert whole, with characters (and a bad
// sequence) falling across every inner buffer and piece boundary.
TEST(CodePageTest, LongTextsConvertWholeAcrossPieceBoundaries) {
  const std::string unit = "家電①ｱ,\"説明\"\r\n髙😀abc";  // 😀 has no CP932 form
  std::string text;
  text.reserve((size_t{70} << 20) + unit.size());
  while (text.size() < (size_t{70} << 20)) text += unit;
  const std::string bytes = FromUtf8(text, "windows-31j");
  const std::string unit_bytes = FromUtf8(unit, "windows-31j");
  ASSERT_EQ(bytes.size(), text.size() / unit.size() * unit_bytes.size());
  EXPECT_EQ(bytes.substr(bytes.size() - unit_bytes.size()), unit_bytes);

  std::string back = ToUtf8(bytes, "windows-31j");
  const std::string unit_back = ToUtf8(unit_bytes, "windows-31j");
  ASSERT_EQ(back.size(), text.size() / unit.size() * unit_back.size());
  EXPECT_EQ(back.find("&#128512;"), unit_back.find("&#128512;"));
  EXPECT_EQ(back.substr(back.size() - unit_back.size()), unit_back);

  // Invalid UTF-8 in a long text becomes U+FFFD where it stands, nothing else changes.
  text[(size_t{64} << 20) + 1] = '\xff';
  std::string mended = ToUtf8(text, "UTF-8");
  EXPECT_TRUE(IsValidUtf8(mended));
  EXPECT_EQ(mended.size(), text.size() + 2);
  EXPECT_EQ(mended.substr(mended.size() - 1000), text.substr(text.size() - 1000));
}

TEST(CodePageTest, UnknownCodePageIsAnError) {
  try {
    ToUtf8("abc", "no-such-charset");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), kErrCodePage);
    EXPECT_NE(e.Description().find("no-such-charset"), std::string::npos);
  }
}

TEST(CodePageTest, AsciiLocaleCountsAsUtf8) {
  const char* saved = getenv("LC_ALL");
  std::string old = saved ? saved : "";
  setenv("LC_ALL", "C", 1);
  EXPECT_EQ(SystemCodePage(), "UTF-8");
  setenv("LC_ALL", "C.UTF-8", 1);
  EXPECT_EQ(SystemCodePage(), "UTF-8");
  if (saved)
    setenv("LC_ALL", old.c_str(), 1);
  else
    unsetenv("LC_ALL");
}

}  // namespace
}  // namespace sorbel
