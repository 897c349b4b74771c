// Condition texts that look like SQL: quotes, comments, brackets, NUL, huge texts, keywords and
// prices pasted as letters. Each finds exactly its rows or gives one clear error; none runs more.
#include <sqlite3.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "filter/filter_run.h"
#include "platform/error.h"
#include "run_fixture.h"
#include "run_outcome.h"

namespace sorbel {
namespace {

const std::string kHeader = "商品コード,商品名,カテゴリー名,タグ,最低販売価格,同梱可否";
const std::string kTricky = "X1,\"Men's \"\"best\"\"; --/* ] deal\",' OR 1=1 --,a'];DROP,100,○";
const std::string kPlain = "X2,kettle,家電,kitchen,200,×";
const std::string kSql = "X3,SELECT * FROM t WHERE 1=1,\"x\"\"; --\",/* */,300,○";

class InjectionTest : public RunFixture {
 protected:
  void SetUp() override {
    RunFixture::SetUp();
    host_.csv_path =
        Catalogue(kHeader + "\r\n" + kTricky + "\r\n" + kPlain + "\r\n" + kSql + "\r\n");
  }
  // The result's records (without header) for `c`; fails the test on any message.
  std::string Rows(const FilterConditions& c) {
    host_.conditions = c;
    host_.events.clear();
    host_.messages.clear();
    EXPECT_TRUE(ExecFilter(host_));
    ExpectDoneRun(host_);
    std::string bytes = Bytes(ResultPath());
    EXPECT_EQ(bytes.rfind(kHeader + "\r\n", 0), 0u);
    // Nothing but the staged copy, the description and results may be in the folder.
    for (const auto& e : std::filesystem::directory_iterator(folder_)) {
      std::string name = e.path().filename();
      EXPECT_TRUE(name == "articles.csv" || name == "datasource.dsn" ||
                  name.ends_with("_articles.csv"))
          << name;
    }
    return bytes.size() < kHeader.size() + 2 ? bytes : bytes.substr(kHeader.size() + 2);
  }
  void ExpectRefused(const FilterConditions& c, long number, const std::string& part) {
    host_.conditions = c;
    host_.events.clear();
    host_.messages.clear();
    host_.out_file_name.clear();
    EXPECT_FALSE(ExecFilter(host_));
    ExpectFailedRun(host_, number, part);
    // A refused query is told as what the user can change, the engine's words after.
    if (number == kErrQuery && !host_.messages.empty()) {
      EXPECT_EQ(host_.messages[0].text.rfind("3004:条件で検索できません。", 0), 0u)
          << host_.messages[0].text;
    }
  }
};

FilterConditions Name(const std::string& words) {
  FilterConditions c;
  c.ProductNameWords = words;
  return c;
}
FilterConditions Category(const std::string& text) {
  FilterConditions c;
  c.CategoryIndex = 1;
  c.CategoryText = text;
  return c;
}
FilterConditions Tags(const std::string& words) {
  FilterConditions c;
  c.TagWords = words;
  return c;
}

TEST_F(InjectionTest, QuotesCommentsAndBracketsAreMatchedAsText) {
  for (std::string w : {"'", "Men's", "\"best\"", ";", "--", "/*", "]", "' OR '1'='1", "';--"}) {
    std::string expected = w == "' OR '1'='1" || w == "';--" ? "\r\n" : kTricky + "\r\n";
    EXPECT_EQ(Rows(Name(w)), expected) << w;
  }
  EXPECT_EQ(Rows(Category("' OR 1=1 --")), kTricky + "\r\n");
  EXPECT_EQ(Rows(Category("家電' OR '1'='1")), "\r\n");
  EXPECT_EQ(Rows(Category("\"x\"\"; --\"")), "\r\n");  // the CSV spelling is not the value
  EXPECT_EQ(Rows(Category("x\"; --")), kSql + "\r\n");
  EXPECT_EQ(Rows(Tags("'];DROP")), kTricky + "\r\n");
  EXPECT_EQ(Rows(Tags("*/")), kSql + "\r\n");
  FilterConditions bundling;
  bundling.BundlingIndex = 1;
  bundling.BundlingText = "○' OR 同梱可否 = '×";
  EXPECT_EQ(Rows(bundling), "\r\n");
}

TEST_F(InjectionTest, EveryKeywordIsJustAWord) {
  std::vector<std::string> runs(1);  // keywords in runs short enough for one LIKE pattern
  for (int i = 0; i < sqlite3_keyword_count(); ++i) {
    const char* name = nullptr;
    int size = 0;
    ASSERT_EQ(sqlite3_keyword_name(i, &name, &size), SQLITE_OK);
    std::string keyword(name, static_cast<size_t>(size));
    if (runs.back().size() > 900) runs.emplace_back();
    runs.back() += keyword + " ";
    // As the category and as a quoted piece of SQL in the tags: no match, no error.
    EXPECT_EQ(Rows(Category(keyword)), "\r\n") << keyword;
    EXPECT_EQ(Rows(Tags("'; " + keyword + " x; --")), "\r\n") << keyword;
  }
  for (const std::string& run : runs) EXPECT_EQ(Rows(Name(run)), "\r\n") << run;
  EXPECT_EQ(Rows(Name("select")), kSql + "\r\n");
}

TEST_F(InjectionTest, NulAndHugeTextsAreRefusedOrMatchNothing) {
  // A NUL cannot be part of the query text: a query error, not a shortened condition.
  ExpectRefused(Name(std::string("ket\0tle", 7)), kErrQuery, "クエリを実行できません。");
  ExpectRefused(Category(std::string("家電\0' OR 1=1 --", 18)), kErrQuery,
                "クエリを実行できません。");
  // A search word of a megabyte is more than LIKE takes; a category that long simply matches
  // nothing.
  const std::string huge(1 << 20, 'k');
  ExpectRefused(Name(huge), kErrQuery, "LIKE or GLOB pattern too complex");
  ExpectRefused(Tags(huge + "'; DROP TABLE x; --"), kErrQuery, "LIKE or GLOB pattern too complex");
  EXPECT_EQ(Rows(Category(huge + "' OR 1=1 --")), "\r\n");
}

TEST_F(InjectionTest, PricesThatAreNoWholeNumbersAreRefusedBeforeAnyQuery) {
  for (std::string text : {"abc", "１２００", "1,200", "1e3", " 12", "12 ", "+5", "0x10", "--1",
                           "1;DROP TABLE x", "1 OR 1=1", "9223372036854775808", "-", "12.5"}) {
    FilterConditions c;
    c.PriceFrom = text;
    ExpectRefused(c, kErrTypeMismatch,
                  "価格には整数を入力してください。（入力された値：" + text + "）");
    c.PriceFrom = "";
    c.PriceTo = text;
    ExpectRefused(c, kErrTypeMismatch, "（入力された値：" + text + "）");
  }
  FilterConditions c;
  c.PriceFrom = "-9223372036854775808";
  c.PriceTo = "00200";
  EXPECT_EQ(Rows(c), kTricky + "\r\n" + kPlain + "\r\n");
}

}  // namespace
}  // namespace sorbel
