// What a field becomes (Null, integer, real or text, always with its exact text) and the
// names columns get when the header repeats a name or leaves one empty.
#include <gtest/gtest.h>

#include <string>

#include "platform/csvdb/column_names.h"
#include "platform/csvdb/csv_reader.h"
#include "platform/csvdb/field_type.h"
#include "tests/platform/csvdb/reader_test_files.h"
#include "text/grouped_number.h"

namespace sorbel::csvdb {
namespace {

TEST(ReaderValuesTest, OnlyThePlainFormOfANumberIsANumber) {
  struct Case {
    const char* text;
    FieldKind kind;
  };
  const Case cases[] = {
      {"0", FieldKind::kInteger},
      {"-5", FieldKind::kInteger},
      {"1200", FieldKind::kInteger},
      {"9223372036854775807", FieldKind::kInteger},
      {"-9223372036854775808", FieldKind::kInteger},
      {"0.5", FieldKind::kReal},
      {"-12.25", FieldKind::kReal},
      {"0.30000000000000004", FieldKind::kReal},
      {"1e+21", FieldKind::kReal},  // std::to_chars writes it so
      {"00123", FieldKind::kText},
      {"-0", FieldKind::kText},
      {"+5", FieldKind::kText},
      {" 12", FieldKind::kText},
      {"12 ", FieldKind::kText},
      {"１２００", FieldKind::kText},
      {"4901234567890123456789", FieldKind::kText},
      {"9223372036854775808", FieldKind::kText},  // one past the 64-bit range
      {"12.50", FieldKind::kText},
      {"1.0", FieldKind::kText},
      {".5", FieldKind::kText},
      {"5.", FieldKind::kText},
      {"1e5", FieldKind::kText},
      {"1E+21", FieldKind::kText},
      {"0x1A", FieldKind::kText},
      {"inf", FieldKind::kText},
      {"nan", FieldKind::kText},
      {"-", FieldKind::kText},
      {"1-2", FieldKind::kText},
      {"1e999", FieldKind::kText},
      {"家電", FieldKind::kText},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    CsvField f = TypedField(c.text);
    EXPECT_EQ(f.kind, c.kind);
    EXPECT_EQ(f.text, c.text);
  }
  EXPECT_EQ(TypedField("-9223372036854775808").integer, INT64_MIN);
  EXPECT_FALSE(TypedField("1200").grouped);
}

// A price written with thousands commas is its number, and gives back exactly its text; any
// other use of commas is text.
TEST(ReaderValuesTest, ThousandsCommasInTheirOneFormAreNumbers) {
  for (const char* grouped : {"1,200", "9,680", "-1,000", "12,345,678", "100,000",
                              "9,223,372,036,854,775,807", "-9,223,372,036,854,775,808"}) {
    SCOPED_TRACE(grouped);
    CsvField f = TypedField(grouped);
    EXPECT_EQ(f.kind, FieldKind::kInteger);
    EXPECT_TRUE(f.grouped);
    EXPECT_EQ(Grouped(f.integer), grouped);
  }
  EXPECT_EQ(TypedField("12,345,678").integer, 12345678);
  for (const char* text :
       {"1,20", "12,00,000", "1234,567", "01,200", "0,200", ",200", "1,200,", "1,,200", "-,200",
        "1,200.5", "9,223,372,036,854,775,808", "1, 200", "1,2e3", "-0,000", "1,-200"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(TypedField(text).kind, FieldKind::kText);
  }
  EXPECT_EQ(Grouped(0), "0");
  EXPECT_EQ(Grouped(999), "999");
  EXPECT_EQ(Grouped(-1000), "-1,000");
  EXPECT_EQ(TypedField("-12.25").real, -12.25);
  EXPECT_EQ(TypedField("").kind, FieldKind::kNull);
  EXPECT_TRUE(TypedField("").text.empty());
}

TEST(ReaderValuesTest, QuotingDoesNotDecideTheTypeButEmptinessMeansNull) {
  testing::TempFolder dir;
  std::string path = dir.Write("a,b,c,d,e\n\"1200\",\"\",,\"1,200\",\"0.5\"\n");
  auto reader = CsvReader::Open(path, CsvFormat{});
  ASSERT_TRUE(reader->Next());
  EXPECT_EQ(reader->Field(0).kind, FieldKind::kInteger);
  EXPECT_EQ(reader->Field(0).integer, 1200);
  EXPECT_EQ(reader->Field(1).kind, FieldKind::kNull);
  EXPECT_EQ(reader->Field(2).kind, FieldKind::kNull);
  EXPECT_EQ(reader->Field(3).integer, 1200);
  EXPECT_EQ(reader->Field(3).text, "1,200");
  EXPECT_EQ(reader->Field(4).real, 0.5);
  EXPECT_EQ(reader->Field(5).kind, FieldKind::kNull);  // no such column
  EXPECT_EQ(reader->Field(-1).kind, FieldKind::kNull);
}

TEST(ReaderValuesTest, EveryColumnGetsAUniqueNonEmptyName) {
  using Names = std::vector<std::string>;
  EXPECT_EQ(UniqueColumnNames({"商品名", "", "価格", ""}), (Names{"商品名", "列2", "価格", "列4"}));
  EXPECT_EQ(UniqueColumnNames({"a", "a", "a"}), (Names{"a", "a_2", "a_3"}));
  // A name the header itself uses later is not taken from it.
  EXPECT_EQ(UniqueColumnNames({"a", "a", "a_2"}), (Names{"a", "a_3", "a_2"}));
  EXPECT_EQ(UniqueColumnNames({"列2", ""}), (Names{"列2", "列2_2"}));
  // The query engine compares ASCII letters without case: "ID" repeats "id".
  EXPECT_EQ(UniqueColumnNames({"id", "ID", "Ｉｄ"}), (Names{"id", "ID_2", "Ｉｄ"}));
  EXPECT_EQ(UniqueColumnNames({" x", "x"}), (Names{" x", "x"}));
}

}  // namespace
}  // namespace sorbel::csvdb
