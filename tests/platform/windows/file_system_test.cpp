// The file system and process ports on Windows, run under Wine: what the run relies on where
// Windows differs most from POSIX (renames, locks, streams, shared positions, error numbers).
#include <errno.h>
#include <sqlite3.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>

#include "gtest/gtest.h"
#include "platform/error.h"
#include "platform/file_copy.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/windows/wide_text.h"

namespace sorbel {
namespace {

class WindowsFileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1];
    ASSERT_GT(::GetTempPathW(MAX_PATH + 1, temp), 0u);
    folder_ = Utf8(temp) + "sorbel-test-" + std::to_string(ProcessId()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
    ASSERT_TRUE(::CreateDirectoryW(Wide(folder_).c_str(), nullptr));
  }
  void TearDown() override {
    for (const std::string& name : FolderEntries(folder_)) RemoveFile(Path(name));
    ::RemoveDirectoryW(Wide(folder_).c_str());
  }

  std::string Path(const std::string& name) const { return folder_ + "/" + name; }

  void WriteFile(const std::string& name, const std::string& text) {
    OpenFile file = OpenForWriting(Path(name), WriteStart::kCreatedIfMissing);
    file.Write(text);
    file.Close();
  }

  std::string ReadAll(const std::string& name) {
    OpenFile file = OpenForReading(Path(name));
    std::string text(1024, '\0');
    text.resize(file.Read(text.data(), text.size()));
    return text;
  }

  std::string folder_;
};

TEST_F(WindowsFileSystemTest, PutInPlaceKeepsAnExistingFile) {
  WriteFile("new.tmp", "new");
  WriteFile("result.csv", "old");
  EXPECT_FALSE(PutInPlaceIfFree(Path("new.tmp"), Path("result.csv")));
  EXPECT_EQ(ReadAll("result.csv"), "old");
  EXPECT_EQ(ReadAll("new.tmp"), "new");

  ASSERT_TRUE(RemoveFile(Path("result.csv")));
  EXPECT_TRUE(PutInPlaceIfFree(Path("new.tmp"), Path("result.csv")));
  EXPECT_EQ(ReadAll("result.csv"), "new");
  EXPECT_FALSE(FileStateOf(Path("new.tmp")));
}

TEST_F(WindowsFileSystemTest, JapaneseNamesRoundTrip) {
  const std::string name = "商品カタログ①ｶﾀﾛｸﾞ.csv";
  OpenFile created = CreateNew(Path(name));
  ASSERT_TRUE(created.IsOpen());
  created.Write("品番,", "価格\r\n");
  created.Close();
  EXPECT_FALSE(CreateNew(Path(name)).IsOpen());

  const std::vector<std::string> names = FolderEntries(folder_);
  EXPECT_EQ(names, std::vector<std::string>{name});
  const std::optional<FileState> state = FileStateOf(Path(name));
  ASSERT_TRUE(state);
  EXPECT_EQ(state->kind, FileKind::kRegular);
  EXPECT_EQ(state->size, static_cast<std::int64_t>(std::string("品番,価格\r\n").size()));
  EXPECT_EQ(ReadAll(name), "品番,価格\r\n");

  // Appends land at the end, after what another handle wrote meanwhile.
  OpenFile appending = OpenForWriting(Path(name), WriteStart::kAtEnd);
  WriteFile(name, "品番,価格,在庫\r\n");
  appending.Write("A1");
  appending.Close();
  EXPECT_EQ(ReadAll(name), "品番,価格,在庫\r\nA1");
}

TEST_F(WindowsFileSystemTest, RenameReplacesAFileThatIsOpen) {
  // The staged copy may still be open for reading when the new copy takes its name.
  WriteFile("articles.csv", "old");
  WriteFile("articles.tmp", "new");
  OpenFile reader = OpenForReading(Path("articles.csv"));
  RenameFile(Path("articles.tmp"), Path("articles.csv"));
  reader.Close();
  EXPECT_EQ(ReadAll("articles.csv"), "new");
  EXPECT_EQ(FolderEntries(folder_), std::vector<std::string>{"articles.csv"});
}

TEST_F(WindowsFileSystemTest, MarkInUseIsSeenByAnotherHandleAndStopsNoReader) {
  OpenFile marked = CreateNew(Path(".result.csv.1.2.tmp"));
  ASSERT_TRUE(marked.IsOpen());
  marked.Write("data");
  EXPECT_FALSE(HeldOrUnknown(Path(".result.csv.1.2.tmp")));
  marked.MarkInUse();
  EXPECT_TRUE(HeldOrUnknown(Path(".result.csv.1.2.tmp")));
  EXPECT_EQ(ReadAll(".result.csv.1.2.tmp"), "data");
  marked.Close();
  EXPECT_FALSE(HeldOrUnknown(Path(".result.csv.1.2.tmp")));
  EXPECT_TRUE(HeldOrUnknown(Path("missing.tmp")));
}

// In a stream where the volume has them, else in a file beside (Wine's drives): either way
// the note follows its file through a rename and never speaks for another file.
TEST_F(WindowsFileSystemTest, NotesStayWithTheirFileOnly) {
  WriteFile("articles.csv", "data");
  WriteFile("other.csv", "data");
  OpenFile file = OpenForReading(Path("articles.csv"));
  const FileState before = file.State();
  ASSERT_TRUE(file.WriteNote("sorbel.source", "3 1 2"));
  EXPECT_EQ(file.ReadNote("sorbel.source"), "3 1 2");
  EXPECT_EQ(file.State().modified, before.modified);
  EXPECT_FALSE(OpenForReading(Path("other.csv")).ReadNote("sorbel.source"));
  file.Close();
  RenameFile(Path("articles.csv"), Path("staged.csv"));
  EXPECT_EQ(OpenForReading(Path("staged.csv")).ReadNote("sorbel.source"), "3 1 2");
  // A new file under the old name is another file.
  WriteFile("articles.csv", "data");
  EXPECT_FALSE(OpenForReading(Path("articles.csv")).ReadNote("sorbel.source"));
}

TEST_F(WindowsFileSystemTest, ReadAtAndCopyRestKeepToThePosition) {
  WriteFile("in.csv", "0123456789");
  OpenFile in = OpenForReading(Path("in.csv"));
  char head[3];
  ASSERT_EQ(in.Read(head, 3), 3u);
  char at[4];
  ASSERT_EQ(in.ReadAt(6, at, 4), 4u);
  EXPECT_EQ(std::string(at, 4), "6789");
  EXPECT_EQ(in.ReadAt(10, at, 4), 0u);

  OpenFile out = CreateNew(Path("out.csv"));
  std::atomic<bool> stop{false};
  std::int64_t copied = 0;
  EXPECT_TRUE(CopyRest(in, out, stop, copied));
  EXPECT_EQ(copied, 7);
  EXPECT_EQ(in.Read(head, 3), 0u);
  out.Close();
  EXPECT_EQ(ReadAll("out.csv"), "3456789");
}

TEST_F(WindowsFileSystemTest, FailuresCarryTheErrnoValuesCallersCompare) {
  try {
    OpenForReading(Path("missing.csv"));
    ADD_FAILURE() << "opened a missing file";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), ENOENT);
    EXPECT_EQ(e.Description().find("Windows"), std::string::npos) << e.Description();
  }
  EXPECT_EQ(OpenForReading(folder_).State().kind, FileKind::kFolder);
  EXPECT_TRUE(RemoveFile(Path("missing.csv")));
  EXPECT_NE(OsErrorText(EEXIST), OsErrorText(ENOENT));
}

TEST(WindowsProcessTest, ProcessLivesForItselfNotForAnEndedOne) {
  EXPECT_TRUE(ProcessLives(ProcessId()));
  // This very program, told to run no test, as a process that has ended.
  wchar_t self[MAX_PATH];
  ASSERT_GT(::GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=-*";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &child));
  ::WaitForSingleObject(child.hProcess, INFINITE);
  ::CloseHandle(child.hThread);
  ::CloseHandle(child.hProcess);
  EXPECT_FALSE(ProcessLives(static_cast<long>(child.dwProcessId)));
  EXPECT_FALSE(BootId().empty());
  EXPECT_EQ(BootId().find(' '), std::string::npos);
}

TEST(WindowsSqliteTest, IsTheVersionTheLinuxBuildLinks) {
  EXPECT_STREQ(sqlite3_libversion(), "3.40.1");
}

}  // namespace
}  // namespace sorbel
