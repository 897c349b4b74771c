// The spreadsheet host as a module loaded at the first display: without the module, and with
// it but without an office, the run tells the user once, without an icon, and its result stays.
#include "platform/libreoffice/spreadsheet_module.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "filter/filter_run.h"
#include "tests/filter/run_fixture.h"

namespace sorbel {
namespace {

// A run whose spreadsheet is the module host given.
class ModuleRunHost : public RecordingHost {
 public:
  explicit ModuleRunHost(ModuleSpreadsheetHost& host) : host_(host) {}
  SpreadsheetHost* Spreadsheet() override { return &host_; }

 private:
  ModuleSpreadsheetHost& host_;
};

class SpreadsheetModuleTest : public RunFixture {
 protected:
  // Runs the filter on a small catalogue with `spreadsheet` and expects a whole result and
  // exactly one message without an icon that contains `part`.
  void ExpectToldWithoutIcon(ModuleSpreadsheetHost& spreadsheet, const std::string& part) {
    ModuleRunHost host(spreadsheet);
    host.folder = folder_;
    host.csv_path = Catalogue("商品コード,商品名\r\nA1,ケトル\r\n");
    EXPECT_TRUE(ExecFilter(host));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].icon, kIconNone);
    EXPECT_EQ(host.messages[0].caption, "Sorbel");
    EXPECT_NE(host.messages[0].text.find(part), std::string::npos) << host.messages[0].text;
    told_ = host.messages[0].text;
    EXPECT_EQ(Bytes(folder_ + "/" + host.out_file_name), "商品コード,商品名\r\nA1,ケトル\r\n");
    EXPECT_EQ(host.events.back(), "status ");
  }

  std::string told_;  // the message the last run showed
};

TEST_F(SpreadsheetModuleTest, WithoutTheModuleTheRunEndsNormally) {
  // As in a program folder copied without lib/sorbel: the missing file is named, and LibreOffice,
  // which is installed, is not blamed.
  ModuleSpreadsheetHost spreadsheet(folder_ + "/lib/sorbel/libsorbel-calc.so");
  ExpectToldWithoutIcon(spreadsheet,
                        "「libsorbel-calc.so」が「" + folder_ + "/lib/sorbel」にありません");
  EXPECT_NE(told_.find("入れ直す"), std::string::npos) << told_;
  EXPECT_EQ(told_.find("LibreOffice"), std::string::npos) << told_;
}

TEST_F(SpreadsheetModuleTest, ABrokenModuleIsNamedToo) {
  Put(folder_ + "/libsorbel-calc.so", "not a library");
  ModuleSpreadsheetHost spreadsheet(folder_ + "/libsorbel-calc.so");
  ExpectToldWithoutIcon(spreadsheet, "部品「" + folder_ + "/libsorbel-calc.so」が正しくありません");
  EXPECT_NE(told_.find("入れ直して"), std::string::npos) << told_;
}

TEST_F(SpreadsheetModuleTest, WithTheModuleButNoOfficeTheRunEndsNormally) {
  ASSERT_TRUE(std::filesystem::exists(SORBEL_CALC_MODULE));
  LibreOfficeOptions options;
  options.program = folder_ + "/no-such/soffice";
  options.pipe_name = "sorbel_module_test";
  ModuleSpreadsheetHost spreadsheet(SORBEL_CALC_MODULE, options);
  ExpectToldWithoutIcon(spreadsheet, "soffice が見つかりません");
}

TEST(CalcModulePathTest, BesideTheProgramsFolder) {
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(CalcModulePath(),
            (exe.parent_path().parent_path() / "lib/sorbel/libsorbel-calc.so").string());
}

}  // namespace
}  // namespace sorbel
