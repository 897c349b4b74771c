// Columns the data source declares numeric: every way a person writes a price or a flag is
// read as its number for comparisons, while the values and LIKE keep the text as written.
#include "engine_test_folder.h"
#include "platform/csvdb/written_number.h"

namespace sorbel::csvdb {
namespace {

using testing::EngineFolder;

TEST(WrittenNumberTest, NumbersAsPeopleWriteThem) {
  const std::vector<std::pair<std::string, double>> numbers = {
      {"1200", 1200},
      {"1200.00", 1200},
      {" 1200", 1200},
      {"1200 ", 1200},
      {"\t1200\t", 1200},
      {"01200", 1200},
      {"+1200", 1200},
      {"１２００", 1200},
      {"１，２００", 1200},
      {"1,200", 1200},
      {"1,234,567", 1234567},
      {"¥1,200", 1200},
      {"￥1200", 1200},
      {"-¥100", -100},
      {"-5", -5},
      {"－５", -5},
      {"4999.5", 4999.5},
      {"　1200　", 1200},
      {"＋１", 1},
      {"0", 0},
  };
  for (const auto& [text, value] : numbers) {
    std::optional<double> read = WrittenNumber(text);
    ASSERT_TRUE(read.has_value()) << text;
    EXPECT_EQ(*read, value) << text;
  }
  for (const char* none :
       {"",     " ",    "-",         "+",          "オープン価格", "要問合せ", "1.",
        ".5",   "1,20", "12,34,567", ",123",       "1200円",       "1 200",    "1e3",
        "0x10", "¥",    "1-",        "１２００ｘ", "--1",          "1..2",     "NaN"}) {
    EXPECT_FALSE(WrittenNumber(none).has_value()) << none;
  }
}

class NumericColumnsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.Write("articles.csv",
                  "code,price,free,name\r\n"
                  "a,1200,1,x\r\n"
                  "b,1200.00,１,x\r\n"
                  "c, 1200 ,+1,x\r\n"
                  "d,１，２００,1.0,x\r\n"
                  "e,¥1200,0,x\r\n"
                  "f,オープン価格,,x\r\n"
                  "g,-,-,x\r\n"
                  "h,999,１,x\r\n"
                  "i,\"5,001\",1,x\r\n");
  }
  std::vector<std::string> Codes(const std::string& where, const std::string& extra) {
    testing::Table table = folder_.Query("SELECT code FROM [articles.csv] WHERE " + where, extra);
    std::vector<std::string> codes;
    for (size_t i = 1; i < table.size(); ++i) codes.push_back(table[i][0].substr(2));
    return codes;
  }

  EngineFolder folder_;
  const std::string declared_ = "NumericColumns={price, free}";
};

TEST_F(NumericColumnsTest, DeclaredColumnsCompareAsTheNumberWritten) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Codes("price BETWEEN 1000 AND 5000", declared_), (V{"a", "b", "c", "d", "e"}));
  EXPECT_EQ(Codes("free = 1", declared_), (V{"a", "b", "c", "d", "h", "i"}));
  EXPECT_EQ(Codes("price BETWEEN 1000 AND 5000 AND free = 1", declared_), (V{"a", "b", "c", "d"}));
  EXPECT_EQ(Codes("price > 5000", declared_), V{"i"});
  EXPECT_EQ(Codes("price <= 999 AND free = 1 AND 1 = 1", declared_), V{"h"});
  EXPECT_EQ(Codes("price = '1200'", declared_), (V{"a", "b", "c", "d", "e"}));
  // Undeclared, as before: only the forms that are numbers as written.
  EXPECT_EQ(Codes("price BETWEEN 1000 AND 5000", ""), V{"a"});
  EXPECT_EQ(Codes("free = 1", ""), (V{"a", "i"}));
}

TEST_F(NumericColumnsTest, ValuesAndLikeKeepTheTextAsWritten) {
  auto table = folder_.Query("SELECT price, free FROM [articles.csv] WHERE free = 1", declared_);
  ASSERT_EQ(table.size(), 7u);
  EXPECT_EQ(table[2], (std::vector<std::string>{"t:1200.00", "t:１"}));
  EXPECT_EQ(table[3], (std::vector<std::string>{"t: 1200 ", "t:+1"}));
  EXPECT_EQ(table[4], (std::vector<std::string>{"t:１，２００", "t:1.0"}));
  // The folding LIKE reads "１，２００" as "1,200"; "1200.00" does not contain "1,2".
  EXPECT_EQ(Codes("price LIKE '%１，２%'", declared_), std::vector<std::string>{"d"});
}

}  // namespace
}  // namespace sorbel::csvdb
