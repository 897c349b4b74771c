// Result records: every row kept (in memory or, when large, on disk) with an exact count, values
// by index with their kind, text views that stay put, and clear errors past the end or after
// Close.
#include "engine_test_folder.h"

namespace sorbel::csvdb {
namespace {

using testing::EngineFolder;
using testing::ErrorNumberOf;
using testing::Show;

TEST(ResultRecordsTest, CountsNamesAndValuesBeforeAndWhileReading) {
  EngineFolder folder;
  auto connection = folder.Connect();
  auto records = connection->Execute(
      "SELECT 1 AS n, 2.5 AS r, 'テキスト' AS t, NULL AS z, x'00ff' AS b, '' AS e "
      "UNION ALL SELECT -9223372036854775808, 1e300, 'x', 1, NULL, NULL");
  ASSERT_EQ(records->RecordCount(), 2);
  ASSERT_EQ(records->FieldCount(), 6);
  EXPECT_EQ(records->FieldName(0), "n");
  EXPECT_EQ(records->FieldName(5), "e");
  EXPECT_FALSE(records->Eof());
  EXPECT_EQ(Show(records->Value(0)), "i:1");
  EXPECT_EQ(std::get<double>(records->Value(1)), 2.5);
  EXPECT_EQ(Show(records->Value(2)), "t:テキスト");
  EXPECT_EQ(Show(records->Value(3)), "NULL");
  EXPECT_EQ(std::get<std::string_view>(records->Value(4)), std::string_view("\0\xff", 2));
  EXPECT_EQ(Show(records->Value(5)), "t:");  // empty text is not Null
  std::string_view kept = std::get<std::string_view>(records->Value(2));
  records->MoveNext();
  EXPECT_EQ(std::get<std::int64_t>(records->Value(0)), INT64_MIN);
  EXPECT_EQ(std::get<double>(records->Value(1)), 1e300);
  EXPECT_EQ(Show(records->Value(5)), "NULL");
  EXPECT_EQ(kept, "テキスト");  // still valid after moving on
  records->MoveNext();
  EXPECT_TRUE(records->Eof());
  EXPECT_EQ(records->RecordCount(), 2);
}

// A result larger than memory keeps goes to a file without a name and comes back whole, in
// order, rows longer than the reading window included; nothing is left in the folder.
TEST(ResultRecordsTest, ALargeResultComesBackWholeFromDisk) {
  EngineFolder folder;
  auto connection = folder.Connect();
  auto records = connection->Execute(
      "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 300000) "
      "SELECT i, printf('%0100d', i) AS t, CASE WHEN i % 100000 = 0 THEN printf('%.*c', 3000000, "
      "'x') END AS big FROM c");
  ASSERT_EQ(records->RecordCount(), 300000);
  std::int64_t seen = 0;
  for (; !records->Eof(); records->MoveNext()) {
    ++seen;
    ASSERT_EQ(std::get<std::int64_t>(records->Value(0)), seen);
    std::string_view t = std::get<std::string_view>(records->Value(1));
    ASSERT_EQ(t.size(), 100u);
    const std::string digits = std::to_string(seen);
    ASSERT_EQ(t.substr(100 - digits.size()), digits);
    ASSERT_EQ(t.find_first_not_of('0'), 100 - digits.size());
    if (seen % 100000 == 0) {
      ASSERT_EQ(std::get<std::string_view>(records->Value(2)), std::string(3000000, 'x'));
    } else {
      ASSERT_EQ(Show(records->Value(2)), "NULL");
    }
  }
  EXPECT_EQ(seen, 300000);
  records->Close();
  // Only the description the folder started with.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Dir()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(ResultRecordsTest, MisuseGivesErrorsNotCrashes) {
  EngineFolder folder;
  auto connection = folder.Connect();
  auto records = connection->Execute("SELECT 1 AS a");
  EXPECT_EQ(ErrorNumberOf([&] { records->Value(1); }), kErrQuery);
  EXPECT_EQ(ErrorNumberOf([&] { records->Value(-1); }), kErrQuery);
  EXPECT_EQ(ErrorNumberOf([&] { records->FieldName(1); }), kErrQuery);
  records->MoveNext();
  EXPECT_EQ(ErrorNumberOf([&] { records->Value(0); }), kErrQuery);
  EXPECT_EQ(ErrorNumberOf([&] { records->MoveNext(); }), kErrQuery);
  records->Close();
  EXPECT_TRUE(records->Eof());
  EXPECT_EQ(records->RecordCount(), 0);
  // Records outlive their connection.
  records = connection->Execute("SELECT 'kept' AS a");
  connection->Close();
  EXPECT_EQ(Show(records->Value(0)), "t:kept");
}

TEST(ResultRecordsTest, LargeResultsKeepEveryByte) {
  EngineFolder folder;
  // Rows of many sizes, some larger than a storage block, with commas, quotes and line breaks.
  std::string csv = "id,text\r\n";
  std::vector<std::string> texts;
  for (int i = 0; i < 120; ++i) {
    std::string run(static_cast<size_t>(i * i * 37 % 20000 + (i == 7 ? 1500000 : 0)),
                    static_cast<char>('a' + i % 26));
    texts.push_back(run + "\"ü,\n" + std::to_string(i));
    csv += std::to_string(i) + ",\"" + run + "\"\"ü,\n" + std::to_string(i) + "\"\r\n";
  }
  folder.Write("big.csv", csv);
  auto connection = folder.Connect();
  auto records = connection->Execute("SELECT * FROM [big.csv]");
  ASSERT_EQ(records->RecordCount(), 120);
  for (int i = 0; !records->Eof(); records->MoveNext(), ++i) {
    ASSERT_EQ(std::get<std::int64_t>(records->Value(0)), i);
    ASSERT_EQ(std::get<std::string_view>(records->Value(1)), texts[static_cast<size_t>(i)]) << i;
  }
}

}  // namespace
}  // namespace sorbel::csvdb
