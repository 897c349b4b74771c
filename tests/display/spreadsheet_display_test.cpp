// ShowExcel against a recording stand-in for the spreadsheet: the order of calls, the one sheet
// left, what the user is told, what is shown after a failed import and which errors pass up.
#include "display/spreadsheet_display.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>

#include "display/result_rows.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "tests/new_folder.h"

namespace sorbel {
namespace {

// What the stand-in application was asked to do, and when it should fail.
struct FakeState {
  std::vector<std::string> calls;
  std::vector<std::string> sheets = {"Sheet1"};  // a new document's sheets
  std::string added_name = "Sheet9";             // the name an added sheet gets
  size_t added_at = 1;                           // its place among the sheets
  std::optional<Error> create_error;
  std::string fail_at;                // the call that throws Error(kErrSpreadsheet, "失敗")
  std::optional<Error> import_error;  // thrown by FillText after taking the first batch
  struct Fill {
    int columns = 0;
    std::vector<std::vector<std::string>> batches;  // as handed over
    std::vector<std::string> cells;                 // all of them, row after row
    std::vector<int> widths;
  };
  std::vector<Fill> fills;
  SpreadsheetSheet::Size capacity{1048576, 1024};

  void Call(const std::string& call) {
    calls.push_back(call);
    if (call == fail_at) throw Error(kErrSpreadsheet, "失敗: " + call);
  }
};

class FakeSheet : public SpreadsheetSheet {
 public:
  FakeSheet(FakeState& state, std::string name) : state_(state), name_(std::move(name)) {}
  ~FakeSheet() override { state_.calls.push_back("release sheet " + name_); }
  std::string Name() const override { return name_; }
  void SetName(const std::string& name) override {
    state_.Call("SetName " + name);
    *std::find(state_.sheets.begin(), state_.sheets.end(), name_) = name;
    name_ = name;
  }
  void Delete() override {
    state_.Call("Delete " + name_);
    state_.sheets.erase(std::find(state_.sheets.begin(), state_.sheets.end(), name_));
  }
  void FillText(TextRowSource& source) override {
    state_.Call("FillText " + name_);
    FakeState::Fill& fill = state_.fills.emplace_back();
    fill.columns = source.Columns();
    for (std::vector<std::string> batch; source.NextRows(batch);) {
      fill.batches.push_back(batch);
      fill.cells.insert(fill.cells.end(), batch.begin(), batch.end());
      if (state_.import_error) throw *state_.import_error;
    }
    fill.widths = source.ColumnWidths();
  }
  Size Capacity() const override { return state_.capacity; }

 private:
  FakeState& state_;
  std::string name_;
};

class FakeDocument : public SpreadsheetDocument {
 public:
  explicit FakeDocument(FakeState& state) : state_(state) {}
  ~FakeDocument() override { state_.calls.push_back("release document"); }
  std::unique_ptr<SpreadsheetSheet> AddSheet() override {
    state_.Call("AddSheet");
    state_.sheets.insert(state_.sheets.begin() + std::min(state_.added_at, state_.sheets.size()),
                         state_.added_name);
    return std::make_unique<FakeSheet>(state_, state_.added_name);
  }
  void SetTitle(const std::string& title) override { state_.Call("SetTitle " + title); }
  void SetLanguage(const std::string& tag) override { state_.Call("SetLanguage " + tag); }
  std::vector<std::unique_ptr<SpreadsheetSheet>> Sheets() override {
    state_.Call("Sheets");
    std::vector<std::unique_ptr<SpreadsheetSheet>> out;
    for (const std::string& name : state_.sheets) {
      out.push_back(std::make_unique<FakeSheet>(state_, name));
    }
    return out;
  }

 private:
  FakeState& state_;
};

class FakeApplication : public SpreadsheetApplication {
 public:
  explicit FakeApplication(FakeState& state) : state_(state) {}
  ~FakeApplication() override { state_.calls.push_back("release application"); }
  void SetVisible(bool visible) override {
    state_.Call(visible ? "SetVisible true" : "SetVisible false");
  }
  std::unique_ptr<SpreadsheetDocument> AddDocument() override {
    state_.Call("AddDocument");
    return std::make_unique<FakeDocument>(state_);
  }

 private:
  FakeState& state_;
};

class FakeHost : public SpreadsheetHost {
 public:
  explicit FakeHost(FakeState& state) : state_(state) {}
  std::unique_ptr<SpreadsheetApplication> CreateApplication() override {
    state_.calls.push_back("CreateApplication");
    if (state_.create_error) throw *state_.create_error;
    return std::make_unique<FakeApplication>(state_);
  }

 private:
  FakeState& state_;
};

struct Shown {
  std::string text;
  MsgBoxIcon icon;
  std::string caption;
};

class RecordingBox : public MessageBox {
 public:
  void Show(const std::string& text, MsgBoxIcon icon, const std::string& caption) override {
    shown.push_back({text, icon, caption});
  }
  std::vector<Shown> shown;
};

class SpreadsheetDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = sorbel::testing::NewTempFolder("sorbel-display");
    result_ = dir_ + "/20111019031044_articles.csv";
    Write("商品名,価格\r\nA,100\r\n");
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void Write(const std::string& bytes) { std::ofstream(result_, std::ios::binary) << bytes; }

  bool Show(const std::string& codepage = "UTF-8") {
    FakeHost host(state_);
    return ShowExcel(host, box_, result_, codepage, "家電・送料無料");
  }

  // The calls in order, without the releases of sheet objects (the listing makes many).
  std::vector<std::string> Calls() const {
    std::vector<std::string> out;
    for (const std::string& call : state_.calls) {
      if (call.rfind("release sheet", 0) != 0) out.push_back(call);
    }
    return out;
  }

  std::string dir_;
  std::string result_;
  FakeState state_;
  RecordingBox box_;
};

TEST_F(SpreadsheetDisplayTest, PreparesHiddenFillsThenShowsAndLetsGo) {
  Write(FromUtf8("商品名,価格\r\nA,100\r\n", "windows-31j"));
  EXPECT_TRUE(Show("windows-31j"));
  EXPECT_TRUE(box_.shown.empty());
  EXPECT_EQ(Calls(), (std::vector<std::string>{
                         "CreateApplication", "SetVisible false", "AddDocument", "AddSheet",
                         "Sheets", "Delete Sheet1", "SetTitle 20111019031044_articles.csv",
                         "SetName 家電・送料無料", "SetLanguage ja-JP", "FillText 家電・送料無料",
                         "SetVisible true", "release application", "release document"}));
  EXPECT_EQ(state_.calls.back(), "release sheet 家電・送料無料");
  ASSERT_EQ(state_.fills.size(), 1u);
  EXPECT_EQ(state_.fills[0].columns, 2);
  EXPECT_EQ(state_.fills[0].cells, (std::vector<std::string>{"商品名", "価格", "A", "100"}));
}

TEST_F(SpreadsheetDisplayTest, OnlyTheAddedSheetRemainsWhateverTheDocumentHeld) {
  struct Case {
    std::vector<std::string> sheets;
    size_t added_at;
  };
  for (const Case& c :
       {Case{{"Sheet1"}, 0}, Case{{"Sheet1", "Sheet2", "Sheet3"}, 1},
        Case{{"Sheet1", "Sheet2", "Sheet3"}, 3}, Case{{"sheet9", "Sheet9 ", "表1"}, 0}}) {
    state_ = FakeState();
    state_.sheets = c.sheets;
    state_.added_at = c.added_at;
    EXPECT_TRUE(Show());
    EXPECT_EQ(state_.sheets, std::vector<std::string>{"家電・送料無料"}) << c.sheets.size();
  }
}

TEST_F(SpreadsheetDisplayTest, ApplicationThatCannotStartIsToldWithoutIcon) {
  state_.create_error = Error(kErrSpreadsheet, "soffice が見つかりません");
  EXPECT_FALSE(Show());
  ASSERT_EQ(box_.shown.size(), 1u);
  EXPECT_EQ(box_.shown[0].text, "soffice が見つかりません");
  EXPECT_EQ(box_.shown[0].icon, kIconNone);
  EXPECT_EQ(box_.shown[0].caption, "Sorbel");
  EXPECT_EQ(Calls(), std::vector<std::string>{"CreateApplication"});
}

TEST_F(SpreadsheetDisplayTest, FailedImportIsToldAndTheSheetStillShown) {
  state_.import_error = Error(kErrSpreadsheet, "読み込めません");
  EXPECT_FALSE(Show());
  ASSERT_EQ(box_.shown.size(), 1u);
  EXPECT_EQ(box_.shown[0].text, "読み込めません");
  EXPECT_EQ(box_.shown[0].icon, kIconCritical);
  EXPECT_EQ(box_.shown[0].caption, "Sorbel");
  std::vector<std::string> calls = Calls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "SetVisible true"), calls.end());

  // A result file removed before the import: told with its name, the empty sheet shown.
  state_ = FakeState();
  box_.shown.clear();
  std::filesystem::remove(result_);
  EXPECT_FALSE(Show());
  ASSERT_EQ(box_.shown.size(), 1u);
  EXPECT_NE(box_.shown[0].text.find(result_), std::string::npos) << box_.shown[0].text;
  EXPECT_EQ(box_.shown[0].icon, kIconCritical);
  EXPECT_TRUE(state_.fills.empty());
  calls = Calls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "SetVisible true"), calls.end());
}

TEST_F(SpreadsheetDisplayTest, ErrorsWhilePreparingOrShowingPassUpUntold) {
  for (std::string step : {"SetVisible false", "AddDocument", "AddSheet", "Sheets", "Delete Sheet1",
                           "SetTitle 20111019031044_articles.csv", "SetName 家電・送料無料",
                           "SetLanguage ja-JP", "SetVisible true"}) {
    state_ = FakeState();
    state_.fail_at = step;
    try {
      Show();
      ADD_FAILURE() << "no error at " << step;
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), kErrSpreadsheet) << step;
      EXPECT_EQ(e.Description(), "失敗: " + step);
    }
    EXPECT_TRUE(box_.shown.empty()) << step;
    std::vector<std::string> calls = Calls();
    // Never shown unless showing was the step that failed; the application is let go always.
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "SetVisible true"),
              step == "SetVisible true" ? 1 : 0);
    EXPECT_NE(std::find(calls.begin(), calls.end(), "release application"), calls.end()) << step;
  }
}

// Every value arrives as the file holds it, read back with the file's own character set: quotes
// undone, a line break in a value as the cell's LF, empty fields empty, nothing converted.
TEST_F(SpreadsheetDisplayTest, ValuesArriveExactlyAsTheFileHoldsThem) {
  Write(
      FromUtf8("商品コード,価格,説明,JAN\r\n"
               "00123,\"1,200\",\"<p>\r\n①㈱\r\n</p>\",4901234567890\r\n"
               "=1+1,+81,\"say \"\"hi\"\"\",@x\r\n"
               "-5,,\"a\rb\",\t2015/08/25\r\n",
               "windows-31j"));
  EXPECT_TRUE(Show("windows-31j"));
  EXPECT_TRUE(box_.shown.empty()) << box_.shown[0].text;
  ASSERT_EQ(state_.fills.size(), 1u);
  EXPECT_EQ(state_.fills[0].columns, 4);
  EXPECT_EQ(state_.fills[0].cells,
            (std::vector<std::string>{"商品コード", "価格", "説明", "JAN",                  //
                                      "00123", "1,200", "<p>\n①㈱\n</p>", "4901234567890",  //
                                      "=1+1", "+81", "say \"hi\"", "@x",                    //
                                      "-5", "", "a\nb", "\t2015/08/25"}));
}

// A big result is handed over in bounded batches, and the columns are as wide as their widest
// line in the first rows, wide characters counting two, within limits.
TEST_F(SpreadsheetDisplayTest, BigResultsGoInBatchesAndColumnsFitTheirContent) {
  std::string csv = "ID,商品名,説明\r\n";
  for (int i = 0; i < 5000; ++i) {
    csv += std::to_string(i) + ",ホットプレート," + std::string(i == 3 ? 300 : 10, 'x') + "\r\n";
  }
  Write(csv);
  EXPECT_TRUE(Show());
  ASSERT_EQ(state_.fills.size(), 1u);
  const FakeState::Fill& fill = state_.fills[0];
  EXPECT_EQ(fill.cells.size(), 5001u * 3);
  EXPECT_GE(fill.batches.size(), 3u);
  for (const auto& batch : fill.batches) EXPECT_LE(batch.size(), 2000u * 3);
  EXPECT_EQ(fill.widths, (std::vector<int>{4, 14, 40}));

  EXPECT_EQ(TextWidth("abc"), 3);
  EXPECT_EQ(TextWidth("ﾎｯﾄ家電"), 7);
  EXPECT_EQ(TextWidth("<p>\n長い一行の説明\nx</p>"), 14);
}

// A result larger than a sheet is shown as far as it fits, and the user is told the result
// file holds the rest. Rows are records: a quoted line break stays in its cell.
TEST_F(SpreadsheetDisplayTest, AResultLargerThanTheSheetIsToldSo) {
  const std::string fits = "a,b\r\n1,\"x\r\ny\"\r\n2,3\r\n";  // three rows, two columns
  state_.capacity = {3, 2};
  Write(fits);
  EXPECT_TRUE(Show());
  EXPECT_TRUE(box_.shown.empty());

  for (const std::string& bigger :
       {fits + "4,5\r\n", fits + "4,5", std::string("a,b,c\r\n1,2,3\r\n")}) {
    state_ = FakeState();
    state_.capacity = {3, 2};
    box_.shown.clear();
    Write(bigger);
    EXPECT_TRUE(Show());
    ASSERT_EQ(box_.shown.size(), 1u) << bigger;
    EXPECT_EQ(box_.shown[0].icon, kIconWarning);
    EXPECT_NE(box_.shown[0].text.find("シートには 3 行・2 列までしか表示されません。"),
              std::string::npos)
        << box_.shown[0].text;
    EXPECT_NE(box_.shown[0].text.find(result_), std::string::npos);
    // Told before the window comes up; the sheet got what fits.
    EXPECT_EQ(Calls().back(), "release document");
    ASSERT_EQ(state_.fills.size(), 1u);
    EXPECT_LE(state_.fills[0].cells.size(), 3u * 2);
    EXPECT_EQ(state_.fills[0].columns, 2);
  }
  EXPECT_EQ(box_.shown[0].text.rfind("結果は 2 行・3 列ありますが、", 0), 0u) << box_.shown[0].text;
}

}  // namespace
}  // namespace sorbel
