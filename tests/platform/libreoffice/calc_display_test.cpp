// The result shown in a real, headless Calc: one visible, unsaved, one-sheet document holding the
// file exactly as written, whatever the character set, the column count or the content.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <memory>

#include "display/spreadsheet_display.h"
#include "platform/codepage.h"
#include "platform/libreoffice/libreoffice_host.h"
#include "tests/platform/libreoffice/office_probe.h"
#include "tests/platform/libreoffice/recording_box.h"

namespace sorbel {
namespace {

using Grid = std::vector<std::vector<std::string>>;

// The name the display tests give the sheet: one with characters beyond ASCII.
constexpr char kSheet[] = "家電・送料無料";

class CalcDisplayTest : public ::testing::Test {
 protected:
  // One office for every case of this program.
  static void SetUpTestSuite() {
    office_ = std::make_unique<TestOffice>();
    host_ = std::make_unique<LibreOfficeHost>(office_->Options());
  }
  static void TearDownTestSuite() {
    host_.reset();
    office_->End();
    EXPECT_TRUE(office_->WaitLockGone(0)) << "the office's lock file stayed";
    EXPECT_EQ(office_->Processes(), 0) << "an office process was left behind";
    office_.reset();
  }
  void TearDown() override { office_->CloseDocuments(); }

  // Writes `bytes` as a result file under the profile's folder and returns its path.
  static std::string WriteResult(const std::string& name, const std::string& bytes) {
    std::string path = office_->ProfileDir() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  // The one document the office holds; fails the test when there is not exactly one.
  static SeenDocument TheDocument() {
    std::vector<SeenDocument> documents = office_->Documents();
    EXPECT_EQ(documents.size(), 1u);
    return documents.empty() ? SeenDocument() : documents.front();
  }

  static void ExpectShownAsText(const SeenDocument& document, const Grid& expected) {
    // The sheet added for the result, under the run's name; the rest deleted.
    EXPECT_EQ(document.sheet_names, std::vector<std::string>{kSheet});
    EXPECT_TRUE(document.visible);
    EXPECT_FALSE(document.saved);
    ASSERT_EQ(document.cells, expected);
    EXPECT_FALSE(document.formulas);
    for (size_t row = 0; row < expected.size(); ++row) {
      for (size_t column = 0; column < expected[row].size(); ++column) {
        if (expected[row][column].empty()) continue;
        EXPECT_TRUE(document.is_text[row][column]) << "row " << row << ", column " << column;
      }
    }
  }

  // One product a row, the headings in sight with filter buttons, no column wider than a screen,
  // Latin and Japanese text alike in Japanese, so brand names are not checked as English words.
  static void ExpectReadable(const SeenDocument& document, const std::string& title) {
    EXPECT_EQ(document.language, "ja-JP");
    EXPECT_EQ(document.asian_language, "ja-JP");
    EXPECT_TRUE(document.one_line_rows);
    EXPECT_TRUE(document.frozen_header);
    EXPECT_TRUE(document.autofilter);
    EXPECT_EQ(document.title, title);
    for (int width : document.column_widths) {
      EXPECT_GT(width, 500);
      EXPECT_LT(width, 10000);
    }
  }

  static inline std::unique_ptr<TestOffice> office_;
  static inline std::unique_ptr<LibreOfficeHost> host_;
};

// A header of `columns` names and rows with values a spreadsheet would like to convert, placed
// early and beyond the twentieth column alike.
struct WideResult {
  std::string csv;
  Grid cells;
};

WideResult MakeWideResult(int columns) {
  const std::vector<std::string> tricky = {"00123", "4901234567890", "=1+1", "2015/08/25",
                                           "1.50",  "TRUE",          "-0",   "12:30",
                                           "1e5",   "①㈱髙",         "'x",   " 7 "};
  WideResult result;
  std::vector<std::string> header;
  for (int c = 0; c < columns; ++c) header.push_back("列" + std::to_string(c + 1));
  result.cells.push_back(header);
  for (int r = 0; r < 3; ++r) {
    std::vector<std::string> row;
    for (int c = 0; c < columns; ++c) row.push_back(tricky[(r * 5 + c) % tricky.size()]);
    result.cells.push_back(row);
  }
  for (const auto& row : result.cells) {
    for (size_t c = 0; c < row.size(); ++c) result.csv += (c > 0 ? "," : "") + row[c];
    result.csv += "\r\n";
  }
  return result;
}

TEST_F(CalcDisplayTest, WideUtf8ResultArrivesAsWrittenInEveryColumn) {
  WideResult result = MakeWideResult(32);
  // A quoted value with a separator and a line break stays in one cell.
  result.csv += "\"a,b\r\nc\",\"say \"\"hi\"\"\"\r\n";
  result.cells.push_back({"a,b\nc", "say \"hi\""});
  result.cells.back().resize(32);
  std::string path = WriteResult("wide.csv", result.csv);

  RecordingBox box;
  EXPECT_TRUE(ShowExcel(*host_, box, path, "UTF-8", kSheet));
  EXPECT_TRUE(box.shown.empty());
  SeenDocument document = TheDocument();
  ExpectShownAsText(document, result.cells);
  ExpectReadable(document, "wide.csv");
  EXPECT_TRUE(document.modified) << "new work would be closed without a question";
}

// The records of a CSV text as a grid, by the rules of the format and nothing more: a check on
// the program's reader, so written apart from it. A quoted CR LF becomes the cell's LF.
Grid ParseCsv(const std::string& text) {
  Grid grid(1, std::vector<std::string>(1));
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    std::string& cell = grid.back().back();
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        cell += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else if (!(c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
        cell += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      grid.back().emplace_back();
    } else if (c == '\n') {
      grid.emplace_back(1);
    } else if (c != '\r') {
      cell += c;
    }
  }
  if (grid.back() == std::vector<std::string>(1)) grid.pop_back();
  return grid;
}

TEST_F(CalcDisplayTest, SampleCatalogueReadsBackExactlyOneProductARow) {
  // Shift-JIS, HTML descriptions with line breaks (LF and CR LF), quoted commas and quotes, NEC
  // characters, empty fields, "1,200" prices, codes with leading zeros.
  const std::string path = std::string(getenv("SORBEL_SOURCE_DIR")) + "/samples/article.csv";
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const Grid expected = ParseCsv(ToUtf8(bytes, "windows-31j"));
  ASSERT_EQ(expected.size(), 41u);

  RecordingBox box;
  EXPECT_TRUE(ShowExcel(*host_, box, path, "windows-31j", kSheet));
  EXPECT_TRUE(box.shown.empty());
  SeenDocument document = TheDocument();
  ExpectShownAsText(document, expected);
  ExpectReadable(document, "article.csv");
}

TEST_F(CalcDisplayTest, Cp932ResultKeepsJapaneseExact) {
  const std::string text = "商品名,カテゴリー名,タグ\r\n①②,㈱髙島屋,ｱｲｳ～〜\r\n№１,髙﨑,―ー‐\r\n";
  std::string path = WriteResult("cp932.csv", FromUtf8(text, "windows-31j"));

  RecordingBox box;
  EXPECT_TRUE(ShowExcel(*host_, box, path, "windows-31j", kSheet));
  EXPECT_TRUE(box.shown.empty());
  // CP932's wave dash comes back as the full-width tilde; written that way it reads the same.
  ExpectShownAsText(TheDocument(),
                    {{"商品名", "カテゴリー名", "タグ"},
                     {"①②", "㈱髙島屋", ToUtf8(FromUtf8("ｱｲｳ～〜", "windows-31j"), "windows-31j")},
                     {"№１", "髙﨑", ToUtf8(FromUtf8("―ー‐", "windows-31j"), "windows-31j")}});
}

TEST_F(CalcDisplayTest, EmptyResultShowsTheHeaderOnly) {
  std::string path = WriteResult("empty.csv", "商品名,価格\r\n\r\n");
  RecordingBox box;
  EXPECT_TRUE(ShowExcel(*host_, box, path, "UTF-8", kSheet));
  EXPECT_TRUE(box.shown.empty());
  ExpectShownAsText(TheDocument(), {{"商品名", "価格"}});
}

TEST_F(CalcDisplayTest, QuotedFirstNameAfterAByteOrderMarkIsNoFailure) {
  // What lands in A1 is checked against the file; quoting, a line break and a byte order mark
  // must not make a good import look failed.
  std::string path =
      WriteResult("quoted.csv", "\xEF\xBB\xBF\"商品,\r\n\"\"名\"\"\",価格\r\nA,1\r\n");
  RecordingBox box;
  EXPECT_TRUE(ShowExcel(*host_, box, path, "UTF-8", kSheet));
  EXPECT_TRUE(box.shown.empty()) << box.shown[0].text;
  ExpectShownAsText(TheDocument(), {{"商品,\n\"名\"", "価格"}, {"A", "1"}});
}

TEST_F(CalcDisplayTest, ImportIntoOneOfSeveralSheetsLeavesTheOthers) {
  std::string path = WriteResult("two.csv", "商品コード\r\n00123\r\n");
  {
    std::unique_ptr<SpreadsheetApplication> application = host_->CreateApplication();
    application->SetVisible(false);
    std::unique_ptr<SpreadsheetDocument> workbook = application->AddDocument();
    std::unique_ptr<SpreadsheetSheet> worksheet = workbook->AddSheet();
    const SpreadsheetSheet::Size capacity = worksheet->Capacity();
    RecordingBox box;
    EXPECT_TRUE(ImportCsv(*worksheet, box, path, "UTF-8"));
    EXPECT_EQ(capacity.rows, 1048576);
    EXPECT_GE(capacity.columns, 1024);
    application->SetVisible(true);
  }
  SeenDocument document = TheDocument();
  EXPECT_EQ(document.sheet_names, (std::vector<std::string>{"Sheet1", "Sheet2"}));
  EXPECT_TRUE(document.visible);
  EXPECT_TRUE(document.modified);
  EXPECT_EQ(document.cells, (Grid{{"商品コード"}, {"00123"}}));
}

TEST_F(CalcDisplayTest, MissingResultFileIsToldAndTheEmptySheetStillShown) {
  std::string path = office_->ProfileDir() + "/removed.csv";
  RecordingBox box;
  EXPECT_FALSE(ShowExcel(*host_, box, path, "UTF-8", kSheet));
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].icon, kIconCritical);
  EXPECT_EQ(box.shown[0].caption, "Sorbel");
  EXPECT_NE(box.shown[0].text.find(path), std::string::npos) << box.shown[0].text;
  ExpectShownAsText(TheDocument(), {{""}});
}

}  // namespace
}  // namespace sorbel
