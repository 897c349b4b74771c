// The CSV file picker with a stand-in dialog and desktop: the presets of every use, a choice,
// a cancel, a failing desktop lookup and a dialog that cannot be shown.
#include "front/csv_file_picker.h"

#include <gtest/gtest.h>

#include "tests/front/fake_services.h"

namespace sorbel {
namespace {

using test::FakeDesktopFolder;
using test::FakeFileDialog;

TEST(CsvFilePickerTest, EveryUseOffersTheProductFileOnTheDesktop) {
  FakeFileDialog dialog;
  FakeDesktopFolder desktop;
  desktop.path = "/home/はなこ/デスクトップ";
  for (int use = 0; use < 2; ++use) {
    EXPECT_EQ(PickCsvFile(dialog, desktop), "/home/user/Desktop/article.csv");
  }
  ASSERT_EQ(dialog.shown.size(), 2u);
  for (const OpenFileOptions& o : dialog.shown) {
    EXPECT_EQ(o.title, "商品データCSVファイルを指定してください。");
    EXPECT_EQ(o.folder, "/home/はなこ/デスクトップ");
    EXPECT_EQ(o.file_name, "article.csv");
    EXPECT_EQ(o.filter_name, "CSV ファイル");
    EXPECT_EQ(o.filter_pattern, "*.csv");
    EXPECT_TRUE(o.must_exist);
    EXPECT_TRUE(o.keep_current_directory);
    EXPECT_FALSE(o.read_only_box);
  }
}

TEST(CsvFilePickerTest, CancelAndFailureGiveNoPath) {
  FakeFileDialog dialog;
  FakeDesktopFolder desktop;
  dialog.answer = FakeFileDialog::Answer::kCancel;
  EXPECT_EQ(PickCsvFile(dialog, desktop), std::nullopt);
  dialog.answer = FakeFileDialog::Answer::kFail;
  try {
    PickCsvFile(dialog, desktop);
    ADD_FAILURE() << "a dialog that cannot be shown must be reported";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), 1001);
  }
}

TEST(CsvFilePickerTest, WithoutADesktopTheDialogStillOpens) {
  FakeFileDialog dialog;
  FakeDesktopFolder desktop;
  desktop.fail = true;
  EXPECT_EQ(PickCsvFile(dialog, desktop), "/home/user/Desktop/article.csv");
  ASSERT_EQ(dialog.shown.size(), 1u);
  EXPECT_EQ(dialog.shown[0].folder, "");
  EXPECT_EQ(dialog.shown[0].file_name, "article.csv");
}

}  // namespace
}  // namespace sorbel
