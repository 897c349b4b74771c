// Damaged and odd catalogues through the whole run: each gives the right result or one clear
// message, never a crash, a silently short result or a busy pointer left on.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "filter/filter_run.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "run_fixture.h"
#include "run_outcome.h"

namespace sorbel {
namespace {

const std::string kHeader = "商品コード,商品名,カテゴリー名,送料無料";

class BadCatalogueTest : public RunFixture {
 protected:
  // Runs over a catalogue holding `bytes`; true when the result was written.
  bool RunOn(const std::string& bytes) {
    host_.csv_path = Catalogue(bytes);
    return RunPath();
  }
  bool RunPath() {
    host_.events.clear();
    host_.messages.clear();
    host_.out_file_name.clear();
    return ExecFilter(host_);
  }
  // Puts `line` into datasource.dsn's [ODBC] section, e.g. "CharacterSet=UTF-8".
  void SetDsn(const std::string& line) {
    Put(folder_ + "/datasource.dsn", "[ODBC]\nDRIVER=Sorbel CSV\nDefaultDir=.\n" + line + "\n");
  }
  std::string Staged() const { return folder_ + "/articles.csv"; }
  // The start of every reader message about the catalogue: it names the chosen file, whose
  // line numbers the message gives, not the staged copy a failed run leaves as it was.
  std::string About() const { return "CSVファイル「" + host_.csv_path + "」"; }
};

TEST_F(BadCatalogueTest, FilesWithoutARecordAreErrors) {
  for (std::string bytes : {"", "\xEF\xBB\xBF", "\r\n\n\r", "\xEF\xBB\xBF\r\n"}) {
    EXPECT_FALSE(RunOn(bytes));
    ExpectFailedRun(host_, kErrCsvFormat, "」: ファイルが空です");
  }
}

TEST_F(BadCatalogueTest, HeaderAloneGivesAHeaderOnlyResult) {
  // With a line end, without, and after a byte order mark: the same empty table.
  for (std::string bytes : {kHeader + "\r\n", kHeader, "\xEF\xBB\xBF" + kHeader + "\n"}) {
    ASSERT_TRUE(RunOn(bytes)) << bytes;
    ExpectDoneRun(host_);
    EXPECT_EQ(Bytes(ResultPath()), kHeader + "\r\n\r\n");
  }
}

// A bad line among good ones is set aside (see the set-aside tests); a catalogue whose every
// line is bad fails, naming the first.
TEST_F(BadCatalogueTest, QuotingFaultsNameTheLine) {
  // A quote that runs to the end of the file: the download stopped inside a product.
  EXPECT_FALSE(RunOn(kHeader + "\r\n\r\nA2,\"never closed,家電,1\r\n"));
  ExpectFailedRun(host_, kErrCsvFormat, About() + "は途中で切れているようです（3行目");
  EXPECT_FALSE(RunOn(kHeader + "\nA1,\"abc\"def,家電,1\n"));
  ExpectFailedRun(host_, kErrCsvFormat, About() + "の2行目");
  // A quote inside an unquoted field is a character like any other.
  ASSERT_TRUE(RunOn(kHeader + "\nA1,37°36'37.8\"N 12\" pipe,家電,1\n"));
  EXPECT_EQ(Bytes(ResultPath()), kHeader + "\r\nA1,\"37°36'37.8\"\"N 12\"\" pipe\",家電,1\r\n");
}

TEST_F(BadCatalogueTest, BytesThatAreNoTextAreErrorsNamingLineAndBytes) {
  EXPECT_FALSE(RunOn(kHeader + "\nA1,ab" + std::string(1, '\0') + "c,家電,1\n"));
  ExpectFailedRun(host_, kErrCsvFormat, "2行目: NUL文字（0x00）があります。");

  SetDsn("CharacterSet=UTF-8");
  EXPECT_FALSE(RunOn(kHeader + "\nA2,bad \xE3\x81 cut,家電,1\n"));
  ExpectFailedRun(host_, kErrCsvFormat,
                  "2行目: 文字コード「UTF-8」として正しくないバイトがあります（0xE3 0x81");

  SetDsn("CharacterSet=CP932");
  EXPECT_FALSE(RunOn(FromUtf8(kHeader, "windows-31j") + "\r\nA1,\x85\x40,x,1\r\n"));
  ExpectFailedRun(host_, kErrCsvFormat,
                  "2行目: 文字コード「windows-31j」として正しくないバイトがあります（0x85");

  // Left to guess, a start that is neither UTF-8 nor CP932 (a picture, say) is no CSV text;
  // the window has no character set to choose, so the user is asked for another file.
  SetDsn("CharacterSet=auto");
  EXPECT_FALSE(RunOn(kHeader + "\nA1,\xE3\x81 \x85\x40,x,1\nA2,\xE3\x81 \x85\x40,x,1\n"));
  ExpectFailedRun(host_, kErrCsvFormat, "CSVのテキストファイルではないようです。");
  EXPECT_EQ(host_.messages[0].text.find("文字コードを指定"), std::string::npos);
}

// Another CSV file than the catalogue: the conditions' columns are missing, and the user is
// told so in words, with the file and the column.
TEST_F(BadCatalogueTest, AFileThatIsNotTheCatalogueIsToldSo) {
  host_.conditions.CategoryIndex = 1;
  host_.conditions.CategoryText = "家電";
  EXPECT_FALSE(RunOn("氏名,住所\r\n山田,東京\r\n"));
  ExpectFailedRun(
      host_, kErrNoSuchColumn,
      "」は商品データのCSVファイルではないようです（列「カテゴリー名」がありません）。");
  EXPECT_NE(host_.messages[0].text.find(host_.csv_path), std::string::npos);
}

TEST_F(BadCatalogueTest, Utf16IsRefusedWithAHint) {
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("a,b\r\n1,2\r\n")) utf16 += std::string{c, '\0'};
  EXPECT_FALSE(RunOn(utf16));
  ExpectFailedRun(host_, kErrCsvFormat, "UTF-16のファイルは読めません");
  // Without a byte order mark its NUL bytes give it away.
  EXPECT_FALSE(RunOn(utf16.substr(2)));
  ExpectFailedRun(host_, kErrCsvFormat, "NUL文字（0x00）");
}

// A spreadsheet chosen instead of its CSV export is told as what it is, whatever the setting.
TEST_F(BadCatalogueTest, ExcelFilesAreToldToBeSavedAsCsv) {
  for (const char* setting : {"CharacterSet=auto", "CharacterSet=CP932"}) {
    SetDsn(setting);
    EXPECT_FALSE(RunOn(std::string("PK\x03\x04\x14\0\x06\0", 8) + "[Content_Types].xml"));
    ExpectFailedRun(host_, kErrCsvFormat,
                    About() + ": Excelのファイル（.xlsx）かZIPファイルのようです。");
    EXPECT_FALSE(RunOn("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + std::string(504, '\0')));
    ExpectFailedRun(host_, kErrCsvFormat, About() + ": Excelのファイル（.xls）のようです。");
  }
}

// One bad byte in the sample catalogue, in CP932 as shipped and saved as UTF-8: "auto" still
// tells the character set, and only that product is set aside.
TEST_F(BadCatalogueTest, ABadByteInTheFirstMiBSetsOnlyItsRecordAside) {
  const std::string sample =
      Bytes(std::string(getenv("SORBEL_SOURCE_DIR")) + "/samples/article.csv");
  for (const std::string& bytes : {sample, ToUtf8(sample, "windows-31j")}) {
    std::string damaged = bytes;
    damaged.insert(damaged.find("\n000004,") + 8, "\xFD\xFE");
    ASSERT_TRUE(RunOn(damaged));
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0].icon, kIconWarning);
    EXPECT_NE(host_.messages[0].text.find("読めない行が1行ありました（36行目）"), std::string::npos)
        << host_.messages[0].text;
    std::string result = ToUtf8(Bytes(ResultPath()), SystemCodePage());
    EXPECT_EQ(result.find("\n000004,"), std::string::npos);
    EXPECT_NE(result.find("\n000005,"), std::string::npos);
  }
}

TEST_F(BadCatalogueTest, MixedLineEndsEndRecordsAlike) {
  ASSERT_TRUE(RunOn(kHeader + "\rA1,a,家電,1\nA2,\"b\r\nc\",家電,1\r\nA3,d,家電,1\r\rA4,e,家電,1"));
  ExpectDoneRun(host_);
  EXPECT_EQ(Bytes(ResultPath()), kHeader +
                                     "\r\nA1,a,家電,1\r\nA2,\"b\r\nc\",家電,1\r\nA3,d,家電,1\r\n"
                                     "A4,e,家電,1\r\n");
}

TEST_F(BadCatalogueTest, RaggedRows) {
  // Short rows get empty fields; trailing empty extras are dropped.
  ASSERT_TRUE(RunOn(kHeader + "\nA1,a\nA2,b,家電,1,,\"\"\n"));
  EXPECT_EQ(Bytes(ResultPath()), kHeader + "\r\nA1,a,,\r\nA2,b,家電,1\r\n");
  // An extra field with a value would be lost: an error naming the line instead.
  EXPECT_FALSE(RunOn(kHeader + "\n\nA2,b,家電,1,extra\n"));
  ExpectFailedRun(host_, kErrCsvFormat, About() + "の3行目: 見出し行より項目が多く、5番目の項目");
}

TEST_F(BadCatalogueTest, ColumnNamesAreMadeUniqueAndTheRunStillFilters) {
  host_.conditions.CategoryIndex = 1;
  host_.conditions.CategoryText = "家電";
  ASSERT_TRUE(RunOn("商品コード,カテゴリー名,,カテゴリー名,\n1,家電,a,家具,b\n2,家具,c,家電,d\n"));
  EXPECT_EQ(Bytes(ResultPath()),
            "商品コード,カテゴリー名,列3,カテゴリー名_2,列5\r\n1,家電,a,家具,b\r\n");
}

TEST_F(BadCatalogueTest, TenThousandColumnsAreRefused) {
  std::string header = "c0";
  for (int i = 1; i < 10000; ++i) header += ",c" + std::to_string(i);
  EXPECT_FALSE(RunOn(header + "\n" + std::string(9999, ',') + "\n"));
  ExpectFailedRun(host_, kErrCsvFormat, "列が多すぎます（10000列。2000列までです）");
}

TEST_F(BadCatalogueTest, HundredMegabyteFieldComesThroughWhole) {
  const std::string head = "商品コード,説明\nA1,\"y";
  const std::string tail = "z\"\nA2,short\n";
  const size_t field = 100 << 20;
  {
    std::string path = Catalogue("");
    std::ofstream out(path, std::ios::binary);
    std::string chunk(1 << 20, 'x');
    out << head;
    for (size_t done = 2; done < field; done += chunk.size()) {
      out.write(chunk.data(), static_cast<std::streamsize>(std::min(chunk.size(), field - done)));
    }
    out << tail;
    host_.csv_path = path;
  }
  ASSERT_TRUE(RunPath());
  ExpectDoneRun(host_);
  // Only the ends are read back: the size says the middle is all there.
  const std::string expected_tail = "xz\r\nA2,short\r\n";
  EXPECT_EQ(std::filesystem::file_size(ResultPath()),
            std::string("商品コード,説明\r\nA1,").size() + field + expected_tail.size() - 2);
  std::ifstream in(ResultPath(), std::ios::binary);
  in.seekg(-static_cast<std::streamoff>(expected_tail.size()), std::ios::end);
  std::string end(expected_tail.size(), '\0');
  in.read(end.data(), static_cast<std::streamsize>(end.size()));
  EXPECT_EQ(end, expected_tail);
}

TEST_F(BadCatalogueTest, MillionTinyRowsAreAllThere) {
  std::string bytes = "商品コード,送料無料\n";
  bytes.reserve(6 << 20);
  for (int i = 0; i < 1000000; ++i) bytes += (i % 2 ? "1,1\n" : "0,0\n");
  host_.conditions.FreeShippingOnly = true;
  ASSERT_TRUE(RunOn(bytes));
  ExpectDoneRun(host_);
  std::string result = Bytes(ResultPath());
  EXPECT_EQ(result.size(), std::string("商品コード,送料無料\r\n").size() + 500000 * 5);
  EXPECT_TRUE(result.ends_with("1,1\r\n1,1\r\n"));
}

TEST_F(BadCatalogueTest, FoldersAndDevicesAreNoCatalogues) {
  host_.csv_path = folder_;
  EXPECT_FALSE(RunPath());
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].text, "CSVファイルに指定したパスは無効です。");
  EXPECT_TRUE(host_.events ==
              std::vector<std::string>{"box CSVファイルに指定したパスは無効です。"});

  // A device passes the path check but is refused before anything is copied from it.
  host_.csv_path = "/dev/null";
  EXPECT_FALSE(RunPath());
  ExpectFailedRun(host_, ENODEV, "「/dev/null」は装置のファイルです。");
  // So are a named pipe, at once, although nobody writes to it, and a socket.
  host_.csv_path = folder_ + "/pipe.csv";
  ASSERT_EQ(::mkfifo(host_.csv_path.c_str(), 0600), 0);
  EXPECT_FALSE(RunPath());
  ExpectFailedRun(host_, EINVAL, "「" + host_.csv_path + "」はパイプなどの特殊なファイルです。");
  host_.csv_path = folder_ + "/socket.csv";
  int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  struct sockaddr_un address {};
  address.sun_family = AF_UNIX;
  ASSERT_LT(host_.csv_path.size(), sizeof address.sun_path);
  std::memcpy(address.sun_path, host_.csv_path.c_str(), host_.csv_path.size() + 1);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  EXPECT_FALSE(RunPath());
  ExpectFailedRun(host_, EINVAL, "「" + host_.csv_path + "」はパイプなどの特殊なファイルです。");
  ::close(listener);
}

}  // namespace
}  // namespace sorbel
