// SheetName: the conditions in short, in the query's order; the file's stem without them; and
// names a spreadsheet takes whatever the owner typed.
#include "filter/sheet_name.h"

#include <gtest/gtest.h>

namespace sorbel {
namespace {

// UTF-16 units, as the spreadsheet counts a name.
int Units(const std::string& s) {
  int n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80 ? (c >= 0xF0 ? 2 : 1) : 0;
  return n;
}

TEST(SheetNameTest, ConditionsInShortInTheQuerysOrder) {
  FilterConditions c;
  EXPECT_EQ(SheetName(c, "20261207093000_articles.csv"), "20261207093000_articles");
  EXPECT_EQ(SheetName(c, "20261207093000_articles_2.csv"), "20261207093000_articles_2");

  c.CategoryIndex = 3;
  c.CategoryText = "家電";
  c.FreeShippingOnly = true;
  EXPECT_EQ(SheetName(c, "x.csv"), "家電・送料無料");

  c = FilterConditions();
  c.ProductNameWords = "ケーブル";
  c.PriceFrom = "1000";
  c.PriceTo = "5000";
  EXPECT_EQ(SheetName(c, "x.csv"), "ケーブル・1000〜5000円");
  c.PriceTo = "0";  // no bound, as in the query
  EXPECT_EQ(SheetName(c, "x.csv"), "ケーブル・1000円以上");
  c.PriceFrom = "";
  c.PriceTo = "5000";
  EXPECT_EQ(SheetName(c, "x.csv"), "ケーブル・5000円以下");

  c = FilterConditions();
  c.TagWords = "ギフト";
  c.BundlingIndex = 2;
  c.BundlingText = "×";
  c.CreditCard = true;
  c.CashOnDelivery = true;
  EXPECT_EQ(SheetName(c, "x.csv"), "タグ「ギフト」・同梱不可・カード払い・代引き");
  c = FilterConditions();
  c.CategoryIndex = -1;  // nothing chosen: the query asks for an empty category
  c.BundlingIndex = 1;
  c.BundlingText = "○";
  EXPECT_EQ(SheetName(c, "x.csv"), "カテゴリーなし・同梱可");
}

TEST(SheetNameTest, WhatTheOwnerTypedBecomesANameASheetTakes) {
  FilterConditions c;
  c.ProductNameWords = "[新作]*50%?:A/B\\C";
  EXPECT_EQ(SheetName(c, "x.csv"), "［新作］＊50%？：A／B＼C");
  c.ProductNameWords = "'O'Neil'";
  EXPECT_EQ(SheetName(c, "x.csv"), "O'Neil");
  c.ProductNameWords = "a\tb\nc";
  EXPECT_EQ(SheetName(c, "x.csv"), "abc");
  // Nothing left of the words: the file's stem.
  c.ProductNameWords = "''";
  EXPECT_EQ(SheetName(c, "20261207093000_articles.csv"), "20261207093000_articles");

  // Too long: cut on a character, marked, within the bound; a character outside the BMP
  // counts two.
  c.ProductNameWords = std::string(40, 'a');
  EXPECT_EQ(SheetName(c, "x.csv"), std::string(30, 'a') + "…");
  c.ProductNameWords = "";
  for (int i = 0; i < 20; ++i) c.ProductNameWords += "𠮷";
  std::string name = SheetName(c, "x.csv");
  EXPECT_LE(Units(name), kSheetNameLimit);
  EXPECT_EQ(name, "𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷𠮷…");
  c.ProductNameWords = std::string(29, 'a') + "'bc";
  EXPECT_EQ(SheetName(c, "x.csv"), std::string(29, 'a') + "…");
  c.ProductNameWords = "電気ケトル";
  c.CategoryIndex = 1;
  c.CategoryText = "キッチン家電・調理器具";
  c.TagWords = "ギフト";
  c.PriceFrom = "1000";
  c.PriceTo = "5000";
  c.FreeShippingOnly = true;
  name = SheetName(c, "x.csv");
  EXPECT_EQ(Units(name), kSheetNameLimit);
  EXPECT_EQ(name.rfind("電気ケトル・キッチン家電", 0), 0u) << name;
}

}  // namespace
}  // namespace sorbel
