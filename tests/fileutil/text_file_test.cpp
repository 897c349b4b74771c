// clsTextFile on real files: order of checks, exact bytes written, failure messages from the OS
// (a missing file, a folder, a path under a file, a full device, a pipe without a reader).
#include "fileutil/text_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fileutil/file_exists.h"
#include "tests/new_folder.h"
#include "text/escaped_characters.h"

namespace sorbel {
namespace {

namespace fs = std::filesystem;

constexpr char kNotFound[] = "ファイルが見つかりません。";

class TextFileTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = sorbel::testing::NewTempFolder("sorbel-textfile"); }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  static std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  static void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }

  std::string dir_;
};

TEST_F(TextFileTest, MissingFileIsReportedAndNeverCreated) {
  clsTextFile tf("UTF-8");
  std::string content = "before";
  std::string missing = Path("missing.csv");
  EXPECT_FALSE(tf.ReadText(missing, content));
  EXPECT_EQ(content, "before");
  EXPECT_EQ(tf.Message(), kNotFound);
  // The existence test comes before the empty-content shortcut.
  EXPECT_FALSE(tf.WriteText(missing, ""));
  EXPECT_FALSE(tf.WriteText(missing, "abc"));
  EXPECT_FALSE(tf.ClearText(missing));
  EXPECT_EQ(tf.Message(), kNotFound);
  EXPECT_FALSE(fs::exists(missing));
}

TEST_F(TextFileTest, CreateThenWriteGivesExactBytes) {
  clsTextFile tf("UTF-8");
  std::string p = Path("out.csv");
  ASSERT_TRUE(tf.CreateText(p));
  EXPECT_EQ(fs::file_size(p), 0u);
  ASSERT_TRUE(tf.WriteText(p, "abc"));
  EXPECT_EQ(Bytes(p), "abc\r\n");
  // Empty content changes nothing, not even a line end.
  ASSERT_TRUE(tf.WriteText(p, ""));
  EXPECT_EQ(Bytes(p), "abc\r\n");
  // A second write appends; inner line breaks are kept as they are.
  ASSERT_TRUE(tf.WriteText(p, "x\ny\r\nz"));
  EXPECT_EQ(Bytes(p), "abc\r\nx\ny\r\nz\r\n");
  EXPECT_EQ(tf.Message(), "");
}

TEST_F(TextFileTest, CreateKeepsAnExistingFileAndClearEmptiesIt) {
  clsTextFile tf("UTF-8");
  std::string p = Path("keep.csv");
  Put(p, "old content");
  EXPECT_TRUE(tf.CreateText(p));
  EXPECT_EQ(Bytes(p), "old content");
  EXPECT_TRUE(tf.ClearText(p));
  EXPECT_EQ(fs::file_size(p), 0u);
}

TEST_F(TextFileTest, ReadGivesTheWholeContent) {
  clsTextFile tf("UTF-8");
  std::string p = Path("in.csv");
  std::string big(300000, 'q');
  Put(p, "商品名,価格\r\n" + big);
  std::string content;
  ASSERT_TRUE(tf.ReadText(p, content));
  EXPECT_EQ(content, "商品名,価格\r\n" + big);
}

TEST_F(TextFileTest, Cp932FilesAreConvertedBothWays) {
  clsTextFile tf("windows-31j");
  std::string p = Path("sjis.csv");
  ASSERT_TRUE(tf.CreateText(p));
  ASSERT_TRUE(tf.WriteText(p, "①㈱髙,家電"));
  EXPECT_EQ(Bytes(p), "\x87\x40\x87\x8a\xfb\xfc,\x89\xc6\x93\x64\r\n");
  std::string content;
  ASSERT_TRUE(tf.ReadText(p, content));
  EXPECT_EQ(content, "①㈱髙,家電\r\n");
  // A character CP932 lacks is kept as a character reference, and the text goes on; the
  // writer hears of it.
  ASSERT_TRUE(tf.ClearText(p));
  EscapedCharacters escaped;
  ASSERT_TRUE(tf.WriteText(p, "a😀b\u200B", &escaped));
  EXPECT_EQ(Bytes(p), "a&#128512;b&#8203;\r\n");
  EXPECT_EQ(escaped.InOrder(), (std::vector<char32_t>{0x1F600, 0x200B}));
}

TEST_F(TextFileTest, FolderAndPathUnderAFileAreNotFiles) {
  clsTextFile tf("UTF-8");
  std::string content;
  EXPECT_FALSE(FileExists(dir_));
  EXPECT_FALSE(FileExists(""));
  EXPECT_FALSE(tf.ReadText(dir_, content));
  EXPECT_EQ(tf.Message(), kNotFound);
  // Creating over a folder or under a regular file fails with the OS's own error.
  EXPECT_FALSE(tf.CreateText(dir_));
  EXPECT_EQ(tf.Message().rfind("21:", 0), 0u) << tf.Message();  // EISDIR
  std::string file = Path("plain");
  Put(file, "x");
  EXPECT_FALSE(tf.CreateText(file + "/child.csv"));
  EXPECT_EQ(tf.Message().rfind("20:", 0), 0u) << tf.Message();  // ENOTDIR
  EXPECT_FALSE(tf.CreateText(""));
  EXPECT_EQ(tf.Message().rfind("2:", 0), 0u) << tf.Message();
}

TEST_F(TextFileTest, NulInANameNeverReachesAnotherFile) {
  clsTextFile tf("UTF-8");
  std::string p = Path("a");
  std::string with_nul = p + std::string("\0b", 2);
  EXPECT_FALSE(tf.CreateText(with_nul));
  EXPECT_FALSE(fs::exists(p));
}

TEST_F(TextFileTest, FullDeviceReportsTheWriteError) {
  if (!FileExists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  clsTextFile tf("UTF-8");
  EXPECT_FALSE(tf.WriteText("/dev/full", "abc"));
  EXPECT_EQ(tf.Message().rfind("28:", 0), 0u) << tf.Message();  // ENOSPC
  // Form: number, colon, description; no blanks around the colon.
  EXPECT_EQ(tf.Message().find(" :"), std::string::npos);
  EXPECT_NE(tf.Message()[3], ' ');
}

TEST_F(TextFileTest, FailedOpenReportsItsOwnError) {
  // A pipe without a reader cannot be opened for writing (ENXIO); no follow-on error shows.
  std::string fifo = Path("pipe");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  clsTextFile tf("UTF-8");
  EXPECT_FALSE(tf.WriteText(fifo, "abc"));
  EXPECT_EQ(tf.Message().rfind("6:", 0), 0u) << tf.Message();
  EXPECT_FALSE(tf.ClearText(fifo));
  EXPECT_EQ(tf.Message().rfind("6:", 0), 0u) << tf.Message();
  // Reading a pipe or device would never end; it is refused, not waited on.
  std::string content = "unchanged";
  EXPECT_FALSE(tf.ReadText(fifo, content));
  EXPECT_EQ(content, "unchanged");
  EXPECT_EQ(tf.Message().rfind("22:", 0), 0u) << tf.Message();
}

TEST_F(TextFileTest, FailedReadIsAFailure) {
  // Reading our own memory image from offset 0 opens fine and then fails with EIO.
  clsTextFile tf("UTF-8");
  std::string content = "unchanged";
  EXPECT_FALSE(tf.ReadText("/proc/self/mem", content));
  EXPECT_EQ(content, "unchanged");
  EXPECT_EQ(tf.Message().rfind("5:", 0), 0u) << tf.Message();
}

TEST_F(TextFileTest, MessageSurvivesSuccessAndStartsEmpty) {
  clsTextFile tf("UTF-8");
  EXPECT_EQ(tf.Message(), "");
  std::string p = Path("m.csv");
  EXPECT_FALSE(tf.ClearText(p));
  EXPECT_TRUE(tf.CreateText(p));
  EXPECT_EQ(tf.Message(), kNotFound);
  EXPECT_EQ(clsTextFile("UTF-8").Message(), "");
}

}  // namespace
}  // namespace sorbel
