// Sorbel's LIKE: case and width folded on both sides, '%' and '_' on characters, ESCAPE,
// kana kept apart, and the same NULL and error behaviour as SQLite's own LIKE.
#include "engine_test_folder.h"
#include "platform/csvdb/like_pattern.h"

namespace sorbel::csvdb {
namespace {

using testing::EngineFolder;
using testing::ErrorNumberOf;

bool Like(std::string_view pattern, std::string_view value,
          char32_t escape = LikePattern::kNoEscape) {
  return LikePattern(pattern, escape).Matches(value);
}

TEST(LikePatternTest, FoldsCaseAndWidth) {
  EXPECT_TRUE(Like("%iphone%", "ｉＰｈｏｎｅ ケース"));
  EXPECT_TRUE(Like("%iphone%", "IPHONE15"));
  EXPECT_TRUE(Like("%ＩＰＨＯＮＥ%", "new iPhone"));
  EXPECT_FALSE(Like("%iphone%", "ｉＰａｄ"));
  EXPECT_TRUE(Like("%ｾｯﾄ%", "タオルセット"));
  EXPECT_TRUE(Like("%セット%", "お得なｾｯﾄ"));
  EXPECT_TRUE(Like("%ｶﾞｲﾄﾞ%", "ガイドブック"));  // a voiced mark joins its kana
  EXPECT_TRUE(Like("%men's%", "Ｍｅｎ'ｓ Bag"));
  EXPECT_TRUE(Like("%c%", "CDB"));
  // Hiragana and katakana are different letters.
  EXPECT_FALSE(Like("%せっと%", "セット"));
  EXPECT_FALSE(Like("%セット%", "せっと"));
  EXPECT_FALSE(Like("%家電%", "家具"));
}

TEST(LikePatternTest, WildcardsWorkOnCharacters) {
  EXPECT_TRUE(Like("", ""));
  EXPECT_FALSE(Like("", "a"));
  EXPECT_TRUE(Like("%", ""));
  EXPECT_TRUE(Like("%%", "anything"));
  EXPECT_TRUE(Like("ABC", "abc"));
  EXPECT_FALSE(Like("abc", "abcd"));
  EXPECT_TRUE(Like("abc%", "abcd"));
  EXPECT_FALSE(Like("abc%", "xabc"));
  EXPECT_TRUE(Like("%abc", "xabc"));
  EXPECT_FALSE(Like("%abc", "abcx"));
  EXPECT_TRUE(Like("a%c%e", "abcde"));
  EXPECT_FALSE(Like("a%c%e", "abcdef"));
  EXPECT_FALSE(Like("a%a", "a"));  // prefix and suffix may not share a character
  EXPECT_FALSE(Like("ab%ba", "aba"));
  EXPECT_TRUE(Like("ab%ba", "abba"));
  EXPECT_TRUE(Like("%b%b%", "abcba"));
  EXPECT_FALSE(Like("%b%b%", "abc"));
  EXPECT_TRUE(Like("ｾ_ﾄ", "セット"));
  EXPECT_TRUE(Like("a_c", "a😀c"));  // one character, two UTF-16 units
  EXPECT_FALSE(Like("__", "😀"));
  EXPECT_TRUE(Like("_", "😀"));
  EXPECT_TRUE(Like("%😀_", "x😀😀"));
  EXPECT_FALSE(Like("a_c", "abbc"));
  EXPECT_TRUE(Like("%_b_%", "xxbxx"));
  EXPECT_FALSE(Like("%_b_", "b"));
  EXPECT_TRUE(Like("%ab_d%", "zabacabcdz"));
}

TEST(LikePatternTest, EscapeAndLiteralPercentSigns) {
  EXPECT_TRUE(Like("10\\%%", "10%off", U'\\'));
  EXPECT_FALSE(Like("10\\%%", "10xoff", U'\\'));
  EXPECT_TRUE(Like("a\\_c", "a_c", U'\\'));
  EXPECT_FALSE(Like("a\\_c", "abc", U'\\'));
  EXPECT_TRUE(Like("a\\\\c", "a\\c", U'\\'));
  EXPECT_FALSE(Like("abc\\", "abc", U'\\'));  // a trailing escape matches nothing
  EXPECT_TRUE(Like("%!%%", "50%", U'!'));
  EXPECT_TRUE(Like("x％y%", "x%y"));  // a full-width percent sign is a literal
  EXPECT_TRUE(Like("x％y%", "x％yz"));
  EXPECT_FALSE(Like("x％y", "xzzy"));
  EXPECT_TRUE(Like("a＿c", "a_c"));
  EXPECT_FALSE(Like("a＿c", "abc"));
}

TEST(LikeFunctionTest, ReplacesSqlitesLikeOnTheConnection) {
  EngineFolder folder;
  folder.Write("t.csv", "name,pattern\r\nｉＰｈｏｎｅ,%PHONE\r\nセット,せ%\r\n1200,12%\r\n,x\r\n");
  auto q = [&](const std::string& sql) { return folder.Query(sql)[1]; };
  using Row = std::vector<std::string>;
  EXPECT_EQ(q("SELECT 'ｉＰｈｏｎｅ' LIKE '%iphone%', 'ｉＰｈｏｎｅ' = 'iphone', "
              "'abc' NOT LIKE 'A%', 'a%c' LIKE 'a!%%' ESCAPE '!', NULL LIKE 'x', 'x' LIKE NULL, "
              "'x' LIKE 'x' ESCAPE NULL, like('%b%', 'abc'), like('a|_c', 'abc', '|')"),
            (Row{"i:1", "i:0", "i:0", "i:1", "NULL", "NULL", "NULL", "i:1", "i:0"}));
  // Patterns from a column (no caching across rows), numbers read as their text, Null values.
  EXPECT_EQ(folder.Firsts("SELECT name FROM [t.csv] WHERE name LIKE pattern"),
            (std::vector<std::string>{"ｉＰｈｏｎｅ", "1200"}));
  EXPECT_EQ(folder.Firsts("SELECT count(*) FROM [t.csv] WHERE name LIKE '%'"),
            (std::vector<std::string>{"3"}));
  EXPECT_EQ(folder.Firsts("SELECT count(*) FROM [t.csv] WHERE name NOT LIKE '%ｾｯﾄ%'"),
            (std::vector<std::string>{"2"}));
}

TEST(LikeFunctionTest, RefusesWhatSqlitesLikeRefuses) {
  EngineFolder folder;
  std::string description;
  EXPECT_EQ(ErrorNumberOf([&] { folder.Query("SELECT 'a' LIKE 'a' ESCAPE 'ab'"); }, &description),
            kErrQuery);
  EXPECT_NE(description.find("ESCAPE expression must be a single character"), std::string::npos);
  EXPECT_EQ(ErrorNumberOf([&] { folder.Query("SELECT 'a' LIKE 'a' ESCAPE ''"); }), kErrQuery);
  const std::string long_pattern = "'" + std::string(1001, 'a') + "'";
  EXPECT_EQ(ErrorNumberOf([&] { folder.Query("SELECT 'a' LIKE " + long_pattern); }, &description),
            kErrQuery);
  EXPECT_NE(description.find("pattern too complex"), std::string::npos);
  EXPECT_EQ(folder.Query("SELECT 'a' LIKE '" + std::string(999, '%') + "a'")[1][0], "i:1");
}

}  // namespace
}  // namespace sorbel::csvdb
