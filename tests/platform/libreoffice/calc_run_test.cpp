// A whole filter run shown in a real, headless Calc: the sheet tab names the run's conditions
// and the document is Japanese, so two results a few seconds apart can be told apart.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "filter/filter_run.h"
#include "platform/libreoffice/libreoffice_host.h"
#include "tests/filter/run_fixture.h"
#include "tests/platform/libreoffice/office_probe.h"

namespace sorbel {
namespace {

class OfficeRunHost : public RecordingHost {
 public:
  explicit OfficeRunHost(SpreadsheetHost& spreadsheet) : spreadsheet_(spreadsheet) {}
  SpreadsheetHost* Spreadsheet() override { return &spreadsheet_; }

 private:
  SpreadsheetHost& spreadsheet_;
};

class CalcRunTest : public RunFixture {
 protected:
  void TearDown() override {
    office_.End();
    EXPECT_EQ(office_.Processes(), 0) << "an office process was left behind";
    RunFixture::TearDown();
  }

  TestOffice office_;
};

TEST_F(CalcRunTest, SheetTabNamesTheConditionsOfEachRun) {
  LibreOfficeHost spreadsheet(office_.Options());
  OfficeRunHost host(spreadsheet);
  host.folder = folder_;
  host.csv_path = std::string(getenv("SORBEL_SOURCE_DIR")) + "/samples/article.csv";
  host.conditions.ProductNameWords = "ケトル";
  host.conditions.FreeShippingOnly = true;
  ASSERT_TRUE(ExecFilter(host));
  const std::string first = host.out_file_name;
  host.conditions = FilterConditions();
  ASSERT_TRUE(ExecFilter(host));
  EXPECT_TRUE(host.messages.empty()) << host.messages[0].text;

  std::vector<SeenDocument> documents = office_.Documents();
  ASSERT_EQ(documents.size(), 2u);
  std::map<std::string, std::vector<std::string>> tabs;
  for (const SeenDocument& document : documents) {
    tabs[document.title] = document.sheet_names;
    EXPECT_EQ(document.language, "ja-JP") << document.title;
    EXPECT_EQ(document.asian_language, "ja-JP") << document.title;
  }
  // Without conditions the tab reads the result file's stem.
  const std::string second = host.out_file_name;
  EXPECT_EQ(tabs[first], std::vector<std::string>{"ケトル・送料無料"});
  EXPECT_EQ(tabs[second], std::vector<std::string>{second.substr(0, second.size() - 4)});
}

}  // namespace
}  // namespace sorbel
