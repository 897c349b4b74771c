// The set-aside files beside a result: the catalogue's bytes untouched, nothing half-written,
// the words that tell the owner; and a whole run over a catalogue with bad lines.
#include "filter/set_aside_file.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "filter/filter_run.h"
#include "platform/codepage.h"
#include "run_fixture.h"

namespace sorbel {
namespace {

class SetAsideFileTest : public RunFixture {
 protected:
  std::string Result() const { return folder_ + "/20120201090507_articles.csv"; }
  std::string Rejected(const char* ext) const {
    return folder_ + "/20120201090507_articles_rejected." + ext;
  }
  int FileCount() const {
    auto files = std::filesystem::directory_iterator(folder_);
    return static_cast<int>(std::distance(begin(files), end(files)));
  }
};

TEST_F(SetAsideFileTest, WritesBytesAsHeldAndNeverOverAFileThere) {
  const std::string header = "\xEF\xBB\xBF" + FromUtf8("商品コード,商品名\r\n", "windows-31j");
  const std::string sjis = FromUtf8("A1,\"髙\"x\r\n", "windows-31j");
  const SetAsideRecords set_aside{
      "/店/a.csv", header, {{2, sjis, "理由\r\n一"}, {7, "A6,b", "二"}, {9, "A9,\"c", "三"}}};
  {  // closed before its file is removed below, as Windows keeps an open file's name till then
    SetAsideFiles files(set_aside, Result());
    EXPECT_EQ(FileCount(), 3);  // with datasource.dsn: the two, under temporary names
    ASSERT_TRUE(files.PutInPlaceBeside(Result()));
    ASSERT_EQ(files.Failure(), nullptr);
    // A record without a line end that another follows gets one; the last keeps its lack.
    EXPECT_EQ(Bytes(Rejected("csv")), header + sjis + "A6,b\r\nA9,\"c");
    EXPECT_EQ(
        Bytes(Rejected("txt")),
        FromUtf8("CSVファイル「/店/a.csv」の次の行は読めなかったため、これらを除いて絞り込みま"
                 "した。\r\n2行目: 理由  一\r\n7行目: 二\r\n9行目: 三\r\n",
                 SystemCodePage()));
    EXPECT_EQ(FileCount(), 3);  // with datasource.dsn: no temporary file stays
  }

  // The report's name taken (a file of the user's): neither takes its name, nothing there is
  // written over, and the two take the next names together.
  std::filesystem::remove(Rejected("csv"));
  Put(Rejected("txt"), "mine");
  SetAsideFiles again(set_aside, Result());
  EXPECT_FALSE(again.PutInPlaceBeside(Result()));
  EXPECT_EQ(Bytes(Rejected("txt")), "mine");
  EXPECT_FALSE(std::filesystem::exists(Rejected("csv")));
  const std::string next = folder_ + "/20120201090507_2_articles.csv";
  ASSERT_TRUE(again.PutInPlaceBeside(next));
  EXPECT_EQ(Bytes(folder_ + "/20120201090507_2_articles_rejected.csv"),
            header + sjis + "A6,b\r\nA9,\"c");
  EXPECT_EQ(FileCount(), 4);
}

TEST_F(SetAsideFileTest, WordsNameTheFirstFiveLinesAndTheFiles) {
  SetAsideRecords set_aside{"a.csv", "", {{12, "x", ""}, {57, "x", ""}, {4001, "x", ""}}};
  EXPECT_EQ(SetAsideWarning(set_aside, "/d/1_articles.csv"),
            "CSVファイルに読めない行が3行ありました（12行目、57行目、4001行目）。これらの行を除いて"
            "絞り込みました。読めなかった行は「/d/1_articles_rejected.csv」に、行ごとの理由は"
            "「/d/1_articles_rejected.txt」に書き出しました。");
  set_aside.records.resize(1000, {9000, "x", ""});
  const Error told = SetAsideNotWritten(set_aside, Error(ENOSPC, "「f」を書き込めません"));
  EXPECT_EQ(told.Report(), std::to_string(ENOSPC) +
                               ":CSVファイルに読めない行が1,000行ありました（12行目、57行目、"
                               "4001行目、9000行目、9000行目ほか）。これらの行を除いて絞り込み"
                               "ましたが、「f」を書き込めません");
}

// The lines of a file, without line ends, the first (the header) left out, sorted.
std::vector<std::string> SortedRecordLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::istringstream in(bytes);
  for (std::string line; std::getline(in, line);) {
    if (line.ends_with('\r')) line.pop_back();
    lines.push_back(line);
  }
  if (!lines.empty()) lines.erase(lines.begin());
  std::sort(lines.begin(), lines.end());
  return lines;
}

// Bad lines first, between good ones, never closed, and last: the run still writes the result,
// and the result and the set-aside file together hold every line of the catalogue once.
TEST_F(SetAsideFileTest, ARunSetsBadLinesAsideAndKeepsEveryLineOnce) {
  const std::string catalogue =
      "商品コード,商品名,カテゴリー名,送料無料\r\n"
      "A1,椅子,家具,1,はみ出し\r\n"  // a field beyond the header
      "A2,ケトル,家電,1\r\nA3,\"時計\" \"x\",家電,1\r\nA4,棚,家具,1\r\n"  // a stray quote
      "A5,\"皿,台所,1\r\nA6,箸,台所,1\r\n"                                // never closed
      "A7,\"椀\"大,台所,1\r\n";                                           // the last record
  host_.csv_path = Catalogue(catalogue);
  ASSERT_TRUE(ExecFilter(host_));
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].icon, kIconWarning);
  EXPECT_NE(host_.messages[0].text.find(Rejected("txt")), std::string::npos);
  // However the engine cuts the bad records, each line lands in one of the files exactly once.
  std::vector<std::string> all = SortedRecordLines(ToUtf8(Bytes(ResultPath()), SystemCodePage()));
  for (const std::string& line : SortedRecordLines(Bytes(Rejected("csv")))) all.push_back(line);
  std::sort(all.begin(), all.end());
  EXPECT_EQ(all, SortedRecordLines(catalogue));  // a header missing would lose a line
}

}  // namespace
}  // namespace sorbel
