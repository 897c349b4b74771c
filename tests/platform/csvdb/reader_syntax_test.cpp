// How the reader splits bytes into records and fields: quoting, line ends, blank lines, ragged
// rows, malformed files (each error naming file and line), buffer edges, huge fields, Rewind.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "platform/csvdb/csv_reader.h"
#include "platform/error.h"
#include "platform/open_file.h"
#include "tests/platform/csvdb/reader_test_files.h"

namespace sorbel::csvdb {
namespace {

using testing::ReadAll;
using testing::Rows;
using testing::TempFolder;

// Runs `read` and expects a format error naming `path` and `line`, with `detail` in it.
template <typename F>
void ExpectFormatError(F read, const std::string& path, int line, const std::string& detail) {
  try {
    read();
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), kErrCsvFormat) << e.Description();
    EXPECT_NE(e.Description().find(path), std::string::npos) << e.Description();
    EXPECT_NE(e.Description().find(std::to_string(line) + "行目"), std::string::npos)
        << e.Description();
    EXPECT_NE(e.Description().find(detail), std::string::npos) << e.Description();
  }
}

TEST(ReaderSyntaxTest, QuotedFieldsKeepDelimitersQuotesAndLineBreaksExactly) {
  TempFolder dir;
  std::string path = dir.Write(
      "a,b,c\n"
      "\"x,y\",\"he said \"\"hi\"\"\",\"one\r\ntwo\nthree\rfour\"\n"
      "\"\",\"\"\"\",\"\"\"\"\"\"\"\"\n");
  EXPECT_EQ(ReadAll(path), (Rows{{"x,y", "he said \"hi\"", "one\r\ntwo\nthree\rfour"},
                                 {"<null>", "\"", "\"\"\""}}));
}

TEST(ReaderSyntaxTest, RecordsEndAtLfCrLfOrLoneCrAndTheLastNeedsNoLineEnd) {
  TempFolder dir;
  std::string path = dir.Write("h1,h2\r\n1,2\r\n3,4\n5,6\r7,8");
  auto reader = CsvReader::Open(path, CsvFormat{});
  Rows rows;
  std::vector<std::int64_t> lines;
  while (reader->Next()) {
    rows.push_back({std::string(reader->Field(0).text), std::string(reader->Field(1).text)});
    lines.push_back(reader->RecordLine());
  }
  EXPECT_EQ(rows, (Rows{{"1", "2"}, {"3", "4"}, {"5", "6"}, {"7", "8"}}));
  EXPECT_EQ(lines, (std::vector<std::int64_t>{2, 3, 4, 5}));
  EXPECT_EQ(reader->ColumnNames(), (std::vector<std::string>{"h1", "h2"}));
}

TEST(ReaderSyntaxTest, LineNumbersCountBreaksInsideFieldsAndBlankLines) {
  TempFolder dir;
  std::string path = dir.Write("a,b\n\n1,\"x\ny\r\nz\"\n\n\n2,w\n\"\"\n");
  auto reader = CsvReader::Open(path, CsvFormat{});
  std::vector<std::int64_t> lines;
  Rows rows;
  while (reader->Next()) {
    lines.push_back(reader->RecordLine());
    rows.push_back({std::string(reader->Field(0).text), std::string(reader->Field(1).text)});
  }
  // Blank lines hold no record; a line of "" is a record whose one field is empty.
  EXPECT_EQ(lines, (std::vector<std::int64_t>{3, 8, 9}));
  EXPECT_EQ(rows, (Rows{{"1", "x\ny\r\nz"}, {"2", "w"}, {"", ""}}));
}

// Line ends of every kind wherever they fall in the count's steps, counted in the buffer
// record by record, and read again from the file when only a few records far apart ask.
TEST(ReaderSyntaxTest, LineNumbersHoldWhereverLineEndsFall) {
  TempFolder dir;
  std::mt19937 random(7);
  const std::vector<std::string> ends = {"\n", "\r\n", "\r", "\n\n", "\r\r\n"};
  std::string text = "a\n";
  std::vector<std::int64_t> expected;
  for (std::int64_t line = 2; expected.size() < 150000;) {
    expected.push_back(line);
    text += std::string(random() % 40 + 1, 'x');
    const std::string& end = ends[random() % ends.size()];
    text += end;
    line += end.size() == 3 || end == "\n\n" ? 2 : 1;
  }
  std::string path = dir.Write(text);
  for (std::size_t step : {std::size_t{1}, std::size_t{40000}}) {
    auto reader = CsvReader::Open(path, CsvFormat{});
    for (std::size_t i = 0; reader->Next(); ++i) {
      if (i % step == 0) {
        ASSERT_EQ(reader->RecordLine(), expected[i]) << i;
      }
    }
  }
}

TEST(ReaderSyntaxTest, ByteOrderMarkIsSkippedAndHeaderNamesAreExact) {
  TempFolder dir;
  std::string path = dir.Write(
      "\xEF\xBB\xBF"
      "商品コード, 商品名 ,\"a,b\"\n1,2,3\n");
  auto reader = CsvReader::Open(path, CsvFormat{});
  EXPECT_EQ(reader->ColumnNames(), (std::vector<std::string>{"商品コード", " 商品名 ", "a,b"}));
  EXPECT_EQ(reader->Charset(), "UTF-8");
}

// Records followed by this much more are read by whole 64-byte blocks; at the end of a file
// they are read byte event by byte event. Quote faults must come out the same both ways.
std::string Filler(int columns) {
  std::string row;
  for (int c = 0; c < columns; ++c) row += c ? ",9" : "9";
  std::string filler;
  while (filler.size() < 200) filler += row + "\n";
  return filler;
}

TEST(ReaderSyntaxTest, QuoteInsideAnUnquotedFieldIsText) {
  TempFolder dir;
  for (const std::string& more : {std::string(), Filler(3)}) {
    // Only a quote that starts a field opens a quoted field; 37.8"N and a blank before a
    // quote are text as written, and the comma after them still separates.
    std::string path = dir.Write("a,b,c\n37.8\"N,12\" x, \"y\"\na\"b,c\",d\n" + more);
    Rows rows = ReadAll(path);
    rows.resize(2);
    EXPECT_EQ(rows, (Rows{{"37.8\"N", "12\" x", " \"y\""}, {"a\"b", "c\"", "d"}}));
  }
}

TEST(ReaderSyntaxTest, MalformedQuotingIsAnErrorNamingFileAndLine) {
  TempFolder dir;
  // Never closed: the error names the line of the opening quote, not the end of the file.
  std::string open_quote = dir.Write("a,b\n1,2\n3,\"never\nclosed\n5,6\n", "open.csv");
  ExpectFormatError([&] { ReadAll(open_quote); }, open_quote, 3, "途中で切れている");
  // Text after a closing quote cannot be read one way only.
  for (const std::string& more : {std::string(), Filler(2)}) {
    std::string after = dir.Write("a,b\n1,2\n3,\"x\ny\"z\n" + more, "after.csv");
    ExpectFormatError([&] { ReadAll(after); }, after, 4, "閉じる引用符");
    std::string first = dir.Write("a,b\n\"x\"y,2\n" + more, "first.csv");
    ExpectFormatError([&] { ReadAll(first); }, first, 2, "閉じる引用符");
    // The closing quote as the last byte of a 64-byte block, the stray byte after it.
    std::string edge = dir.Write("a,b\n\"" + std::string(62, 'x') + "\"z,2\n" + more, "edge.csv");
    ExpectFormatError([&] { ReadAll(edge); }, edge, 2, "閉じる引用符");
  }
}

TEST(ReaderSyntaxTest, NulByteIsAnErrorWhenTheFieldIsRead) {
  TempFolder dir;
  std::string path = dir.Write(std::string("a,b\n1,2\n3,\"x\ny\0z\"\n", 19));
  auto reader = CsvReader::Open(path, CsvFormat{});
  ASSERT_TRUE(reader->Next());
  ASSERT_TRUE(reader->Next());
  EXPECT_EQ(reader->Field(0).integer, 3);  // the other fields of the record stay readable
  ExpectFormatError([&] { reader->Field(1); }, path, 4, "NUL");
}

TEST(ReaderSyntaxTest, ShortRowsGiveNullAndExtraFieldsMustBeEmpty) {
  TempFolder dir;
  std::string path = dir.Write("a,b,c\n1\n1,2\n1,2,3,,\"\"\n");
  EXPECT_EQ(ReadAll(path),
            (Rows{{"1", "<null>", "<null>"}, {"1", "2", "<null>"}, {"1", "2", "3"}}));
  // A value beyond the last column stops the read even when no one asks for that column.
  std::string extra = dir.Write("a,b\n1,2\n3,4,,x\n", "extra.csv");
  auto reader = CsvReader::Open(extra, CsvFormat{});
  ASSERT_TRUE(reader->Next());
  ExpectFormatError([&] { reader->Next(); }, extra, 3, "4番目");
}

TEST(ReaderSyntaxTest, EmptyFilesAreErrorsAndAHeaderAloneIsAnEmptyTable) {
  TempFolder dir;
  for (std::string bytes : {"", "\xEF\xBB\xBF", "\n\r\n\n"}) {
    std::string path = dir.Write(bytes);
    try {
      CsvReader::Open(path, CsvFormat{});
      ADD_FAILURE() << "no error for " << ::testing::PrintToString(bytes);
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), kErrCsvFormat);
      EXPECT_NE(e.Description().find(path), std::string::npos);
      EXPECT_NE(e.Description().find("空"), std::string::npos);
    }
  }
  auto reader = CsvReader::Open(dir.Write("x,y\r\n"), CsvFormat{});
  EXPECT_EQ(reader->ColumnNames(), (std::vector<std::string>{"x", "y"}));
  EXPECT_FALSE(reader->Next());
  EXPECT_EQ(reader->Field(0).kind, FieldKind::kNull);
}

TEST(ReaderSyntaxTest, AtMostTwoThousandColumns) {
  TempFolder dir;
  std::string header;
  for (int i = 0; i < 2000; ++i) header += "c" + std::to_string(i) + ",";
  header.pop_back();
  EXPECT_EQ(CsvReader::Open(dir.Write(header + "\n"), CsvFormat{})->ColumnNames().size(), 2000u);
  std::string wide = dir.Write(header + ",c2000\n", "wide.csv");
  ExpectFormatError([&] { CsvReader::Open(wide, CsvFormat{}); }, wide, 1, "2001列");
}

TEST(ReaderSyntaxTest, OtherDelimitersAndNoHeaderLine) {
  TempFolder dir;
  CsvFormat tabs;
  tabs.delimiter = '\t';
  tabs.header = false;
  std::string path = dir.Write("1\t\"a\tb\"\",x\"\n2\t\n");
  auto reader = CsvReader::Open(path, tabs);
  EXPECT_EQ(reader->ColumnNames(), (std::vector<std::string>{"列1", "列2"}));
  EXPECT_EQ(ReadAll(path, tabs), (Rows{{"1", "a\tb\",x"}, {"2", "<null>"}}));
  for (char bad : {'"', '\n', '\r'}) {
    CsvFormat format;
    format.delimiter = bad;
    try {
      CsvReader::Open(path, format);
      ADD_FAILURE() << "delimiter " << int{bad} << " accepted";
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), kErrDataSource);
    }
  }
}

TEST(ReaderSyntaxTest, MissingFileOrFolderIsAFileError) {
  TempFolder dir;
  std::string missing = dir.Write("a\n") + ".gone";
  for (const std::string& path : {missing, std::filesystem::path(missing).parent_path().string()}) {
    try {
      CsvReader::Open(path, CsvFormat{});
      ADD_FAILURE() << path;
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), kErrCsvFile);
      EXPECT_NE(e.Description().find(path), std::string::npos);
    }
  }
}

// Quotes, doubled quotes and CR LF pairs falling on each side of the end of the first read
// (256 KiB) and of the first buffer (1 MiB), which a long record makes grow.
TEST(ReaderSyntaxTest, RecordsAcrossTheBufferEdgeReadTheSame) {
  TempFolder dir;
  const std::string tail = "\"\"q\"\"\r\nz\",\"\"\r\n";  // field 2 ends, then an empty field
  for (std::size_t kBuffer : {std::size_t{1} << 18, std::size_t{1} << 20})
    for (std::size_t shift = 0; shift < 12; ++shift) {
      SCOPED_TRACE(shift);
      std::string head = "a,b,c\r\n1,\"";
      std::string filler(kBuffer - head.size() - shift, 'f');
      std::string bytes = head + filler + tail + "2,\"x\"\r\n3,4,5";
      std::string path = dir.Write(bytes);
      auto reader = CsvReader::Open(path, CsvFormat{});
      ASSERT_TRUE(reader->Next());
      EXPECT_EQ(reader->Field(1).text, filler + "\"q\"\r\nz");
      EXPECT_EQ(reader->Field(2).kind, FieldKind::kNull);
      ASSERT_TRUE(reader->Next());
      EXPECT_EQ(reader->RecordLine(), 4);
      EXPECT_EQ(reader->Field(1).text, "x");
      ASSERT_TRUE(reader->Next());
      EXPECT_EQ(reader->Field(2).integer, 5);
      EXPECT_FALSE(reader->Next());
    }
}

TEST(ReaderSyntaxTest, HugeFieldGrowsTheBuffer) {
  TempFolder dir;
  std::string written, expected;
  int breaks = 0;
  for (; written.size() < 5'000'000; ++breaks) {
    written += "<p class=\"\"x\"\">説明,\r\n</p>";
    expected += "<p class=\"x\">説明,\r\n</p>";
  }
  std::string path = dir.Write("id,html,n\n1,\"" + written + "\",7\n2,short,8\n");
  auto reader = CsvReader::Open(path, CsvFormat{});
  ASSERT_TRUE(reader->Next());
  EXPECT_TRUE(reader->Field(1).text == expected);
  EXPECT_EQ(reader->Field(2).integer, 7);
  ASSERT_TRUE(reader->Next());
  EXPECT_EQ(reader->Field(1).text, "short");
  EXPECT_EQ(reader->RecordLine(), 3 + breaks);
}

// A large file crosses many buffer edges: records of every length fall across them, some much
// longer than the rest, with line breaks inside, and line numbers stay right to the end.
TEST(ReaderSyntaxTest, RecordsOfEveryLengthAcrossManyBufferEdges) {
  TempFolder dir;
  std::mt19937 rng(7);
  std::string bytes = "id,text\r\n";
  std::vector<std::string> texts;
  std::vector<std::int64_t> lines;
  std::int64_t line = 2;
  while (bytes.size() < (std::size_t{12} << 20)) {
    std::size_t length = rng() % 8 == 0 ? 50'000 + rng() % 200'000 : rng() % 3000;
    std::string text(length, 'x');
    for (std::size_t i = 0; i < length; i += 1 + rng() % 500) text[i] = "\n,\"a"[rng() % 4];
    std::string written;
    for (char c : text) written += c == '"' ? std::string("\"\"") : std::string(1, c);
    bytes += std::to_string(texts.size()) + ",\"" + written + "\"\r\n";
    texts.push_back(text);
    lines.push_back(line);
    line += 1 + std::count(text.begin(), text.end(), '\n');
  }
  std::string path = dir.Write(bytes + "x,\"never closed\r\n");

  auto reader = CsvReader::Open(path, CsvFormat{});
  for (std::size_t i = 0; i < texts.size(); ++i) {
    ASSERT_TRUE(reader->Next()) << i;
    ASSERT_EQ(reader->Field(0).integer, static_cast<std::int64_t>(i));
    ASSERT_TRUE(reader->Field(1).text == texts[i]) << i;
    if (i % 37 == 0) {
      ASSERT_EQ(reader->RecordLine(), lines[i]) << i;
    }
  }
  ExpectFormatError([&] { reader->Next(); }, path, static_cast<int>(line), "途中で切れている");
  // Rewind from the middle of the file.
  reader->Rewind();
  for (std::size_t i = 0; i < texts.size() / 2; ++i) ASSERT_TRUE(reader->Next());
  reader->Rewind();
  ASSERT_TRUE(reader->Next());
  ASSERT_TRUE(reader->Next());
  EXPECT_TRUE(reader->Field(1).text == texts[1]);
  EXPECT_EQ(reader->RecordLine(), lines[1]);
}

// The file is read ahead on a thread of its own: a reader dropped part way must stop it, and
// readers sharing one open file must each get every record in order.
TEST(ReaderSyntaxTest, ReadersDroppedPartWayOrSharingOneFileStayRight) {
  TempFolder dir;
  std::string bytes = "id,text\n";
  const int kRecords = 200'000;
  for (int i = 0; i < kRecords; ++i) {
    bytes += std::to_string(i);
    bytes += ",\"row\nof text\"\n";
  }
  std::string path = dir.Write(bytes);
  for (int stop_after : {0, 1, 5000, 150'000}) {
    auto reader = CsvReader::Open(path, CsvFormat{});
    for (int i = 0; i < stop_after; ++i) ASSERT_TRUE(reader->Next());
  }

  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  const OpenFile lent = OpenFile::FromNativeHandle(fd);
  {
    auto first = CsvReader::Open(path, CsvFormat{}, &lent);
    auto second = CsvReader::Open(path, CsvFormat{}, &lent);
    int a = 0;
    for (int b = 0; b < kRecords; ++b) {
      ASSERT_TRUE(second->Next()) << b;
      ASSERT_EQ(second->Field(0).integer, b);
      ASSERT_EQ(second->RecordLine(), 2 + 2 * b);
      for (int k = 0; k < 2 && a < kRecords; ++k, ++a) {
        ASSERT_TRUE(first->Next()) << a;
        ASSERT_EQ(first->Field(0).integer, a);
      }
    }
    EXPECT_FALSE(first->Next());
    EXPECT_FALSE(second->Next());
  }
  // A file that can no longer be read when rewound: an error now and at every record asked
  // for after, never a wait for records that will not come.
  {
    auto reader = CsvReader::Open(path, CsvFormat{}, &lent);
    ASSERT_TRUE(reader->Next());
    int folder = ::open(std::filesystem::path(path).parent_path().c_str(),
                        O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    ASSERT_EQ(::dup2(folder, fd), fd);  // every read of the shared descriptor now fails
    ::close(folder);
    for (int i = 0; i < 2; ++i) {
      try {
        i == 0 ? reader->Rewind() : static_cast<void>(reader->Next());
        ADD_FAILURE() << "no error";
      } catch (const Error& e) {
        EXPECT_EQ(e.Number(), kErrCsvFile) << e.Description();
        EXPECT_NE(e.Description().find(path), std::string::npos) << e.Description();
      }
    }
  }
}

TEST(ReaderSyntaxTest, RewindStartsAgainAfterTheHeader) {
  TempFolder dir;
  std::string path = dir.Write("a,b\n1,x\n2,\"y\nz\"\n3,w");
  auto reader = CsvReader::Open(path, CsvFormat{});
  ASSERT_TRUE(reader->Next());
  ASSERT_TRUE(reader->Next());
  EXPECT_EQ(reader->Field(1).text, "y\nz");
  reader->Rewind();
  EXPECT_EQ(reader->Field(0).kind, FieldKind::kNull);  // before the first record
  std::vector<std::int64_t> firsts;
  while (reader->Next()) firsts.push_back(reader->Field(0).integer);
  EXPECT_EQ(firsts, (std::vector<std::int64_t>{1, 2, 3}));
  reader->Rewind();
  ASSERT_TRUE(reader->Next());
  EXPECT_EQ(reader->RecordLine(), 2);
  EXPECT_EQ(reader->Field(1).text, "x");
}

}  // namespace
}  // namespace sorbel::csvdb
