// The CSV query source from the run's side: staging a catalogue safely, the connection text,
// and every query BuildSql can make, run over a small catalogue against a plain reference.
#include "filter/csv_source.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "filter/query_text.h"
#include "platform/csvdb/connection_text.h"
#include "platform/database.h"
#include "platform/error.h"

namespace sorbel {
namespace {

namespace fs = std::filesystem;

class CsvSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/sorbel-source-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    app_ = root_ + "/app";
    fs::create_directory(app_);
  }
  void TearDown() override { fs::remove_all(root_); }

  static void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  }
  static std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }
  std::string Staged() const { return app_ + "/articles.csv"; }
  // The names in the program folder, to see that no temporary file is left behind.
  std::vector<std::string> AppFiles() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(app_)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  static long ErrorOf(const std::string& chosen, const std::string& folder) {
    try {
      StageCsv(chosen, folder);
    } catch (const Error& e) {
      // The file or folder, and what went wrong: the system's reason or plain words.
      const std::string& d = e.Description();
      EXPECT_TRUE(
          d.find("「" +
                 (d.find("コピー") != std::string::npos ? folder + "/articles.csv" : chosen) +
                 "」") != std::string::npos)
          << d;
      EXPECT_TRUE(d.ends_with(OsErrorText(static_cast<int>(e.Number()))) ||
                  d.ends_with("選んでください。"))
          << d;
      return e.Number();
    }
    return 0;
  }

  std::string root_;
  std::string app_;
};

TEST_F(CsvSourceTest, CopiesAndReplacesTheStagedFile) {
  std::string big(3 << 20, 'x');
  for (size_t i = 0; i < big.size(); i += 997) big[i] = static_cast<char>(i % 251);
  Put(root_ + "/big.csv", big);
  Put(root_ + "/small.csv", "a\r\n");
  Put(root_ + "/empty.csv", "");

  StageCsv(root_ + "/big.csv", app_);
  EXPECT_EQ(Bytes(Staged()), big);
  StageCsv(root_ + "/small.csv", app_);
  EXPECT_EQ(Bytes(Staged()), "a\r\n");
  // An empty file is no catalogue: the staged copy stays for the next run.
  StageCsv(root_ + "/empty.csv", app_);
  EXPECT_EQ(Bytes(Staged()), "a\r\n");
  EXPECT_EQ(AppFiles(), std::vector<std::string>{"articles.csv"});
  EXPECT_EQ(Bytes(root_ + "/big.csv"), big);  // the chosen file is left alone
}

TEST_F(CsvSourceTest, TheStagedFileItselfIsNeverCopiedOntoItself) {
  Put(Staged(), "keep me\r\n");
  struct stat before;
  ASSERT_EQ(::stat(Staged().c_str(), &before), 0);
  fs::create_symlink(Staged(), root_ + "/link.csv");
  fs::create_hard_link(Staged(), root_ + "/hard.csv");
  for (const std::string& same :
       {Staged(), app_ + "/./articles.csv", app_ + "//articles.csv",
        root_ + "/../" + fs::path(root_).filename().string() + "/app/articles.csv",
        root_ + "/link.csv", root_ + "/hard.csv"}) {
    StageCsv(same, app_);
    struct stat after;
    ASSERT_EQ(::stat(Staged().c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << same;
    EXPECT_EQ(Bytes(Staged()), "keep me\r\n") << same;
  }
  EXPECT_EQ(AppFiles(), std::vector<std::string>{"articles.csv"});
}

// A run repeated on the same catalogue leaves the staged file as it is; any difference, even
// one byte at the very end with the size unchanged, brings a fresh copy.
TEST_F(CsvSourceTest, AnIdenticalStagedFileIsKeptAndADifferentOneReplaced) {
  std::string big(3 << 20, 'y');
  for (size_t i = 0; i < big.size(); i += 1009) big[i] = static_cast<char>('a' + i % 26);
  const std::string chosen = root_ + "/download.csv";
  Put(chosen, big);
  StageCsv(chosen, app_);
  auto inode = [&] {
    struct stat st {};
    EXPECT_EQ(::stat(Staged().c_str(), &st), 0);
    return st.st_ino;
  };
  const ino_t first = inode();

  StageCsv(chosen, app_);
  EXPECT_EQ(inode(), first);
  EXPECT_EQ(Bytes(Staged()), big);

  big.back() = big.back() == 'z' ? 'q' : 'z';
  Put(chosen, big);
  StageCsv(chosen, app_);
  EXPECT_NE(inode(), first);
  EXPECT_EQ(Bytes(Staged()), big);

  big += "more\r\n";
  Put(chosen, big);
  StageCsv(chosen, app_);
  EXPECT_EQ(Bytes(Staged()), big);
  EXPECT_EQ(AppFiles(), std::vector<std::string>{"articles.csv"});
}

// A copy made from a catalogue untouched for a while says so itself: the next run on that
// catalogue neither copies nor compares, even when the copy has left the page cache (where a
// comparison would give up and copy). Any change to either file brings a fresh copy.
TEST_F(CsvSourceTest, AnUnchangedCatalogueIsNotCopiedAgainOnceItsCopySaysSo) {
  const std::string chosen = root_ + "/download.csv";
  std::string bytes(1 << 20, 'z');
  Put(chosen, bytes);
  ::sleep(3);  // older than any clock tick: a change now could not go unseen
  StageCsv(chosen, app_);
  auto drop_cache = [&] {
    int fd = ::open(Staged().c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ::fsync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
  };
  // The staged file's inode, held by a second link so that its number cannot be reused.
  int links = 0;
  auto inode = [&] {
    fs::create_hard_link(Staged(), root_ + "/held-" + std::to_string(++links));
    struct stat st {};
    EXPECT_EQ(::stat(Staged().c_str(), &st), 0);
    return st.st_ino;
  };
  const ino_t first = inode();
  drop_cache();
  StageCsv(chosen, app_);
  EXPECT_EQ(inode(), first);

  // The catalogue rewritten with as many bytes.
  bytes[12345] = 'q';
  std::fstream(chosen, std::ios::binary | std::ios::in | std::ios::out) << bytes;
  drop_cache();
  StageCsv(chosen, app_);
  EXPECT_NE(inode(), first);
  EXPECT_EQ(Bytes(Staged()), bytes);

  // The staged copy edited in place (it was stamped only if the rewrite above is old enough,
  // so stamp it again after a pause).
  ::sleep(3);
  drop_cache();
  StageCsv(chosen, app_);
  const ino_t second = inode();
  std::fstream(Staged(), std::ios::binary | std::ios::in | std::ios::out) << "edited";
  drop_cache();
  StageCsv(chosen, app_);
  EXPECT_NE(inode(), second);
  EXPECT_EQ(Bytes(Staged()), bytes);
  EXPECT_EQ(AppFiles(), std::vector<std::string>{"articles.csv"});
}

TEST_F(CsvSourceTest, AFailedCopyKeepsTheEarlierStagedFile) {
  Put(Staged(), "earlier\r\n");
  EXPECT_EQ(ErrorOf(root_ + "/missing.csv", app_), ENOENT);
  EXPECT_EQ(ErrorOf(root_, app_), EISDIR);
  EXPECT_EQ(ErrorOf("", app_), ENOENT);
  // A file of size 0 is not copied (reading it is the query's to fail), the staged file stays.
  EXPECT_EQ(ErrorOf("/proc/self/mem", app_), 0);
  EXPECT_EQ(Bytes(Staged()), "earlier\r\n");
  EXPECT_EQ(AppFiles(), std::vector<std::string>{"articles.csv"});

  Put(root_ + "/new.csv", "new\r\n");
  EXPECT_EQ(ErrorOf(root_ + "/new.csv", root_ + "/no-such-folder"), ENOENT);
  // A folder in the way of the staged name: the rename fails, the temporary file goes.
  fs::remove(Staged());
  fs::create_directory(Staged());
  EXPECT_NE(ErrorOf(root_ + "/new.csv", app_), 0);
  EXPECT_EQ(AppFiles(), std::vector<std::string>{"articles.csv"});
}

// Runs `f` with files limited to `limit` bytes, as a full disk would stop a copy part way.
template <typename F>
void WithFileSizeLimit(rlim_t limit, F f) {
  struct rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct rlimit small = saved;
  small.rlim_cur = limit;
  auto handler = ::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  f();
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, handler);
}

TEST_F(CsvSourceTest, ACopyFailingPartWayKeepsTheEarlierStagedFile) {
  Put(Staged(), "earlier\r\n");
  Put(root_ + "/big.csv", std::string(3 << 20, 'x'));
  WithFileSizeLimit(1 << 20, [&] { EXPECT_EQ(ErrorOf(root_ + "/big.csv", app_), EFBIG); });
  EXPECT_EQ(Bytes(Staged()), "earlier\r\n");
  EXPECT_EQ(AppFiles(), std::vector<std::string>{"articles.csv"});
}

// While the copy runs a query reads the chosen file itself; the copy is put in place only
// when it is whole and the chosen file kept its size and time of change meanwhile.
TEST_F(CsvSourceTest, TheQueryReadsTheChosenFileWhileTheCopyRuns) {
  const std::string chosen = root_ + "/download.csv";
  std::string csv = "id,name\r\n";
  for (int i = 1; i <= 100000; ++i) csv += std::to_string(i) + ",n\r\n";
  Put(chosen, csv);
  {
    CsvStaging staging(chosen, app_);
    Connection connection;
    connection.ConnectionString = "Driver={Sorbel CSV};DefaultDir=" + app_;
    staging.ShareSource(connection);
    connection.Open();
    EXPECT_EQ(connection.Execute("SELECT * FROM [articles.csv]")->RecordCount(), 100000);
    staging.Finish();
  }
  EXPECT_EQ(Bytes(Staged()), csv);

  // A staging dropped before Finish (the query failed) leaves the staged file as it was.
  Put(root_ + "/other.csv", "other\r\n");
  { CsvStaging staging(root_ + "/other.csv", app_); }
  EXPECT_EQ(Bytes(Staged()), csv);
  EXPECT_EQ(AppFiles(), std::vector<std::string>{"articles.csv"});
}

TEST_F(CsvSourceTest, AChosenFileChangedDuringTheRunIsRefused) {
  Put(Staged(), "earlier\r\n");
  const std::string chosen = root_ + "/download.csv";
  const std::string bytes(3 << 20, 'x');
  auto grow = [&] { std::ofstream(chosen, std::ios::binary | std::ios::app) << "more\r\n"; };
  auto shrink = [&] { ASSERT_EQ(::truncate(chosen.c_str(), 10), 0); };
  // Rewritten in place with as many bytes: only its time of change tells.
  auto rewrite = [&] {
    std::fstream(chosen, std::ios::binary | std::ios::in | std::ios::out) << "y";
    struct timespec later[2] = {{0, UTIME_OMIT}, {::time(nullptr) + 5, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, chosen.c_str(), later, 0), 0);
  };
  for (const auto& change : {std::function<void()>(grow), std::function<void()>(shrink),
                             std::function<void()>(rewrite)}) {
    Put(chosen, bytes);
    CsvStaging staging(chosen, app_);
    change();
    try {
      staging.Finish();
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), kErrCsvFile);
      EXPECT_EQ(e.Description(), "CSVファイル「" + chosen +
                                     "」を読めません: 読み込みの途中でファイルが変更されました。"
                                     "もう一度実行してください。");
    }
    EXPECT_EQ(Bytes(Staged()), "earlier\r\n");
    EXPECT_EQ(AppFiles(), std::vector<std::string>{"articles.csv"});
  }
}

// The staged file chosen itself is not copied, but a change to it during the run is caught all
// the same: a truncation at a record boundary would otherwise give a short result.
TEST_F(CsvSourceTest, TheStagedFileItselfChangedDuringTheRunIsRefused) {
  for (bool grow : {false, true}) {
    Put(Staged(), std::string(3 << 20, 'x'));
    CsvStaging staging(Staged(), app_);
    if (grow) {
      std::ofstream(Staged(), std::ios::binary | std::ios::app) << "more\r\n";
    } else {
      ASSERT_EQ(::truncate(Staged().c_str(), 10), 0);
    }
    try {
      staging.Finish();
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), kErrCsvFile);
      EXPECT_NE(e.Description().find("読み込みの途中でファイルが変更されました。"),
                std::string::npos);
    }
  }
}

TEST_F(CsvSourceTest, ConnectionTextNamesTheDescriptionBesideTheProgram) {
  EXPECT_EQ(ConnectionText("/opt/sorbel"), "FILEDSN=/opt/sorbel/datasource.dsn;");
  for (const std::string folder : {"/opt/a;b", "/opt/{x}", "/opt/a}};b"}) {
    csvdb::Settings settings = csvdb::ParseConnectionText(ConnectionText(folder));
    EXPECT_EQ(settings["filedsn"], folder + "/datasource.dsn") << ConnectionText(folder);
    EXPECT_EQ(settings.size(), 1u);
  }
}

// One product of the test catalogue with what the conditions should see in it.
struct Product {
  const char* code;
  const char* name;
  const char* name_folded;  // lower case, half-width letters, full-width katakana
  const char* category;
  const char* tag;
  const char* tag_folded;
  const char* price;
  std::optional<double> price_number;  // the number a person reads in the price, if any
  const char* bundling;
  const char* payment;
  const char* free_shipping;
};

const Product kProducts[] = {
    {"00123", "ｉＰｈｏｎｅケース セット", "iphoneケース セット", "家電", "\"人気,送料無料\"",
     "人気,送料無料", "1200", 1200, "○", "CD", "1"},
    {"123", "iPhoneケース", "iphoneケース", "家電", "人気", "人気", "\"1,200\"", 1200, "×", "C",
     "0"},
    {"A-1", "タオルｾｯﾄ", "タオルセット", "生活雑貨", "ギフト", "ギフト", "１２００", 1200, "○", "D",
     "1"},
    {"A-2", "せっと商品", "せっと商品", "家電 ", "", "", "5000", 5000, "○", "CD", ""},
    {"A-3", "電気ケトル", "電気ケトル", "家電", "セール 人気", "セール 人気", "999", 999, "×", "",
     "1"},
    {"A-4", "\"Men's Bag, 黒\"", "men's bag, 黒", "ファッション", "人気", "人気", "4999.5", 4999.5,
     "○", "DC", "1"},
    {"A-5", "", "", "家電", "", "", "", {}, "", "CDB", "1"},
    {"A-6", "セット販売", "セット販売", "家電", "限定", "限定", "-5", -5, "○", "CD", "1"},
    {"A-7", "50%OFFｾｯﾄ", "50%offセット", "ファッション", "ＳＡＬＥ 人気", "sale 人気", "3000", 3000,
     "○", "C", "1"},
    {"A-8", "ｲﾔﾎﾝ iphone対応", "イヤホン iphone対応", "AV・デジモノ", "人気", "人気", "1000", 1000,
     "×", "CD", "+1"},
    {"A-9",
     "大型セット",
     "大型セット",
     "家電",
     "人気",
     "人気",
     "4901234567890123456789",
     {},
     "○",
     "CD",
     "1"},
};

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// What each condition means, said plainly.
bool Expected(const Product& p, const FilterConditions& c, const std::string& name_folded,
              const std::string& tag_folded) {
  if (!c.ProductNameWords.empty() && !Contains(p.name_folded, name_folded)) return false;
  if (c.CategoryIndex != 0 && c.CategoryText != p.category) return false;
  if (!c.TagWords.empty() && !Contains(p.tag_folded, tag_folded)) return false;
  if (!c.PriceFrom.empty() || !c.PriceTo.empty()) {
    double low =
        c.PriceFrom.empty() ? std::numeric_limits<std::int64_t>::min() : std::stod(c.PriceFrom);
    double high =
        c.PriceTo.empty() ? std::numeric_limits<std::int64_t>::max() : std::stod(c.PriceTo);
    if (!p.price_number || *p.price_number < low || *p.price_number > high) return false;
  }
  if (c.BundlingIndex != 0 && c.BundlingText != p.bundling) return false;
  if (c.CreditCard && !Contains(p.payment, "C")) return false;
  if (c.CashOnDelivery && !Contains(p.payment, "D")) return false;
  // The shipped description declares 送料無料 numeric: "+1" is 1 as well.
  if (c.FreeShippingOnly && std::string(p.free_shipping) != "1" &&
      std::string(p.free_shipping) != "+1") {
    return false;
  }
  return true;
}

std::string Text(const FieldValue& v) {
  if (const auto* n = std::get_if<std::int64_t>(&v)) return std::to_string(*n);
  if (const auto* s = std::get_if<std::string_view>(&v)) return std::string(*s);
  return "?";
}

TEST_F(CsvSourceTest, EveryQueryBuildSqlMakesFindsExactlyTheRightProducts) {
  std::string csv =
      "商品コード,商品名,カテゴリー名,タグ,最低販売価格,同梱可否,決済方法,送料無料\r\n";
  for (const Product& p : kProducts) {
    for (const char* field : {p.code, p.name, p.category, p.tag, p.price, p.bundling, p.payment}) {
      csv += std::string(field) + ",";
    }
    csv += std::string(p.free_shipping) + "\r\n";
  }
  Put(root_ + "/download.csv", csv);
  fs::copy_file(std::string(getenv("SORBEL_SOURCE_DIR")) + "/samples/datasource.dsn",
                app_ + "/datasource.dsn");
  StageCsv(root_ + "/download.csv", app_);
  fs::path saved = fs::current_path();
  fs::current_path(app_);  // the run makes the program folder current before connecting
  Connection connection;
  connection.ConnectionString = ConnectionText(app_);
  connection.Open();

  // Each clause BuildSql can add, with a few values for it; every set of clauses is tried
  // with each value in turn.
  struct Words {
    const char* typed;
    const char* folded;
  };
  const Words names[] = {
      {"セット", "セット"}, {"ｾｯﾄ", "セット"}, {"iphone", "iphone"}, {"Men's", "men's"}};
  const Words tags[] = {{"人気", "人気"}, {"ｾｰﾙ", "セール"}};
  const std::pair<int, const char*> categories[] = {{3, "家電"}, {1, "ファッション"}, {-1, "家電"}};
  const std::pair<const char*, const char*> prices[] = {
      {"1000", "5000"}, {"1000", ""}, {"", "1000"}};
  const std::pair<int, const char*> bundlings[] = {{1, "○"}, {2, "×"}};

  int queries = 0;
  for (int clauses = 0; clauses < 256; ++clauses) {
    for (int turn = 0; turn < 3; ++turn) {
      const int k = clauses + turn;
      auto has = [&](int bit) { return (clauses >> bit & 1) != 0; };
      FilterConditions c;
      const Words& name = names[k % 4];
      const Words& tag = tags[k % 2];
      if (has(0)) c.ProductNameWords = name.typed;
      c.CategoryText = categories[k % 3].second;  // the list's text counts only when selected
      if (has(1)) c.CategoryIndex = categories[k % 3].first;
      if (has(2)) c.TagWords = tag.typed;
      if (has(3)) std::tie(c.PriceFrom, c.PriceTo) = prices[k % 3];
      c.BundlingText = bundlings[k % 2].second;
      if (has(4)) c.BundlingIndex = bundlings[k % 2].first;
      c.CreditCard = has(5);
      c.CashOnDelivery = has(6);
      c.FreeShippingOnly = has(7);

      std::vector<std::string> expected;
      for (const Product& p : kProducts) {
        if (Expected(p, c, name.folded, tag.folded)) expected.push_back(p.code);
      }
      const std::string sql = BuildSql(c);
      std::unique_ptr<ResultRecords> records = connection.Execute(sql);
      ASSERT_EQ(records->FieldCount(), 8);
      ASSERT_EQ(records->RecordCount(), static_cast<std::int64_t>(expected.size())) << sql;
      std::vector<std::string> got;
      for (; !records->Eof(); records->MoveNext()) got.push_back(Text(records->Value(0)));
      ASSERT_EQ(got, expected) << sql;
      ++queries;
    }
  }
  EXPECT_EQ(queries, 768);
  connection.Close();
  fs::current_path(saved);
}

}  // namespace
}  // namespace sorbel
