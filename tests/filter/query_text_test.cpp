// Query texts for every condition, alone and together, to the exact blank; quoting of user
// text; price bounds that are missing or not whole numbers.
#include "filter/query_text.h"

#include <gtest/gtest.h>

#include "platform/error.h"

namespace sorbel {
namespace {

const std::string kHead = " SELECT     * FROM     [articles.csv] WHERE     1 = 1";

TEST(BuildSqlTest, NoConditionsGiveTheHeadAlone) {
  EXPECT_EQ(BuildSql({}), kHead);
  // Unset lists with any text and unchecked boxes add nothing.
  FilterConditions c;
  c.CategoryText = "家電";
  c.BundlingText = "○";
  EXPECT_EQ(BuildSql(c), kHead);
}

TEST(BuildSqlTest, EachConditionAlone) {
  FilterConditions c;
  c.ProductNameWords = "セット";
  EXPECT_EQ(BuildSql(c), kHead + " AND     商品名 LIKE '%セット%'");

  c = {};
  c.CategoryIndex = 3;
  c.CategoryText = "家電";
  EXPECT_EQ(BuildSql(c), kHead + " AND     カテゴリー名 = '家電'");

  c = {};
  c.TagWords = "送料込";
  EXPECT_EQ(BuildSql(c), kHead + " AND     タグ LIKE '%送料込%'");

  c = {};
  c.PriceFrom = "1000";
  c.PriceTo = "5000";
  EXPECT_EQ(BuildSql(c), kHead + " AND     最低販売価格 BETWEEN 1000 AND 5000");

  c = {};
  c.BundlingIndex = 2;
  c.BundlingText = "×";
  EXPECT_EQ(BuildSql(c), kHead + " AND     同梱可否 = '×'");

  c = {};
  c.CreditCard = true;
  EXPECT_EQ(BuildSql(c), kHead + " AND     決済方法 LIKE '%C%'");

  c = {};
  c.CashOnDelivery = true;
  EXPECT_EQ(BuildSql(c), kHead + " AND     決済方法 LIKE '%D%'");

  c = {};
  c.FreeShippingOnly = true;
  EXPECT_EQ(BuildSql(c), kHead + " AND     送料無料 = 1");
}

TEST(BuildSqlTest, AllConditionsInTableOrder) {
  FilterConditions c;
  c.ProductNameWords = "a";
  c.CategoryIndex = 1;
  c.CategoryText = "b";
  c.TagWords = "c";
  c.PriceFrom = "-5";
  c.PriceTo = "10";
  c.BundlingIndex = 1;
  c.BundlingText = "○";
  c.CreditCard = true;
  c.CashOnDelivery = true;
  c.FreeShippingOnly = true;
  EXPECT_EQ(BuildSql(c),
            kHead +
                " AND     商品名 LIKE '%a%' AND     カテゴリー名 = 'b' AND     タグ LIKE '%c%'"
                " AND     最低販売価格 BETWEEN -5 AND 10 AND     同梱可否 = '○'"
                " AND     決済方法 LIKE '%C%' AND     決済方法 LIKE '%D%' AND     送料無料 = 1");
  EXPECT_EQ(BuildSql(c).find('\n'), std::string::npos);
}

TEST(BuildSqlTest, NoSelectionStillAddsTheListClause) {
  // Index -1 (nothing selected) differs from 0, so the list's text is used as it stands.
  FilterConditions c;
  c.CategoryIndex = -1;
  c.BundlingIndex = -1;
  EXPECT_EQ(BuildSql(c), kHead + " AND     カテゴリー名 = '' AND     同梱可否 = ''");
}

TEST(BuildSqlTest, ApostrophesAreDoubledWildcardsKept) {
  FilterConditions c;
  c.ProductNameWords = "Men's 100%_";
  c.CategoryIndex = 1;
  c.CategoryText = "'; DROP TABLE x; --";
  c.TagWords = "''";
  c.BundlingIndex = 1;
  c.BundlingText = "o'k";
  EXPECT_EQ(BuildSql(c), kHead +
                             " AND     商品名 LIKE '%Men''s 100%_%'"
                             " AND     カテゴリー名 = '''; DROP TABLE x; --'"
                             " AND     タグ LIKE '%''''%'"
                             " AND     同梱可否 = 'o''k'");
}

TEST(BuildSqlTest, OneBoundGetsTheOtherExtreme) {
  FilterConditions c;
  c.PriceFrom = "1000";
  EXPECT_EQ(BuildSql(c), kHead + " AND     最低販売価格 BETWEEN 1000 AND 9223372036854775807");
  c = {};
  c.PriceTo = "5000";
  EXPECT_EQ(BuildSql(c), kHead + " AND     最低販売価格 BETWEEN -9223372036854775808 AND 5000");
  c.PriceFrom = "-9223372036854775808";
  c.PriceTo = "9223372036854775807";
  EXPECT_EQ(BuildSql(c), kHead +
                             " AND     最低販売価格 BETWEEN -9223372036854775808 AND "
                             "9223372036854775807");
}

// Erased price boxes show 0; a 0 (or -0) is no bound, as an empty box is.
TEST(BuildSqlTest, AZeroPriceSetsNoBound) {
  FilterConditions c;
  for (const char* zero : {"0", "-0"}) {
    c.PriceFrom = zero;
    c.PriceTo = zero;
    EXPECT_EQ(BuildSql(c), kHead) << zero;
    c.PriceTo = "5000";
    EXPECT_EQ(BuildSql(c), kHead + " AND     最低販売価格 BETWEEN -9223372036854775808 AND 5000");
    c.PriceFrom = "1000";
    c.PriceTo = zero;
    EXPECT_EQ(BuildSql(c), kHead + " AND     最低販売価格 BETWEEN 1000 AND 9223372036854775807");
  }
}

TEST(BuildSqlTest, PriceThatIsNotAWholeNumberIsAnError) {
  for (const char* bad : {"-", "abc", "12a", "1,000", "+5", " 5", "5 ", "1.5", "１２",
                          "99999999999999999999", "1 OR 1=1", "0x10"}) {
    FilterConditions c;
    c.PriceFrom = bad;
    try {
      BuildSql(c);
      ADD_FAILURE() << "accepted PriceFrom " << bad;
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), kErrTypeMismatch);
      EXPECT_FALSE(e.Description().empty());
    }
    c.PriceFrom = "1";
    c.PriceTo = bad;
    EXPECT_THROW(BuildSql(c), Error) << bad;
  }
}

}  // namespace
}  // namespace sorbel
