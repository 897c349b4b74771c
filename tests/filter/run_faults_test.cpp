// Faults around a run: a full disk, the catalogue vanishing, unusable data source files, no
// spreadsheet, two programs in one folder. Each ends in a clear message or a whole result.
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "filter/filter_run.h"
#include "filter/run_leftovers.h"
#include "platform/end_request.h"
#include "platform/error.h"
#include "platform/open_file.h"
#include "platform/spreadsheet_host.h"
#include "run_fixture.h"
#include "run_outcome.h"

namespace sorbel {
namespace {

namespace fs = std::filesystem;

const std::string kCatalogue = "商品コード,商品名,送料無料\r\nA1,ケトル,1\r\nA2,椅子,0\r\n";

class RunFaultsTest : public RunFixture {
 protected:
  void TearDown() override {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
    RunFixture::TearDown();
  }
  // Makes the program folder a tmpfs of `bytes`, with datasource.dsn in it; false when this
  // machine does not let the test mount one.
  bool SmallProgramFolder(size_t bytes) {
    std::string dsn = Bytes(folder_ + "/datasource.dsn");
    std::string options = "size=" + std::to_string(bytes);
    if (::mount("tmpfs", folder_.c_str(), "tmpfs", 0, options.c_str()) != 0) return false;
    mounted_ = true;
    Put(folder_ + "/datasource.dsn", dsn);
    return true;
  }
  bool Run() {
    host_.events.clear();
    host_.messages.clear();
    host_.out_file_name.clear();
    return ExecFilter(host_);
  }
  std::string Staged() const { return folder_ + "/articles.csv"; }
  std::vector<std::string> Temporaries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder_)) {
      if (e.path().filename().string().ends_with(".tmp")) names.push_back(e.path());
    }
    return names;
  }

  bool mounted_ = false;
};

// A catalogue of `rows` records of about 100 bytes each.
std::string BigCatalogue(int rows, char mark = 'A') {
  std::string text = "商品コード,商品名,送料無料\r\n";
  for (int i = 0; i < rows; ++i) {
    text += mark + std::to_string(i) + "," + std::string(90, mark) + ",1\r\n";
  }
  return text;
}

TEST_F(RunFaultsTest, FullDiskWhileWritingTheResultLeavesNoPartFile) {
  if (!SmallProgramFolder(3 << 20)) GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
  // The staged copy (2 MB) fits; the result of the same size does not.
  host_.csv_path = Catalogue(BigCatalogue(20000));
  EXPECT_FALSE(Run());
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].icon, kIconCritical);
  EXPECT_NE(host_.messages[0].text.find(OsErrorText(ENOSPC)), std::string::npos)
      << host_.messages[0].text;
  EXPECT_EQ(host_.events.back(), "status ");
  EXPECT_EQ(host_.events[host_.events.size() - 2], "pointer 0");
  EXPECT_FALSE(fs::exists(ResultPath())) << "a partial result was left";
  EXPECT_EQ(Bytes(Staged()), BigCatalogue(20000)) << "the staged copy was damaged";
}

TEST_F(RunFaultsTest, FullDiskWhileStagingKeepsTheEarlierStagedCopy) {
  if (!SmallProgramFolder(1 << 20)) GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
  Put(Staged(), kCatalogue);
  host_.csv_path = Catalogue(BigCatalogue(20000));
  EXPECT_FALSE(Run());
  ExpectFailedRun(host_, ENOSPC, OsErrorText(ENOSPC));
  EXPECT_EQ(Bytes(Staged()), kCatalogue);
  EXPECT_TRUE(Temporaries().empty());
}

TEST_F(RunFaultsTest, EndlessDeviceIsRefusedNotCopied) {
  // /dev/zero never ends: copying it would fill the disk. A tmpfs keeps a faulty copy small.
  if (!SmallProgramFolder(1 << 20)) GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
  Put(Staged(), kCatalogue);
  host_.csv_path = "/dev/zero";
  EXPECT_FALSE(Run());
  ExpectFailedRun(host_, ENODEV, "「/dev/zero」は装置のファイルです。");
  EXPECT_EQ(Bytes(Staged()), kCatalogue);
  EXPECT_TRUE(Temporaries().empty());
}

// A host whose catalogue is deleted right after the path check, as the run turns busy.
class VanishingCatalogueHost : public RecordingHost {
 public:
  void SetMousePointer(MousePointer p) override {
    if (p == kPointerHourglass) fs::remove(csv_path);
    RecordingHost::SetMousePointer(p);
  }
};

TEST_F(RunFaultsTest, CatalogueDeletedAfterThePathCheck) {
  Put(Staged(), kCatalogue);
  VanishingCatalogueHost host;
  host.folder = folder_;
  host.csv_path = Catalogue(BigCatalogue(10));
  EXPECT_FALSE(ExecFilter(host));
  ExpectFailedRun(host, ENOENT, OsErrorText(ENOENT));
  EXPECT_EQ(Bytes(Staged()), kCatalogue);
  EXPECT_TRUE(Temporaries().empty());
}

TEST_F(RunFaultsTest, UnusableDataSourceDescriptions) {
  const std::string earlier = "商品コード\r\nold\r\n";
  Put(Staged(), earlier);
  host_.csv_path = Catalogue(kCatalogue);
  const std::string file =
      "データソースの設定ファイルを使用できません。「" + folder_ + "/datasource.dsn」";
  struct Case {
    std::string bytes;
    std::string part;
  } cases[] = {
      {"", file + "は空です。"},
      {"\xEF\xBB\xBF", file + "は空です。"},
      {std::string("\x7F"
                   "ELF\x02\x01\x01\0\0\0",
                   10),
       file + "はテキストファイルではありません。"},
      {"[ODBC]\nDRIVER=\xFF\xFE\n", file + "はテキストファイルではありません。"},
      {"[ODBC]\nDRIVER=Microsoft Text Driver (*.txt; *.csv)\n",
       "ドライバー「Microsoft Text Driver (*.txt; *.csv)」はありません。"},
      {"[ODBC]\nDefaultDir=.\n", "ドライバーが指定されていません（DRIVER）。"},
      {"DRIVER=Sorbel CSV\n", file + "に[ODBC]セクションがありません。"},
  };
  for (const Case& c : cases) {
    Put(folder_ + "/datasource.dsn", c.bytes);
    EXPECT_FALSE(Run());
    ExpectFailedRun(host_, kErrDataSource, c.part);
    std::string staged = Bytes(Staged());
    EXPECT_TRUE(staged == earlier || staged == kCatalogue) << "a damaged staged copy: " << staged;
  }
  fs::remove(folder_ + "/datasource.dsn");
  fs::create_directory(folder_ + "/datasource.dsn");
  EXPECT_FALSE(Run());
  ExpectFailedRun(host_, kErrDataSource, file + "：" + OsErrorText(EISDIR));
}

// A spreadsheet that cannot be started, as when the office is not installed.
class MissingSpreadsheet : public SpreadsheetHost {
 public:
  std::unique_ptr<SpreadsheetApplication> CreateApplication() override {
    throw Error(kErrSpreadsheet, "LibreOffice（soffice）が見つかりません。");
  }
};

class HostWithMissingSpreadsheet : public RecordingHost {
 public:
  MissingSpreadsheet spreadsheet;
  SpreadsheetHost* Spreadsheet() override { return &spreadsheet; }
};

TEST_F(RunFaultsTest, MissingSpreadsheetIsToldButTheResultStands) {
  HostWithMissingSpreadsheet host;
  host.folder = folder_;
  host.csv_path = Catalogue(kCatalogue);
  EXPECT_TRUE(ExecFilter(host));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].icon, kIconNone);
  EXPECT_NE(host.messages[0].text.find("見つかりません"), std::string::npos);
  EXPECT_EQ(host.events.back(), "status ");
  EXPECT_EQ(host.events[host.events.size() - 2], "pointer 0");
  EXPECT_EQ(Bytes(folder_ + "/" + host.out_file_name), kCatalogue);
}

// Runs sorbel-filter from the program folder in a child process; answers its pid.
pid_t StartFilter(const std::string& exe, const std::string& csv, const std::string& err_path) {
  pid_t pid = ::fork();
  if (pid == 0) {
    FILE* err = std::freopen(err_path.c_str(), "w", stderr);
    FILE* out = std::freopen("/dev/null", "w", stdout);
    if (err == nullptr || out == nullptr) ::_exit(99);
    ::execl(exe.c_str(), exe.c_str(), "--csv", csv.c_str(), static_cast<char*>(nullptr));
    ::_exit(98);
  }
  return pid;
}

TEST_F(RunFaultsTest, TwoProgramsInOneFolderEachWriteAWholeResult) {
  const std::string exe = folder_ + "/sorbel-filter";
  fs::copy_file(SORBEL_FILTER_EXE, exe);
  const std::string a = BigCatalogue(25000, 'A');
  const std::string b = BigCatalogue(25000, 'B');
  const std::string a_path = Catalogue(a, "a.csv");
  const std::string b_path = Catalogue(b, "b.csv");
  for (int round = 0; round < 3; ++round) {
    pid_t first = StartFilter(exe, a_path, folder_ + "/a.err");
    pid_t second = StartFilter(exe, b_path, folder_ + "/b.err");
    for (pid_t pid : {first, second}) {
      int status = 0;
      ASSERT_EQ(::waitpid(pid, &status, 0), pid);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
          << Bytes(folder_ + "/a.err") << Bytes(folder_ + "/b.err");
    }
    // The staged copy is one catalogue whole, never a mix or a part.
    std::string staged = Bytes(Staged());
    EXPECT_TRUE(staged == a || staged == b) << "staged copy of " << staged.size() << " bytes";
  }
  // Six results, each one catalogue whole: the staged file changed only between reads.
  int results = 0;
  for (const auto& e : fs::directory_iterator(folder_)) {
    if (!e.path().string().ends_with("_articles.csv")) continue;
    ++results;
    std::string bytes = Bytes(e.path());
    EXPECT_TRUE(bytes == a || bytes == b) << e.path() << " holds " << bytes.size() << " bytes";
  }
  EXPECT_EQ(results, 6);
  EXPECT_TRUE(Temporaries().empty());
}

// A host that cuts the catalogue short as the query starts, as a download still being written
// or a file replaced in place would.
class TruncatingHost : public RecordingHost {
 public:
  off_t cut_at = 0;
  void SetStatusText(const std::string& text) override {
    if (text == "データを読み込んでいます...") {
      EXPECT_EQ(::truncate(csv_path.c_str(), cut_at), 0);
    }
    RecordingHost::SetStatusText(text);
  }
};

// Cut at a record's end, the file reads as a shorter catalogue; cut inside a quoted value, as a
// faulty one. Either way the user hears that the file changed, whichever file was chosen.
TEST_F(RunFaultsTest, ACatalogueCutShortDuringTheRunIsToldAsChanged) {
  std::string csv = "商品コード,商品名,送料無料\r\n";
  for (int i = 0; i < 50000; ++i) {
    csv += 'A';
    csv += std::to_string(i);
    csv += ",\"ケトル\r\n白\",1\r\n";
  }
  const off_t boundary = static_cast<off_t>(csv.find("A40000,"));
  for (bool staged_itself : {true, false}) {
    for (off_t cut : {boundary, boundary + 10}) {
      TruncatingHost host;
      host.folder = folder_;
      host.csv_path = staged_itself ? Staged() : Catalogue(csv);
      Put(host.csv_path, csv);
      host.cut_at = cut;
      EXPECT_FALSE(ExecFilter(host)) << staged_itself << " " << cut;
      ASSERT_EQ(host.messages.size(), 1u);
      EXPECT_NE(host.messages[0].text.find("読み込みの途中でファイルが変更されました。"),
                std::string::npos)
          << host.messages[0].text;
    }
  }
}

// A host that ends its process without warning when the run reaches a chosen status text.
class DyingHost : public RecordingHost {
 public:
  std::string die_at;
  void SetStatusText(const std::string& text) override {
    if (text == die_at) ::raise(SIGKILL);
  }
};

// Runs the filter in a child process set up by `prepare`; answers the signal that ended it.
template <typename F>
int RunInChild(RecordingHost& host, F prepare) {
  pid_t child = ::fork();
  if (child == 0) {
    prepare();
    ExecFilter(host);
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

// A host that gets a request to end the program (as from a logout or Ctrl+C) at a status.
class SignalledHost : public RecordingHost {
 public:
  std::string signal_at;
  int signal = SIGTERM;
  void SetStatusText(const std::string& text) override {
    RecordingHost::SetStatusText(text);
    if (text == signal_at) ::raise(signal);
  }
};

// TERM, INT and HUP stop a run while the catalogue is copied and read: it fails and says so,
// and leaves no temporary file, no result and the staged copy as it was.
TEST_F(RunFaultsTest, EndRequestsStopARunTidily) {
  std::string big = kCatalogue;
  for (int i = 0; i < 200000; ++i) big += "B" + std::to_string(i) + ",棚,1\r\n";
  Put(Staged(), kCatalogue);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SignalledHost host;
    host.folder = folder_;
    host.csv_path = Catalogue(big);
    host.signal_at = "データを読み込んでいます...";
    host.signal = signal;
    const pid_t child = ::fork();
    if (child == 0) {
      CatchEndRequests();
      const bool written = ExecFilter(host);
      const bool told = host.messages.size() == 1 &&
                        host.messages[0].text.starts_with(std::to_string(kErrStopped) + ":");
      ::_exit(written ? 2 : told ? 1 : 3);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << signal << " " << status;
    EXPECT_TRUE(Temporaries().empty()) << signal;
    EXPECT_EQ(Bytes(Staged()), kCatalogue);
  }
  for (const auto& e : fs::directory_iterator(folder_)) {
    EXPECT_FALSE(e.path().filename().string().ends_with("_articles.csv")) << e.path();
  }
}

// Runs killed half-way leave temporary files, never a result's name, not even an empty one;
// the next run removes what a dead run left and nothing else: not a live run's file, not one
// another process holds with a record lock, not a user's look-alike.
TEST_F(RunFaultsTest, KilledRunsLeaveNoPartialResultAndTheNextRunTidiesUp) {
  std::string big = kCatalogue;
  for (int i = 0; i < 200000; ++i) {
    big += 'B';
    big += std::to_string(i);
    big += ",棚,1\r\n";
  }
  // Killed while the catalogue is copied and read.
  DyingHost copying;
  copying.folder = folder_;
  copying.csv_path = Catalogue(big);
  copying.die_at = "データを読み込んでいます...";
  EXPECT_EQ(RunInChild(copying, [] {}), SIGKILL);
  // Stopped by a file size limit while the result is written (the catalogue is the staged
  // file itself, so nothing else is written).
  Put(Staged(), big);
  host_.csv_path = Staged();
  host_.clock.now.second = 8;
  EXPECT_EQ(RunInChild(host_,
                       [] {
                         struct rlimit small = {1 << 20, 1 << 20};
                         ::setrlimit(RLIMIT_FSIZE, &small);
                       }),
            SIGXFSZ);

  auto results = [&] {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder_)) {
      std::string name = e.path().filename();
      if (name.ends_with("_articles.csv")) names.push_back(name);
    }
    return names;
  };
  // The second run removed the first one's copy as it started: that run was gone.
  EXPECT_TRUE(results().empty());
  EXPECT_EQ(Temporaries().size(), 1u);
  const pid_t dead = ::fork();
  if (dead == 0) ::_exit(0);
  ::waitpid(dead, nullptr, 0);
  const std::string d = "." + std::to_string(dead) + ".";
  // A live run's file (pid 1 lives), a dead one's held by a record lock, a user's own.
  std::set<std::string> kept = {
      folder_ + "/.articles.csv.1.2.tmp", folder_ + "/.articles.csv" + d + "7.tmp",
      folder_ + "/.articles.csv.notes.tmp", folder_ + "/.my_articles.csv" + d + "2.tmp"};
  for (const std::string& path : kept) Put(path, "x");
  Put(folder_ + "/my_articles.csv", "");
  const OpenFile held = OpenFile::FromNativeHandle(
      ::open((folder_ + "/.articles.csv" + d + "7.tmp").c_str(), O_RDWR));
  ASSERT_EQ(::lockf(static_cast<int>(held.NativeHandle()), F_TLOCK, 0), 0);
  // The set-aside files' temporaries that a killed run left go too.
  Put(folder_ + "/.20120201090507_articles_rejected.csv" + d + "2.tmp", "x");
  Put(folder_ + "/.20120201090507_2_articles_rejected.txt" + d + "3.tmp", "x");
  // lockf is seen only from another process.
  if (const pid_t cleaner = ::fork(); cleaner == 0) {
    RemoveLeftovers(folder_);
    ::_exit(0);
  } else {
    ::waitpid(cleaner, nullptr, 0);
  }
  EXPECT_EQ(results(), std::vector<std::string>{"my_articles.csv"});
  const std::vector<std::string> left = Temporaries();
  EXPECT_EQ(std::set<std::string>(left.begin(), left.end()), kept);
  EXPECT_EQ(Bytes(Staged()), big);
}

}  // namespace
}  // namespace sorbel
