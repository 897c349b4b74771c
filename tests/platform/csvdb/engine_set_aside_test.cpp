// Records that cannot be read are set aside: the query runs over the rest, and the result and
// the set-aside records together hold every record of the file exactly once.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine_test_folder.h"
#include "platform/csvdb/set_aside_list.h"
#include "platform/database.h"
#include "platform/error.h"

namespace sorbel::csvdb {
namespace {

using testing::EngineFolder;
using testing::ErrorNumberOf;
using namespace std::string_literals;

struct Piece {
  std::string bytes;  // one record as the file holds it, line end included
  bool bad = false;
};

// A catalogue of five columns with multi-line descriptions, bad records scattered through it:
// the first record, between two good ones, a field fault SQLite meets only in the select list,
// an unclosed quote near the end, and the last record.
std::vector<Piece> ScatteredCatalogue() {
  std::vector<Piece> pieces;
  auto good = [&](int id) {
    pieces.push_back({std::to_string(id) + ",商品" + std::to_string(id) +
                      ",家電,\"<p>一行目,\r\n\"\"二行目\"\"</p>\",1200\r\n"});
  };
  pieces.push_back({"1,a,家電,x,1,extra\r\n", true});
  for (int id = 2; id <= 4; ++id) good(id);
  // A stray quote inside a quoted name: the record's own description lines go with it.
  pieces.push_back({"5,\"ケトル \"大\" 1L\",家電,\"<p>a,b,c\r\nd,e</p>\",980\r\n", true});
  good(6);
  pieces.push_back({"7,ok,家電,\"bad \xE3\x81 byte\",980\r\n", true});
  for (int id = 8; id <= 10; ++id) good(id);
  pieces.push_back({"11,\"never closed,家電,x,1\r\n", true});
  for (int id = 12; id <= 13; ++id) good(id);
  pieces.push_back({"14,\"x\"y,家電,z,1", true});
  return pieces;
}

TEST(EngineSetAsideTest, ResultAndSetAsideHoldEveryRecordOnce) {
  EngineFolder folder;
  const std::string header = "id,name,category,description,price\r\n";
  std::string file = "\xEF\xBB\xBF" + header;
  std::vector<std::string> good_ids;
  std::vector<std::string> bad;
  std::vector<std::int64_t> bad_lines;
  std::int64_t line = 2;
  for (const Piece& piece : ScatteredCatalogue()) {
    file += piece.bytes;
    if (piece.bad) {
      bad.push_back(piece.bytes);
      bad_lines.push_back(line);
    } else {
      good_ids.push_back(piece.bytes.substr(0, piece.bytes.find(',')));
    }
    for (char c : piece.bytes) line += c == '\n';
  }
  folder.Write("cat.csv", file);

  // The whole table, sorted, and a join that reads the file twice: the same records each time.
  for (const char* sql : {"SELECT * FROM [cat.csv]", "SELECT * FROM [cat.csv] ORDER BY price, id",
                          "SELECT a.* FROM [cat.csv] a JOIN [cat.csv] b ON a.id = b.id"}) {
    SCOPED_TRACE(sql);
    auto connection = folder.Connect("CharacterSet=UTF-8");
    auto records = connection->Execute(sql);
    std::vector<std::string> ids;
    for (; !records->Eof(); records->MoveNext()) {
      ids.push_back(testing::Show(records->Value(0)).substr(2));
    }
    std::sort(ids.begin(), ids.end(), [](auto& a, auto& b) { return std::stoi(a) < std::stoi(b); });
    EXPECT_EQ(ids, good_ids);

    std::vector<SetAsideRecords> set_aside = connection->TakeSetAside();
    ASSERT_EQ(set_aside.size(), 1u);
    EXPECT_EQ(set_aside[0].file, folder.Path("cat.csv"));
    EXPECT_EQ(set_aside[0].header, "\xEF\xBB\xBF" + header);
    std::vector<std::string> bytes;
    std::vector<std::int64_t> lines;
    for (const SetAsideRecord& r : set_aside[0].records) {
      bytes.push_back(r.bytes);
      lines.push_back(r.line);
      EXPECT_FALSE(r.reason.empty());
    }
    EXPECT_EQ(bytes, bad);
    EXPECT_EQ(lines, bad_lines);
    EXPECT_TRUE(connection->TakeSetAside().empty());
  }
}

TEST(EngineSetAsideTest, ReasonsSayWhatIsWrong) {
  EngineFolder folder;
  folder.Write("r.csv", "a,b\n1,2,3\n2,\"x\"y\n3,ok\n4,n\0ul\n5,\"open\n6,ok\n"s);
  auto connection = folder.Connect();
  EXPECT_EQ(connection->Execute("SELECT * FROM [r.csv]")->RecordCount(), 2);
  std::vector<SetAsideRecords> set_aside = connection->TakeSetAside();
  ASSERT_EQ(set_aside.size(), 1u);
  std::vector<std::string> reasons;
  for (const SetAsideRecord& r : set_aside[0].records) reasons.push_back(r.reason);
  ASSERT_EQ(reasons.size(), 4u);
  EXPECT_EQ(reasons[0], "見出し行より項目が多く、3番目の項目に値があります（見出し行は2項目）。");
  EXPECT_EQ(reasons[1], "閉じる引用符（\"）の後に、区切り文字でも改行でもない文字があります。");
  EXPECT_EQ(reasons[2], "NUL文字（0x00）があります。");
  EXPECT_EQ(reasons[3], "引用符（\"）で始まる項目が閉じられていません。");
}

// Only what is wrong goes aside: a bad byte in a column the query never reads keeps its record
// even when another one makes the query run again, and records that end in empty fields (or a
// header that does) count as sound after a broken one.
TEST(EngineSetAsideTest, SoundRecordsStayWhateverSurroundsTheFault) {
  EngineFolder folder;
  folder.Write("memo.csv", "id,name,memo\n1,ok,\xff\n2,\xff,x\n3,ok,y\n"s);
  auto connection = folder.Connect("CharacterSet=UTF-8");
  EXPECT_EQ(connection->Execute("SELECT id, name FROM [memo.csv]")->RecordCount(), 2);
  std::vector<SetAsideRecords> set_aside = connection->TakeSetAside();
  ASSERT_EQ(set_aside.size(), 1u);
  ASSERT_EQ(set_aside[0].records.size(), 1u);
  EXPECT_EQ(set_aside[0].records[0].line, 3);

  for (const char* file :
       {"id,name\n1,a,\n2,\"x\"y,\n3,c,\n4,d,\"\"\n", "id,name,\n1,a\n2,\"x\"y\n3,c\n4,d\n"}) {
    folder.Write("trailing.csv", file);
    EXPECT_EQ(connection->Execute("SELECT * FROM [trailing.csv]")->RecordCount(), 3) << file;
    set_aside = connection->TakeSetAside();
    ASSERT_EQ(set_aside.size(), 1u);
    ASSERT_EQ(set_aside[0].records.size(), 1u);
    EXPECT_EQ(set_aside[0].records[0].line, 3);
  }
}

// The lines of each set-aside record of `csv`, read as a whole table.
std::vector<std::int64_t> SetAsideLines(EngineFolder& folder, const std::string& csv,
                                        std::int64_t* records) {
  folder.Write("t.csv", csv);
  auto connection = folder.Connect("CharacterSet=UTF-8");
  *records = connection->Execute("SELECT * FROM [t.csv]")->RecordCount();
  std::vector<std::int64_t> lines;
  for (const SetAsideRecords& file : connection->TakeSetAside()) {
    for (const SetAsideRecord& r : file.records) lines.push_back(r.line);
  }
  return lines;
}

// A quote the catalogue did not double, closing a field at a line end, cuts a product short and
// makes products of the rest: the product goes aside whole. Records that are short by nature
// stay, quoted or not.
TEST(EngineSetAsideTest, AQuoteAtALineEndNeverCutsAProductShort) {
  EngineFolder folder;
  const std::string header = "商品コード,商品名,カテゴリー名,送料無料,商品説明,画像URL1\r\n";
  const std::string tv =
      "A1,テレビ,家電,1,\"<p>画面サイズ 32\"\n<p>32\"\n<p>説明の続き</p>\",https://img/a1.jpg\r\n";
  const std::string fridge = "A2,冷蔵庫,家電,1,\"<p>大容量</p>\",https://img/a2.jpg\r\n";
  std::int64_t records = 0;
  EXPECT_EQ(SetAsideLines(folder, header + tv + fridge, &records), (std::vector<std::int64_t>{2}));
  EXPECT_EQ(records, 1);

  // Whole: the next quote is followed by text, a sound record comes between, the text read on
  // would still be short.
  const std::pair<const char*, int> wholes[] = {
      {"id,name,memo\r\n1,\"a\"\r\n2,\"b\"\r\n3,\"c\",x\r\n", 3},
      {"id,name,memo\r\n1,\"a\"\r\n2,b\r\n3,c\r\n", 3},
      {"id,name,memo\r\n1,\"a\"\r\n2,b,\"c\"\r\n3,c\r\n", 3},
      {"id,name,memo\n1,\"x 32\"\n2,y\n3,y,z\nw\",m\n", 4},
      {"id,name,memo,x\n1,\"a\"\n2,y\n\"\n<p>d</p>\",w\n", 3}};
  for (const auto& [whole, count] : wholes) {
    EXPECT_TRUE(SetAsideLines(folder, whole, &records).empty()) << whole;
    EXPECT_EQ(records, count) << whole;
  }
}

// Each broken product in a row is a record of its own: counted, listed by its line and bounded
// one by one; the rest of a broken description stays with its product.
TEST(EngineSetAsideTest, BrokenRecordsInARowCountOneByOne) {
  EngineFolder folder;
  std::string csv = "id,name,category,description\r\n1,ok,家電,x\r\n";
  std::vector<std::int64_t> want;
  for (int i = 0; i < 70; ++i) {
    want.push_back(3 + 3 * i);
    csv += std::to_string(i + 2) + ",\"ケトル \"大\",家電,\"<p>a\r\nb</p>\r\nc\"\r\n";
  }
  std::int64_t records = 0;
  EXPECT_EQ(SetAsideLines(folder, csv + "99,ok,家電,y\r\n", &records), want);
  EXPECT_EQ(records, 2);

  std::string many = "a,b\n";
  for (int i = 0; i < 1001; ++i) many += "1,\"x\"y\n";
  folder.Write("many.csv", many + "2,ok\n");
  std::string description;
  EXPECT_EQ(ErrorNumberOf([&] { folder.Query("SELECT * FROM [many.csv]"); }, &description),
            kErrCsvFormat);
  EXPECT_NE(description.find("の1002行目"), std::string::npos) << description;
}

// A file that ends inside a product is a download that did not finish, not one bad line: the
// query stops. A whole last record needs no line end.
TEST(EngineSetAsideTest, AFileCutShortStopsTheQuery) {
  EngineFolder folder;
  const std::string head = "id,name,description\r\n1,a,\"<p>x</p>\"\r\n";
  for (const std::string& cut : {head + "2,b,\"<p>desc", head + "2,b,\"<p>desc\r\n",
                                 head + "2,\"x\"y,a\r\n3,c,\"<p>de", head + "2,b"}) {
    std::int64_t records = 0;
    std::string description;
    EXPECT_EQ(ErrorNumberOf([&] { SetAsideLines(folder, cut, &records); }, &description),
              kErrCsvFormat)
        << cut;
    EXPECT_NE(description.find("途中で切れているようです"), std::string::npos) << description;
  }
  std::int64_t records = 0;
  EXPECT_TRUE(SetAsideLines(folder, head + "2,b,c", &records).empty());
  EXPECT_EQ(records, 2);
}

// Beyond the bounds a file is not read right: the run stops as it would without setting aside.
TEST(EngineSetAsideTest, TooMuchToSetAsideStopsTheQuery) {
  EngineFolder folder;
  std::string many = "a,b\n";
  for (int i = 0; i < 1001; ++i) many += "1,2,3\n";
  folder.Write("many.csv", many + "1,2\n");
  std::string description;
  EXPECT_EQ(ErrorNumberOf([&] { folder.Query("SELECT * FROM [many.csv]"); }, &description),
            kErrCsvFormat);
  EXPECT_NE(description.find("の1002行目: 見出し行より項目が多く"), std::string::npos)
      << description;
  EXPECT_NE(description.find("多すぎる"), std::string::npos) << description;

  // One record over the bytes' bound is one record too long, not too many bad ones.
  std::string huge = "a,b\n1,2\n2,";
  huge.append(SetAsideList::kMaxBytes - 4, 'x');  // with "2," and ",3\n": one byte over
  folder.Write("huge.csv", huge + ",3\n");
  EXPECT_EQ(ErrorNumberOf([&] { folder.Query("SELECT * FROM [huge.csv]"); }, &description),
            kErrCsvFormat);
  EXPECT_NE(
      description.find("の3行目: 見出し行より項目が多く、3番目の項目に値があります（見出し行は"
                       "2項目）。（読めない行が16MBを超えて長すぎるため、中止しました。"),
      std::string::npos)
      << description.substr(0, 300);

  // A stray quote whose text runs on over a thousand lines that are no records.
  std::string swallowed = "a,b\n1,\"stray\n";
  for (int i = 0; i < 1001; ++i) swallowed += "no fields here\n";
  folder.Write("swallowed.csv", swallowed + "2,ok\n");
  EXPECT_EQ(ErrorNumberOf([&] { folder.Query("SELECT * FROM [swallowed.csv]"); }, &description),
            kErrCsvFormat);
  EXPECT_NE(description.find("の2行目: 引用符（\"）で始まる項目が閉じられていません"),
            std::string::npos)
      << description;
}

}  // namespace
}  // namespace sorbel::csvdb
