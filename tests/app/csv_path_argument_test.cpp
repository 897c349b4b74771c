// "Open with Sorbel": the window takes the path the file manager passes into the path box
// without running.
#include <gtest/gtest.h>

#include <QLineEdit>

#include "app/frm_main.h"
#include "tests/front/fake_services.h"

namespace sorbel {
namespace {

TEST(CsvPathArgumentTest, TheWindowTakesThePathAndRunsNothing) {
  test::FakeFileDialog dialog;
  test::FakeDesktopFolder desktop;
  test::FakeBrowserLauncher browser;
  test::FakeMessageBox messages;
  int runs = 0;
  frmMain window(frmMainServices{.file_dialog = dialog,
                                 .desktop = desktop,
                                 .browser = browser,
                                 .messages = messages,
                                 .spreadsheet = nullptr,
                                 .run = [&](FilterHost&) { ++runs; }});
  window.SetCsvPath("/home/はなこ/article.csv");
  EXPECT_EQ(window.findChild<QLineEdit*>(QStringLiteral("txtCsvPath"))->text().toStdString(),
            "/home/はなこ/article.csv");
  EXPECT_EQ(window.CsvPath(), "/home/はなこ/article.csv");
  EXPECT_EQ(runs, 0);
}

}  // namespace
}  // namespace sorbel
