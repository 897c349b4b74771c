// The query guard: one SELECT per Execute and nothing that writes, attaches, loads or
// configures; refusals are Errors of their own number, and no file is ever touched.
#include "engine_test_folder.h"
#include "platform/csvdb/query_guard.h"

namespace sorbel::csvdb {
namespace {

using testing::EngineFolder;
using testing::ErrorNumberOf;

TEST(QueryGuardTest, TailsOfBlanksAndCommentsOnly) {
  for (const char* tail : {"", "  \r\n\t", ";", " ; ;", "-- note", "-- a\n -- b\n", "/* x */",
                           "/* never closed", " ; /* a */ -- b"}) {
    EXPECT_TRUE(OnlyBlanksAndComments(tail)) << tail;
  }
  for (const char* tail : {"SELECT 1", "; DROP TABLE x", "/* a */ x", "- 1", "/ *"}) {
    EXPECT_FALSE(OnlyBlanksAndComments(tail)) << tail;
  }
}

TEST(QueryGuardTest, OnlyOneReadingStatementRuns) {
  EngineFolder folder;
  folder.Write("articles.csv", "id\r\n1\r\n");
  auto connection = folder.Connect();
  const char* refused[] = {
      "SELECT 1; SELECT 2",
      "SELECT * FROM [articles.csv]; DELETE FROM [articles.csv]",
      "DELETE FROM [articles.csv]",
      "INSERT INTO [articles.csv] VALUES (2)",
      "UPDATE [articles.csv] SET id = 3",
      "DROP TABLE [articles.csv]",
      "CREATE TABLE t(x)",
      "CREATE TEMP VIEW v AS SELECT 1",
      "CREATE VIRTUAL TABLE [x.csv] USING sorbel_csv",
      "ATTACH DATABASE 'evil.db' AS evil",
      "ATTACH 'file:evil.db?mode=rwc' AS evil",
      "PRAGMA journal_mode",
      "PRAGMA writable_schema = 1",
      "SELECT load_extension('/tmp/evil.so')",
      "BEGIN",
      "VACUUM INTO 'copy.db'",
      "VACUUM",
      "ANALYZE",
      "EXPLAIN SELECT 1",
      "WITH x AS (SELECT 1) DELETE FROM [articles.csv]",
  };
  for (const char* sql : refused) {
    std::string description;
    EXPECT_EQ(ErrorNumberOf([&] { connection->Execute(sql); }, &description), kErrQueryNotAllowed)
        << sql;
    EXPECT_EQ(description.rfind("このクエリは実行できません。", 0), 0u) << description;
  }
  // Nothing was written or created by any of them.
  for (const char* name : {"evil.db", "copy.db", "x.csv"}) {
    EXPECT_FALSE(std::filesystem::exists(folder.Path(name))) << name;
    EXPECT_FALSE(std::filesystem::exists(name)) << name;
  }
  EXPECT_EQ(connection->Execute("SELECT * FROM [articles.csv]")->RecordCount(), 1);
}

TEST(QueryGuardTest, ReadingQueriesOfEveryShapeRun) {
  EngineFolder folder;
  folder.Write("articles.csv", "id\r\n1\r\n2\r\n");
  auto connection = folder.Connect();
  const char* allowed[] = {
      "SELECT 1;",
      "SELECT 1; -- done",
      " SELECT     * FROM     [articles.csv] WHERE     1 = 1 /* c */ ;  ",
      "VALUES (1), (2)",
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5) SELECT * FROM n",
      "SELECT id FROM [articles.csv] UNION SELECT id + 10 FROM [articles.csv]",
      "SELECT upper('a'), abs(-1), typeof(id), sqlite_version() FROM [articles.csv]",
  };
  for (const char* sql : allowed) {
    EXPECT_EQ(ErrorNumberOf([&] { connection->Execute(sql); }), 0) << sql;
  }
}

}  // namespace
}  // namespace sorbel::csvdb
