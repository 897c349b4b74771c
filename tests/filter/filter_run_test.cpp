// The whole run on small catalogues: exact result bytes, quoting, no-match results, name
// collisions, and every failure path restoring the pointer and status text.
#include "filter/filter_run.h"

#include <errno.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "filter/result_file.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "run_fixture.h"

namespace sorbel {
namespace {

const std::string kHeader =
    "商品コード,商品名,カテゴリー名,タグ,最低販売価格,同梱可否,決済方法,送料無料,説明";
const std::string kShirt =
    "00123,Men's シャツ,ファッション,夏 セール,1200,○,CD,1,\"綿100%, \"\"涼しい\"\"\"";
const std::string kCase =
    "4901234567890,ｉＰｈｏｎｅ ケース セット,家電,スマホ,980,×,C,0,\"1行目\n2行目\"";
const std::string kHumidifier = "A-7,加湿器,家電,冬,\"1,200\",○,D,1,";
const std::string kKettle = "B-8,電気ケトル,家電,,5000,○,CD,1,12.50";

std::string CatalogueText() {
  return kHeader + "\r\n" + kShirt + "\r\n" + kCase + "\r\n" + kHumidifier + "\r\n" + kKettle +
         "\r\n";
}

const std::vector<std::string> kRunEvents = {"pointer 11", "status ファイルをコピーしています...",
                                             "status データを読み込んでいます...", "pointer 0",
                                             "status "};

class FilterRunTest : public RunFixture {
 protected:
  // Runs with the given conditions over the standard catalogue; answers the result bytes.
  std::string Run(const FilterConditions& c) {
    host_.csv_path = Catalogue(CatalogueText());
    host_.conditions = c;
    host_.events.clear();
    EXPECT_TRUE(ExecFilter(host_));
    EXPECT_TRUE(host_.messages.empty()) << host_.messages.front().text;
    return Bytes(ResultPath());
  }
};

TEST_F(FilterRunTest, CategoryAndFreeShipping) {
  FilterConditions c;
  c.CategoryIndex = 3;
  c.CategoryText = "家電";
  c.FreeShippingOnly = true;
  EXPECT_EQ(Run(c), kHeader + "\r\n" + kHumidifier + "\r\n" + kKettle + "\r\n");
  EXPECT_EQ(host_.out_file_name, "20120201090507_articles.csv");
  EXPECT_EQ(host_.events, kRunEvents);
}

TEST_F(FilterRunTest, EveryValueComesBackAsWritten) {
  // No conditions: every record, quoted exactly where a field holds , " CR or LF.
  EXPECT_EQ(Run({}), CatalogueText());
}

TEST_F(FilterRunTest, PriceRangeComparesNumbersOnly) {
  FilterConditions c;
  c.PriceFrom = "1000";
  c.PriceTo = "5000";
  // A price written "1,200" is the number 1200 and comes back with its comma.
  const std::string in_range =
      kHeader + "\r\n" + kShirt + "\r\n" + kHumidifier + "\r\n" + kKettle + "\r\n";
  EXPECT_EQ(Run(c), in_range);
  c.PriceTo = "";  // one bound: everything from 1000 up
  EXPECT_EQ(Run(c), in_range);
}

TEST_F(FilterRunTest, ApostropheAndWidthFoldingInNames) {
  FilterConditions c;
  c.ProductNameWords = "men's";
  EXPECT_EQ(Run(c), kHeader + "\r\n" + kShirt + "\r\n");
  c.ProductNameWords = "iphone";
  EXPECT_EQ(Run(c), kHeader + "\r\n" + kCase + "\r\n");
}

TEST_F(FilterRunTest, NoMatchGivesHeaderAndEmptyLine) {
  FilterConditions c;
  c.TagWords = "存在しない";
  EXPECT_EQ(Run(c), kHeader + "\r\n\r\n");
}

TEST_F(FilterRunTest, SecondRunInTheSameSecondGetsItsOwnFile) {
  FilterConditions c;
  c.BundlingIndex = 2;
  c.BundlingText = "×";
  std::string first = Run(c);
  std::string first_name = host_.out_file_name;
  std::string second = Run({});
  EXPECT_EQ(first_name, "20120201090507_articles.csv");
  EXPECT_EQ(host_.out_file_name, "20120201090507_2_articles.csv");
  EXPECT_EQ(Bytes(folder_ + "/" + first_name), kHeader + "\r\n" + kCase + "\r\n");
  EXPECT_EQ(second, CatalogueText());
  // A folder squatting on the next name is stepped over too.
  std::filesystem::create_directory(folder_ + "/20120201090507_3_articles.csv");
  Run({});
  EXPECT_EQ(host_.out_file_name, "20120201090507_4_articles.csv");
}

TEST_F(FilterRunTest, StagedCopyItselfIsUsedWithoutCopy) {
  std::string staged = folder_ + "/articles.csv";
  Put(staged, CatalogueText());
  host_.csv_path = staged;
  EXPECT_TRUE(ExecFilter(host_));
  EXPECT_TRUE(host_.messages.empty());
  EXPECT_EQ(Bytes(staged), CatalogueText());
  EXPECT_EQ(Bytes(ResultPath()), CatalogueText());
}

// An empty file is no catalogue: the message names the chosen file, and the copy staged by an
// earlier run stays for the next.
TEST_F(FilterRunTest, EmptyCatalogueIsToldAndKeepsTheStagedCopy) {
  std::string staged = folder_ + "/articles.csv";
  Put(staged, CatalogueText());
  host_.csv_path = Catalogue("", "empty.csv");
  EXPECT_FALSE(ExecFilter(host_));
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_NE(host_.messages[0].text.find(host_.csv_path), std::string::npos)
      << host_.messages[0].text;
  EXPECT_EQ(Bytes(staged), CatalogueText());
}

TEST_F(FilterRunTest, Cp932CatalogueIsReadExactly) {
  std::string sjis = FromUtf8(CatalogueText() + "C-9,①㈱髙,家電,,1,○,C,0,\r\n", "windows-31j");
  host_.csv_path = Catalogue(sjis, "sjis.csv");
  host_.conditions.PriceTo = "1";
  ASSERT_TRUE(ExecFilter(host_));
  EXPECT_EQ(ToUtf8(Bytes(ResultPath()), SystemCodePage()),
            kHeader + "\r\nC-9,①㈱髙,家電,,1,○,C,0,\r\n");
}

TEST_F(FilterRunTest, MissingPathWarnsAndChangesNothing) {
  for (std::string path : {std::string(), folder_ + "/nothing.csv", folder_}) {
    host_.csv_path = path;
    host_.events.clear();
    host_.messages.clear();
    EXPECT_FALSE(ExecFilter(host_));
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0].text, "CSVファイルに指定したパスは無効です。");
    EXPECT_EQ(host_.messages[0].icon, kIconWarning);
    EXPECT_EQ(host_.messages[0].caption, "Sorbel");
    EXPECT_EQ(host_.events, std::vector<std::string>{"box CSVファイルに指定したパスは無効です。"});
  }
}

// Failures after the path check: one critical box "number:description" while the hourglass
// is still on, then the pointer and status restored, and no result file left behind.
void ExpectErrorPath(const RecordingHost& host, long number) {
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].icon, kIconCritical);
  EXPECT_EQ(host.messages[0].text.rfind(std::to_string(number) + ":", 0), 0u)
      << host.messages[0].text;
  ASSERT_GE(host.events.size(), 3u);
  EXPECT_EQ(host.events.front(), "pointer 11");
  EXPECT_EQ(host.events[host.events.size() - 3].rfind("box ", 0), 0u);
  EXPECT_EQ(host.events[host.events.size() - 2], "pointer 0");
  EXPECT_EQ(host.events.back(), "status ");
}

bool HasResultFiles(const std::string& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().string().ends_with("_articles.csv")) return true;
  }
  return false;
}

TEST_F(FilterRunTest, MissingDataSourceDescription) {
  std::filesystem::remove(folder_ + "/datasource.dsn");
  host_.csv_path = Catalogue(CatalogueText());
  EXPECT_FALSE(ExecFilter(host_));
  ExpectErrorPath(host_, kErrDataSource);
  EXPECT_FALSE(HasResultFiles(folder_));
}

TEST_F(FilterRunTest, BadPriceTextGoesToTheErrorPath) {
  host_.csv_path = Catalogue(CatalogueText());
  host_.conditions.PriceFrom = "12a";
  EXPECT_FALSE(ExecFilter(host_));
  ExpectErrorPath(host_, kErrTypeMismatch);
  EXPECT_FALSE(HasResultFiles(folder_));
}

TEST_F(FilterRunTest, ProgramFolderThatIsAFile) {
  host_.csv_path = Catalogue(CatalogueText());
  std::string not_a_folder = folder_ + "/plain-file";
  Put(not_a_folder, "x");
  host_.folder = not_a_folder;
  EXPECT_FALSE(ExecFilter(host_));
  ExpectErrorPath(host_, 20);  // ENOTDIR from the staging copy
}

TEST_F(FilterRunTest, MalformedCatalogueIsReportedNotWritten) {
  host_.csv_path = Catalogue(kHeader + "\r\n" + "x,\"never closed,家電\r\n");
  EXPECT_FALSE(ExecFilter(host_));
  ExpectErrorPath(host_, kErrCsvFormat);
  EXPECT_FALSE(HasResultFiles(folder_));
}

// A host whose conditions are read while the copy runs, and which changes the chosen file
// just then, as a download still being written would.
class ChangingHost : public RecordingHost {
 public:
  FilterConditions Conditions() const override {
    std::ofstream(csv_path, std::ios::binary | std::ios::app) << "Z-9,追記,家電,,1,○,C,1,\r\n";
    return conditions;
  }
};

TEST_F(FilterRunTest, CatalogueChangedDuringTheRunIsReportedNotWritten) {
  ChangingHost host;
  host.folder = folder_;
  host.csv_path = Catalogue(CatalogueText());
  Put(folder_ + "/articles.csv", "earlier\r\n");
  EXPECT_FALSE(ExecFilter(host));
  ExpectErrorPath(host, kErrCsvFile);
  EXPECT_NE(host.messages[0].text.find("変更されました"), std::string::npos);
  EXPECT_FALSE(HasResultFiles(folder_));
  EXPECT_EQ(Bytes(folder_ + "/articles.csv"), "earlier\r\n");
}

TEST_F(FilterRunTest, CopyFailingPartWayIsReportedNotWritten) {
  std::string catalogue = kHeader + "\r\n";
  while (catalogue.size() < (1 << 20)) catalogue += kKettle + "\r\n";
  host_.csv_path = Catalogue(catalogue);
  Put(folder_ + "/articles.csv", "earlier\r\n");
  // Files may not grow past 256 KiB, as on a full disk: the copy stops part way.
  struct rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct rlimit small = saved;
  small.rlim_cur = 256 << 10;
  auto handler = ::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  bool written = ExecFilter(host_);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, handler);
  EXPECT_FALSE(written);
  ExpectErrorPath(host_, EFBIG);
  EXPECT_FALSE(HasResultFiles(folder_));
  EXPECT_EQ(Bytes(folder_ + "/articles.csv"), "earlier\r\n");
}

TEST(ResultFileNameTest, ZeroPaddedStampAndSuffix) {
  EXPECT_EQ(ResultFileName({2011, 10, 19, 3, 10, 44}), "20111019031044_articles.csv");
  EXPECT_EQ(ResultFileName({2012, 2, 1, 9, 5, 7}, 2), "20120201090507_2_articles.csv");
}

}  // namespace
}  // namespace sorbel
