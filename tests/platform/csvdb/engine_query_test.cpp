// Queries over CSV tables end to end: values typed without loss, numbers compared as numbers
// and text exactly, tables found by file name only inside the folder, reader faults passed on.
#include <fcntl.h>
#include <unistd.h>

#include "engine_test_folder.h"

namespace sorbel::csvdb {
namespace {

using testing::EngineFolder;
using testing::ErrorNumberOf;
using testing::Table;
using Codes = std::vector<std::string>;

const char kCatalogue[] =
    "商品コード,商品名,カテゴリー名,最低販売価格,同梱可否,送料無料,説明\r\n"
    "00123,ｉＰｈｏｎｅケース,家電,1200,○,1,\"a \"\"quoted\"\", multi\nline\"\r\n"
    "123,iPhoneケース,家電,\"1,200\",×,0,\r\n"
    "A-1,タオルｾｯﾄ,生活雑貨,１２００,○,1,x\r\n"
    "A-2,セット,家電 ,5000,○,,x\r\n"
    "A-3,ケトル,家電,4999.5,×,1,x\r\n"
    "A-4,空,家電,,○,1,x\r\n"
    "A-5,負,家電,-5,○,+1,x\r\n"
    "A-6,大,家電,4901234567890123456789,○,1,x\r\n";

class EngineQueryTest : public ::testing::Test {
 protected:
  void SetUp() override { folder_.Write("articles.csv", kCatalogue); }
  Codes Where(const std::string& condition) {
    return folder_.Firsts("SELECT 商品コード FROM [articles.csv] WHERE " + condition);
  }
  EngineFolder folder_;
};

TEST_F(EngineQueryTest, ValuesComeTypedAndExact) {
  Table t = folder_.Query(" SELECT     * FROM     [articles.csv] WHERE     1 = 1");
  ASSERT_EQ(t.size(), 9u);
  EXPECT_EQ(t[0], (std::vector<std::string>{"商品コード", "商品名", "カテゴリー名", "最低販売価格",
                                            "同梱可否", "送料無料", "説明"}));
  EXPECT_EQ(t[1], (std::vector<std::string>{"t:00123", "t:ｉＰｈｏｎｅケース", "t:家電", "i:1200",
                                            "t:○", "i:1", "t:a \"quoted\", multi\nline"}));
  EXPECT_EQ(t[2][0], "i:123");
  EXPECT_EQ(t[2][3], "t:1,200");
  EXPECT_EQ(t[2][6], "NULL");
  EXPECT_EQ(t[3][3], "t:１２００");
  EXPECT_EQ(t[4][2], "t:家電 ");
  EXPECT_EQ(t[4][5], "NULL");
  EXPECT_EQ(t[5][3], "r:4999.5");
  EXPECT_EQ(t[7][5], "t:+1");
  EXPECT_EQ(t[8][3], "t:4901234567890123456789");
}

// Numbers compare as numbers, a price written "1,200" among them; text such as "１２００"
// satisfies no range.
TEST_F(EngineQueryTest, PriceRangesCompareNumbersOnly) {
  EXPECT_EQ(Where("最低販売価格 BETWEEN 1000 AND 5000"), (Codes{"00123", "123", "A-2", "A-3"}));
  EXPECT_EQ(Where("最低販売価格 BETWEEN 1000 AND 9223372036854775807"),
            (Codes{"00123", "123", "A-2", "A-3"}));
  EXPECT_EQ(Where("最低販売価格 BETWEEN -9223372036854775808 AND 1000"), (Codes{"A-5"}));
  EXPECT_EQ(Where("最低販売価格 BETWEEN -9223372036854775808 AND 9223372036854775807"),
            (Codes{"00123", "123", "A-2", "A-3", "A-5"}));
  EXPECT_EQ(Where("最低販売価格 BETWEEN 1200 AND 1200"), (Codes{"00123", "123"}));
  EXPECT_EQ(Where("最低販売価格 BETWEEN 5000 AND 1000"), Codes{});
}

TEST_F(EngineQueryTest, FlagsAndTextCompareExactly) {
  EXPECT_EQ(Where("送料無料 = 1"), (Codes{"00123", "A-1", "A-3", "A-4", "A-6"}));
  EXPECT_EQ(Where("カテゴリー名 = '家電'"), (Codes{"00123", "123", "A-3", "A-4", "A-5", "A-6"}));
  EXPECT_EQ(Where("同梱可否 = '×'"), (Codes{"123", "A-3"}));
  // A code with leading zeros is text: it equals the same quoted text and nothing else.
  EXPECT_EQ(Where("商品コード = '00123'"), (Codes{"00123"}));
  EXPECT_EQ(Where("商品コード = '123'"), Codes{});
  EXPECT_EQ(Where("商品コード = 123"), (Codes{"123"}));
  EXPECT_EQ(Where("最低販売価格 = '1200'"), Codes{});
  EXPECT_EQ(Where("最低販売価格 = '1,200'"), Codes{});
  EXPECT_EQ(Where("最低販売価格 = 1200"), (Codes{"00123", "123"}));
  // LIKE sees a price written with commas as written.
  EXPECT_EQ(Where("最低販売価格 LIKE '1,2%'"), (Codes{"123"}));
  EXPECT_EQ(Where("カテゴリー名 = '家電' AND 送料無料 = 1 AND 同梱可否 = '○'"),
            (Codes{"00123", "A-4", "A-6"}));
}

TEST_F(EngineQueryTest, ZeroRecordsStillListEveryColumn) {
  auto connection = folder_.Connect();
  auto records = connection->Execute("SELECT * FROM [articles.csv] WHERE 1 = 0");
  EXPECT_EQ(records->RecordCount(), 0);
  EXPECT_TRUE(records->Eof());
  ASSERT_EQ(records->FieldCount(), 7);
  EXPECT_EQ(records->FieldName(6), "説明");

  folder_.Write("header_only.csv", "a,b\r\n");
  records = connection->Execute("SELECT * FROM [header_only.csv]");
  EXPECT_EQ(records->FieldCount(), 2);
  EXPECT_EQ(records->RecordCount(), 0);
}

// Values that outlive their row (aggregates, scalar subqueries, sorting) stay right.
TEST_F(EngineQueryTest, ValuesKeptAcrossRowsStayIntact) {
  EXPECT_EQ(folder_.Query("SELECT max(商品名), min(商品名), count(*) FROM [articles.csv]")[1],
            (std::vector<std::string>{"t:ｉＰｈｏｎｅケース", "t:iPhoneケース", "i:8"}));
  EXPECT_EQ(folder_.Query("SELECT 説明, max(最低販売価格) FROM [articles.csv] "
                          "WHERE typeof(最低販売価格) <> 'text'")[1][0],
            "t:x");
  EXPECT_EQ(folder_.Firsts("SELECT (SELECT 商品コード FROM [articles.csv] LIMIT 1) || 商品コード "
                           "FROM [articles.csv] LIMIT 2"),
            (Codes{"0012300123", "00123123"}));
  EXPECT_EQ(folder_.Firsts("SELECT DISTINCT カテゴリー名 FROM [articles.csv] ORDER BY 1"),
            (Codes{"家電", "家電 ", "生活雑貨"}));
  EXPECT_EQ(folder_.Firsts("SELECT 同梱可否, count(*) FROM [articles.csv] GROUP BY 同梱可否 "
                           "ORDER BY 2"),
            (Codes{"×", "○"}));

  // Fields the reader has to rewrite (doubled quotes, CP932) live in buffers it reuses.
  folder_.Write("quoted.csv", "v\r\n\"z\"\"1\"\r\n\"a\"\"2\"\r\n\"b\"\"3\"\r\n");
  EXPECT_EQ(folder_.Firsts("SELECT max(v) FROM [quoted.csv]"), (Codes{"z\"1"}));
  EXPECT_EQ(
      folder_.Firsts("SELECT v FROM [quoted.csv] WHERE v = (SELECT min(v) FROM [quoted.csv])"),
      (Codes{"a\"2"}));
  // Plain SELECTs that sort, group or join see every value of every row as it was.
  EXPECT_EQ(folder_.Firsts("SELECT v FROM [quoted.csv] ORDER BY v"),
            (Codes{"a\"2", "b\"3", "z\"1"}));
  EXPECT_EQ(folder_.Firsts("SELECT DISTINCT v FROM [quoted.csv]"), (Codes{"z\"1", "a\"2", "b\"3"}));
  EXPECT_EQ(folder_.Firsts("SELECT v FROM [quoted.csv] GROUP BY v HAVING v <> 'a\"2'"),
            (Codes{"b\"3", "z\"1"}));
  EXPECT_EQ(folder_.Firsts("SELECT a.v || b.v FROM [quoted.csv] a, [quoted.csv] b "
                           "WHERE a.v > b.v AND b.v LIKE 'B%'"),
            (Codes{"z\"1b\"3"}));
  folder_.Write("sjis.csv", "v\r\n\x89\xC6\x93\x64\r\n\x82\xA0\r\n\x82\xA2\r\n");  // 家電 あ い
  EXPECT_EQ(folder_.Firsts("SELECT max(v) || min(v) FROM [sjis.csv]"), (Codes{"家電あ"}));
}

TEST(EngineTablesTest, AnyCsvOfTheFolderIsATableAndNothingElse) {
  EngineFolder folder;
  folder.Write("articles.csv", "id,name\r\n1,a\r\n2,b\r\n");
  folder.Write("Other.CSV", "id,colour\r\n2,red\r\n");
  folder.Write("notes.txt", "id\r\n1\r\n");
  folder.Write(".hidden.csv", "id\r\n1\r\n");
  folder.Write("broken.csv", "id,x\r\n1,\"never closed\r\n");  // never read below
  std::filesystem::create_directory(folder.Path("sub"));
  folder.Write("sub/inner.csv", "id\r\n1\r\n");

  EXPECT_EQ(folder.Firsts("SELECT a.name || o.colour FROM [articles.csv] a JOIN [Other.CSV] o "
                          "USING (id)"),
            (Codes{"bred"}));
  EXPECT_EQ(folder.Firsts("SELECT count(*) FROM [articles.csv]"), (Codes{"2"}));
}

TEST(EngineTablesTest, NamesOutsideTheFolderAreUnknownTables) {
  EngineFolder folder;
  folder.Write("articles.csv", "id\r\n1\r\n");
  folder.Write("notes.txt", "id\r\n1\r\n");
  folder.Write(".hidden.csv", "id\r\n1\r\n");
  std::filesystem::create_directory(folder.Path("sub"));
  folder.Write("sub/inner.csv", "id\r\n1\r\n");
  std::filesystem::create_directory(folder.Path("dir.csv"));
  const std::string outside = folder.Dir() + "/sub/inner.csv";
  const std::string parent_path =
      "[../" + std::filesystem::path(folder.Dir()).filename().string() + "/articles.csv]";
  const std::vector<std::string> tables = {
      "[notes.txt]", "[.hidden.csv]", "[sub/inner.csv]", parent_path,       "[" + outside + "]",
      "[none.csv]",  "[dir.csv]",     "articles.csv",    "main.[none.csv]", "sorbel_csv"};
  for (const std::string& table : tables) {
    std::string description;
    EXPECT_EQ(ErrorNumberOf([&] { folder.Query("SELECT * FROM " + table); }, &description),
              kErrQuery)
        << table;
    EXPECT_NE(description.find("no such table"), std::string::npos) << description;
  }
}

// A table file lent as an open file: read from it, not from the folder, by each cursor on its
// own, without moving its file position or closing it.
TEST(EngineTablesTest, ALentFileStandsForTheTableFile) {
  EngineFolder folder;
  EngineFolder elsewhere;
  folder.Write("articles.csv", "id\r\nold\r\n");
  elsewhere.Write("download.csv", "id,name\r\n1,a\r\n2,\"b\r\nc\"\r\n");
  elsewhere.Write("broken.csv", "id\r\n\r\n\"never closed\r\n");
  int fd = ::open(elsewhere.Path("download.csv").c_str(), O_RDONLY | O_CLOEXEC);
  int broken_fd = ::open(elsewhere.Path("broken.csv").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_GE(broken_fd, 0);
  ASSERT_EQ(::lseek(fd, 5, SEEK_SET), 5);
  OpenFile lent = OpenFile::FromNativeHandle(fd);
  OpenFile broken = OpenFile::FromNativeHandle(broken_fd);

  auto connection = std::make_unique<Connection>();
  connection->ConnectionString = folder.Dsn();
  connection->ReadTableFrom("articles.csv", lent, elsewhere.Path("download.csv"));
  connection->Open();
  connection->ReadTableFrom("new.csv", broken,
                            elsewhere.Path("broken.csv"));  // not in the folder
  EXPECT_EQ(connection->Execute("SELECT a.id, b.id FROM [articles.csv] a, [articles.csv] b")
                ->RecordCount(),
            4);
  auto records = connection->Execute("SELECT name FROM [articles.csv] WHERE id = 2");
  ASSERT_EQ(records->RecordCount(), 1);
  EXPECT_EQ(testing::Show(records->Value(0)), "t:b\r\nc");
  // A fault names the file read, so that its line number leads there.
  std::string description;
  EXPECT_EQ(ErrorNumberOf([&] { connection->Execute("SELECT * FROM [new.csv]"); }, &description),
            kErrCsvFormat);
  EXPECT_NE(description.find(elsewhere.Path("broken.csv") + "」は途中で切れているようです（3行目"),
            std::string::npos)
      << description;
  connection->Close();

  EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), 5);
  EXPECT_NO_THROW(lent.Close());  // still open: the engine never closes a lent file
  EXPECT_NO_THROW(broken.Close());
  // Without the loan the folder's file is read.
  EXPECT_EQ(folder.Firsts("SELECT id FROM [articles.csv]"), (Codes{"old"}));
}

TEST(EngineTablesTest, ColumnNamesWithQuotesAndRenamesAreAddressable) {
  EngineFolder folder;
  folder.Write("q.csv", "a\"b,,x,X,\"c d\"\r\n1,2,3,4,5\r\n");
  Table t = folder.Query("SELECT * FROM [q.csv]");
  EXPECT_EQ(t[0], (std::vector<std::string>{"a\"b", "列2", "x", "X_2", "c d"}));
  EXPECT_EQ(folder.Query("SELECT \"a\"\"b\", 列2, X_2, [c d] FROM [q.csv]")[1],
            (std::vector<std::string>{"i:1", "i:2", "i:4", "i:5"}));
}

TEST(EngineTablesTest, FormatKeysReachTheReader) {
  EngineFolder folder;
  // "家電;①" in CP932, no header line, ';' between fields.
  folder.Write("sjis.csv", "\x89\xC6\x93\x64;\x87\x40;7\r\n");
  Table t = folder.Query("SELECT * FROM [sjis.csv] WHERE 列1 = '家電'",
                         "CharacterSet=CP932;ColNameHeader=False;Delimiter={;}");
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0], (std::vector<std::string>{"列1", "列2", "列3"}));
  EXPECT_EQ(t[1], (std::vector<std::string>{"t:家電", "t:①", "i:7"}));
}

// Faults of the file as a whole, and a file with no readable record, stop the query; single
// bad records are set aside (engine_set_aside_test.cpp).
TEST(EngineErrorsTest, ReaderFaultsComeOutAsTheReaderSaidThem) {
  EngineFolder folder;
  folder.Write("late.csv", "id,name\r\n\r\n\r\n51,\"never closed\r\n52\r\n");
  folder.Write("extra.csv", "id\r\n2,surprise\r\n");
  folder.Write("empty.csv", "");
  std::string wide = "c0";
  for (int i = 1; i < 2001; ++i) wide += ",c" + std::to_string(i);
  folder.Write("wide.csv", wide + "\r\n");

  std::string description;
  EXPECT_EQ(ErrorNumberOf([&] { folder.Query("SELECT * FROM [late.csv]"); }, &description),
            kErrCsvFormat);
  EXPECT_NE(description.find("late.csv」は途中で切れているようです（4行目"), std::string::npos)
      << description;
  EXPECT_EQ(ErrorNumberOf([&] { folder.Query("SELECT count(*) FROM [late.csv]"); }), kErrCsvFormat);
  EXPECT_EQ(ErrorNumberOf([&] { folder.Query("SELECT id FROM [extra.csv]"); }), kErrCsvFormat);
  EXPECT_EQ(ErrorNumberOf([&] { folder.Query("SELECT * FROM [empty.csv]"); }, &description),
            kErrCsvFormat);
  EXPECT_NE(description.find("empty.csv"), std::string::npos) << description;
  EXPECT_EQ(ErrorNumberOf([&] { folder.Query("SELECT * FROM [wide.csv]"); }, &description),
            kErrCsvFormat);
  EXPECT_NE(description.find("2001"), std::string::npos) << description;

  // A byte the character set does not allow is found when SQLite asks for the field.
  folder.Write("bytes.csv", "id,name\r\n\r\n2,\xff\xfe\r\n");
  EXPECT_EQ(
      ErrorNumberOf([&] { folder.Query("SELECT id FROM [bytes.csv]", "CharacterSet=UTF-8"); }), 0);
  EXPECT_EQ(
      ErrorNumberOf([&] { folder.Query("SELECT name FROM [bytes.csv]", "CharacterSet=UTF-8"); },
                    &description),
      kErrCsvFormat);
  EXPECT_NE(description.find("の3行目"), std::string::npos) << description;

  // The connection stays usable after a fault.
  auto connection = folder.Connect("CharacterSet=UTF-8");
  EXPECT_EQ(ErrorNumberOf([&] { connection->Execute("SELECT * FROM [late.csv]"); }), kErrCsvFormat);
  EXPECT_EQ(connection->Execute("SELECT id FROM [bytes.csv] LIMIT 3")->RecordCount(), 1);
}

TEST(EngineErrorsTest, BadQueriesGiveSqliteDetail) {
  EngineFolder folder;
  folder.Write("articles.csv", "商品名,最低販売価格\r\nx,1\r\n");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {" SELECT * FROM [articles.csv] WHERE 1 = 1 AND 商品名 LIKE '%Men's%'", "syntax error"},
      {"SELECT * FROM [articles.csv] WHERE 最低販売価格 BETWEEN 1000 AND ", "incomplete input"},
      {"", "空"},
      {"  -- nothing\n", "空"},
  };
  for (const auto& [sql, detail] : cases) {
    std::string description;
    EXPECT_EQ(ErrorNumberOf([&] { folder.Query(sql); }, &description), kErrQuery) << sql;
    EXPECT_EQ(description.rfind("クエリを実行できません。", 0), 0u) << description;
    EXPECT_NE(description.find(detail), std::string::npos) << description;
  }
  // A column the file lacks, in words and with a number of its own.
  std::string description;
  EXPECT_EQ(ErrorNumberOf([&] { folder.Query("SELECT 色 FROM [articles.csv]"); }, &description),
            kErrNoSuchColumn);
  EXPECT_EQ(description, "クエリを実行できません。列「色」がありません。");
  // However the name is written, the column itself is the fact; a name that is a column fails
  // as the query's own fault.
  for (const std::string sql :
       {"SELECT [色] FROM [articles.csv]", "SELECT * FROM [articles.csv] a WHERE a.\"色\" = 1",
        "SELECT * FROM [articles.csv] WHERE `色` LIKE 'x'"}) {
    try {
      folder.Query(sql);
      ADD_FAILURE() << sql;
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), kErrNoSuchColumn) << sql;
      EXPECT_EQ(e.Column(), "色") << sql;
    }
  }
  // Once the table is made, a syntax error at a word, or an unknown function, is still the
  // query's fault.
  auto connection = folder.Connect();
  connection->Execute("SELECT 商品名 FROM [articles.csv]");
  for (const std::string sql : {"SELECT * FROM [articles.csv] WHERE 商品名 LIKE '%Men's%'",
                                "SELECT nosuch(商品名) FROM [articles.csv]"}) {
    EXPECT_EQ(ErrorNumberOf([&] { connection->Execute(sql); }), kErrQuery) << sql;
  }
}

}  // namespace
}  // namespace sorbel::csvdb
