// "Open with Sorbel": the path the file manager passes, as a path or a file:// address, and
// the window that takes it into the path box without running.
#include "app/csv_path_argument.h"

#include <gtest/gtest.h>

#include <QLineEdit>

#include "app/frm_main.h"
#include "tests/app/fake_services.h"

namespace sorbel {
namespace {

TEST(CsvPathArgumentTest, TheFirstArgumentThatIsNoOptionIsThePath) {
  auto path = [](std::initializer_list<const char*> words) {
    QStringList arguments;
    for (const char* w : words) arguments << QString::fromUtf8(w);
    return CsvPathArgument(arguments);
  };
  EXPECT_EQ(path({"sorbel"}), std::nullopt);
  EXPECT_EQ(path({"sorbel", "/home/はなこ/article.csv"}), "/home/はなこ/article.csv");
  EXPECT_EQ(path({"sorbel", "-x", "a b.csv"}), "a b.csv");
  EXPECT_EQ(path({"sorbel", "file:///home/%E3%81%AF/%20x.csv"}), "/home/は/ x.csv");
  EXPECT_EQ(path({"sorbel", "https://example.com/a.csv"}), std::nullopt);
}

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
