// Character sets: CP932 with its vendor extensions and half-width kana, "auto" both ways,
// named code pages, and invalid bytes as errors naming file and line instead of U+FFFD.
#include <gtest/gtest.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/csvdb/code_page_table.h"
#include "platform/csvdb/csv_reader.h"
#include "platform/error.h"
#include "tests/platform/csvdb/reader_test_files.h"

namespace sorbel::csvdb {
namespace {

using testing::ReadAll;
using testing::Rows;
using testing::TempFolder;

CsvFormat Charset(const std::string& name) {
  CsvFormat format;
  format.charset = name;
  return format;
}

void ExpectError(const std::function<void()>& read, long number, const std::string& fragment) {
  try {
    read();
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), number) << e.Description();
    EXPECT_NE(e.Description().find(fragment), std::string::npos) << e.Description();
  }
}

// The catalogue's awkward text: NEC (①, ㈱) and IBM (髙) extensions, half-width kana, and
// characters whose second byte is a backslash or a '|' (ソ, 表, ー).
const std::string kText = "①㈱髙,ｾｯﾄ,\"ソ表\"\"ー\"\"\r\n能\"";
const Rows kRows = {{"①㈱髙", "ｾｯﾄ", "ソ表\"ー\"\r\n能"}};

TEST(ReaderCharsetTest, Cp932IsDetectedAndDecodedExactly) {
  TempFolder dir;
  std::string path = dir.Write(FromUtf8("名前,カナ,説明\r\n" + kText + "\r\n", "windows-31j"));
  for (const char* name : {"auto", "CP932", "Shift_JIS", "windows-31j"}) {
    SCOPED_TRACE(name);
    auto reader = CsvReader::Open(path, Charset(name));
    EXPECT_EQ(reader->Charset(), "windows-31j");
    EXPECT_EQ(reader->ColumnNames(), (std::vector<std::string>{"名前", "カナ", "説明"}));
    EXPECT_EQ(ReadAll(path, Charset(name)), kRows);
  }
  // Views of several decoded fields stay valid together until Next().
  auto reader = CsvReader::Open(path, CsvFormat{});
  ASSERT_TRUE(reader->Next());
  std::string_view a = reader->Field(0).text, c = reader->Field(2).text;
  EXPECT_EQ(reader->Field(1).text, "ｾｯﾄ");
  EXPECT_EQ(a, "①㈱髙");
  EXPECT_EQ(c, "ソ表\"ー\"\r\n能");
}

// A byte order mark settles "auto" as UTF-8, and a body that is not UTF-8 after it is told as
// such; a character set named in the setting wins over the mark.
TEST(ReaderCharsetTest, Utf8IsDetectedAndANamedSettingWinsOverAByteOrderMark) {
  TempFolder dir;
  std::string path = dir.Write("名前,カナ,説明\n" + kText);
  auto reader = CsvReader::Open(path, CsvFormat{});
  EXPECT_EQ(reader->Charset(), "UTF-8");
  EXPECT_EQ(ReadAll(path), kRows);
  std::string bom = dir.Write("\xEF\xBB\xBF名前,カナ,説明\n" + kText, "bom.csv");
  EXPECT_EQ(CsvReader::Open(bom, CsvFormat{})->Charset(), "UTF-8");
  EXPECT_EQ(ReadAll(bom), kRows);

  std::string sjis =
      dir.Write("\xEF\xBB\xBF" + FromUtf8("名前,カナ,説明\r\n" + kText, "CP932"), "bom-sjis.csv");
  EXPECT_EQ(CsvReader::Open(sjis, Charset("CP932"))->Charset(), "windows-31j");
  EXPECT_EQ(ReadAll(sjis, Charset("CP932")), kRows);
  for (const char* setting : {"auto", "UTF-8"}) {
    ExpectError([&] { CsvReader::Open(sjis, Charset(setting)); }, kErrCsvFormat,
                "」: ファイルの先頭にUTF-8の印（BOM）がありますが、中身はUTF-8ではなく"
                "Shift-JIS（CP932）のようです（UTF-8としては1行目");
  }
  std::string neither = dir.Write(
      "\xEF\xBB\xBF"
      "a,b\n\xFF\xFF,1\n\xFF\xFE,2\n",
      "bom-neither.csv");
  ExpectError([&] { CsvReader::Open(neither, CsvFormat{}); }, kErrCsvFormat,
              "中身はUTF-8ではありません（UTF-8としては2行目");
}

// "auto" looks at the first MiB only; when that is plain ASCII the first field with other
// bytes decides, and everything handed out before reads the same either way.
TEST(ReaderCharsetTest, AsciiStartLeavesTheChoiceToTheFirstOtherField) {
  TempFolder dir;
  std::string ascii = "code,name\n";
  while (ascii.size() < (std::size_t{3} << 19)) ascii += "12345,plain ascii name\n";
  for (const char* cs : {"windows-31j", "UTF-8"}) {
    SCOPED_TRACE(cs);
    std::string path = dir.Write(ascii + FromUtf8("9,髙島屋ｾｯﾄ\n", cs));
    auto reader = CsvReader::Open(path, CsvFormat{});
    EXPECT_EQ(reader->Charset(), "UTF-8");
    std::string last;
    while (reader->Next()) last = reader->Field(1).text;
    EXPECT_EQ(last, "髙島屋ｾｯﾄ");
    EXPECT_EQ(reader->Charset(), cs);
  }
}

// The whole first MiB decides, however the file is read after it: a CP932 pair that is also
// valid UTF-8 (ﾃｨ) three hundred kilobytes in does not outvote the kanji after it.
TEST(ReaderCharsetTest, TheFirstMiBDecidesWhateverTheReadSize) {
  TempFolder dir;
  std::string ascii = "code,name\n";
  while (ascii.size() < 300000) ascii += "12345,plain ascii name\n";
  std::string path = dir.Write(ascii + FromUtf8("1,ﾃｨ\n2,日本\n", "windows-31j"));
  auto reader = CsvReader::Open(path, CsvFormat{});
  EXPECT_EQ(reader->Charset(), "windows-31j");
  std::vector<std::string> names;
  while (reader->Next()) names.push_back(std::string(reader->Field(1).text));
  ASSERT_GE(names.size(), 2u);
  EXPECT_EQ(names[names.size() - 2], "ﾃｨ");
  EXPECT_EQ(names.back(), "日本");
}

TEST(ReaderCharsetTest, InvalidBytesAreErrorsNamingFileLineAndBytes) {
  TempFolder dir;
  // UTF-8 for the first MiB, then a CP932 name: an error, never a silent U+FFFD.
  std::string utf8 = "名前,値\n";
  int line = 1;
  for (; utf8.size() < (std::size_t{3} << 19); ++line) utf8 += "日本語の名前,1\n";
  std::string later = dir.Write(utf8 + "\"x\n" + FromUtf8("髙", "CP932") + "\",2\n");
  auto reader = CsvReader::Open(later, CsvFormat{});
  EXPECT_EQ(reader->Charset(), "UTF-8");
  while (reader->Next() && reader->Field(1).integer == 1) {
  }
  ExpectError([&] { reader->Field(0); }, kErrCsvFormat, std::to_string(line + 2) + "行目");
  ExpectError([&] { reader->Field(0); }, kErrCsvFormat, "0xFB 0xFC");
  // A start that is neither UTF-8 nor CP932 is refused at once rather than guessed.
  std::string neither = dir.Write("名前,値\n1,x\xFF\n", "neither.csv");
  ExpectError([&] { CsvReader::Open(neither, CsvFormat{}); }, kErrCsvFormat, "UTF-8としては2行目");
  // CP932: a lead byte cut off by the delimiter, and a byte no CP932 text holds.
  std::string cut = dir.Write("a,b\n1,\x82\n", "cut.csv");
  ExpectError([&] { ReadAll(cut, Charset("CP932")); }, kErrCsvFormat, "2行目");
  std::string ff = dir.Write("a,b\n1,x\xFF\n", "ff.csv");
  ExpectError([&] { ReadAll(ff, Charset("CP932")); }, kErrCsvFormat, "0xFF");
  ExpectError([&] { ReadAll(ff, Charset("UTF-8")); }, kErrCsvFormat, ff);
  std::string nul = dir.Write(std::string("a\n\x82\xA0\0\n", 6), "nul.csv");
  ExpectError([&] { ReadAll(nul, Charset("CP932")); }, kErrCsvFormat, "NUL");
}

TEST(ReaderCharsetTest, UnusableCodePagesAndDelimitersAreRefused) {
  TempFolder dir;
  std::string path = dir.Write("a|b\n1|2\n");
  ExpectError([&] { CsvReader::Open(path, Charset("no-such-code-page")); }, kErrCodePage,
              "no-such-code-page");
  ExpectError([&] { CsvReader::Open(path, Charset("ISO-2022-JP")); }, kErrCodePage, "ISO-2022-JP");
  // '|' is the second byte of many CP932 characters, so it cannot separate fields there.
  CsvFormat pipes = Charset("CP932");
  pipes.delimiter = '|';
  ExpectError([&] { CsvReader::Open(path, pipes); }, kErrDataSource, "|");
  pipes.charset = "UTF-8";
  EXPECT_EQ(ReadAll(path, pipes), (Rows{{"1", "2"}}));
  // A one-byte code page other than CP932 goes through its own table.
  std::string latin = dir.Write("caf\xE9\n\xE0 la carte\n", "latin.csv");
  auto reader = CsvReader::Open(latin, Charset("windows-1252"));
  EXPECT_EQ(reader->ColumnNames()[0], "café");
  EXPECT_EQ(reader->Charset(), "windows-1252");
  std::string utf16 = dir.Write(std::string("\xFF\xFE"
                                            "a\0,\0b\0",
                                            8),
                                "utf16.csv");
  ExpectError([&] { CsvReader::Open(utf16, CsvFormat{}); }, kErrCsvFormat, "UTF-16");
}

// The table must say what ICU's converter says for every byte pair: the same text for the
// valid ones, and a refusal where ICU stops. The one exception: bytes below 0x80 are ASCII,
// as in Windows and iconv, where ICU's IBM-made table swaps 0x1A, 0x1C and 0x7F.
TEST(ReaderCharsetTest, Cp932TableAgreesWithIcuForEveryPair) {
  CodePageTable table("windows-31j", ',');
  char out[16];
  std::size_t unused = 0;
  ASSERT_EQ(table.Decode("\x1A\x1C\x7F", false, out, &unused), 3);
  EXPECT_EQ(std::string(out, 3), "\x1A\x1C\x7F");

  UErrorCode status = U_ZERO_ERROR;
  UConverter* conv = ucnv_open("windows-31j", &status);
  ucnv_setToUCallBack(conv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  int valid_pairs = 0;
  for (int lead = 0x80; lead < 0x100; ++lead) {
    bool lead_byte = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
    for (int trail = 1; trail < 0x100; ++trail) {  // NUL is refused whatever ICU says
      if (trail == 0x1A || trail == 0x1C || trail == 0x7F) continue;
      const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      UChar wide[8];
      status = U_ZERO_ERROR;
      ucnv_reset(conv);
      int32_t length = ucnv_toUChars(conv, wide, 8, pair, 2, &status);
      std::size_t bad = 0;
      std::ptrdiff_t size = table.Decode(std::string_view(pair, 2), false, out, &bad);
      SCOPED_TRACE(::testing::Message() << std::hex << lead << " " << trail);
      ASSERT_EQ(size >= 0, U_SUCCESS(status));
      if (size < 0) continue;
      char icu[32];
      int32_t icu_size = 0;
      status = U_ZERO_ERROR;
      u_strToUTF8(icu, sizeof icu, &icu_size, wide, length, &status);
      EXPECT_EQ(std::string(out, static_cast<std::size_t>(size)), std::string(icu, icu_size));
      valid_pairs += lead_byte;
    }
  }
  ucnv_close(conv);
  EXPECT_GT(valid_pairs, 9000);  // JIS X 0208 plus the NEC, IBM and user-defined rows
}

// The table decodes plain ASCII many bytes at a time: whatever falls on which side of those
// steps (kana, kanji pairs, doubled quotes, a NUL, a bad byte), the text and the place of a
// fault must be what a plain reading of the pieces gives.
TEST(ReaderCharsetTest, Cp932DecodingIsExactWhereverThePiecesFall) {
  CodePageTable table("windows-31j", ',');
  std::mt19937 rng(11);
  struct Piece {
    std::string bytes;
    std::string text;  // UTF-8; empty for a fault
  };
  const std::vector<Piece> kinds = {
      {"\x82\xA0", "あ"}, {"\x8A\xBF", "漢"}, {"\x87\x40", "①"}, {"\xFB\xFC", "髙"},
      {"\xBE", "ｾ"},      {"\x83\x5C", "ソ"}, {"\"\"", "\""},    {std::string(1, '\0'), ""},
      {"\x81\x20", ""}};  // a lead byte whose second byte cannot follow it
  for (int round = 0; round < 4000; ++round) {
    bool undouble = round % 2 == 0;
    std::string in, expected;
    std::size_t fault = std::string::npos;
    int pieces = static_cast<int>(rng() % 12);
    for (int k = 0; k < pieces; ++k) {
      std::string ascii(rng() % 40, 'a');
      for (char& c : ascii) c = static_cast<char>('0' + rng() % 70);
      for (char& c : ascii) c = c == '"' ? '\'' : c;
      in += ascii;
      expected += ascii;
      // Faults are rare, so most rounds decode to the end.
      const Piece& piece = kinds[rng() % (rng() % 8 == 0 ? kinds.size() : kinds.size() - 2)];
      if (piece.bytes == "\"\"" && !undouble) continue;
      if (piece.text.empty() && fault == std::string::npos) fault = in.size();
      in += piece.bytes;
      expected += piece.text;
    }
    std::vector<char> out(table.OutputBound(in.size()));
    std::size_t bad = 0;
    std::ptrdiff_t size = table.Decode(in, undouble, out.data(), &bad);
    SCOPED_TRACE(round);
    if (fault != std::string::npos) {
      ASSERT_EQ(size, -1);
      ASSERT_EQ(bad, fault);
    } else {
      ASSERT_GE(size, 0);
      ASSERT_EQ(std::string(out.data(), static_cast<std::size_t>(size)), expected);
    }
  }
}

}  // namespace
}  // namespace sorbel::csvdb
