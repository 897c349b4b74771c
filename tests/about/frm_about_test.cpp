// The About box: the texts it shows, its two buttons with a stand-in browser launcher, and
// that it keeps no keys or state of its own.
#include "about/frm_about.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "platform/app.h"
#include "tests/front/fake_services.h"

namespace sorbel {
namespace {

class FrmAboutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    box_ = std::make_unique<frmAbout>(browser_, messages_);
    box_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box_.get()));
  }

  template <typename W>
  W* Get(const char* name) const {
    W* widget = box_->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  test::FakeBrowserLauncher browser_;
  test::FakeMessageBox messages_;
  std::unique_ptr<frmAbout> box_;
};

TEST_F(FrmAboutTest, ShowsTheTitleAndTheVersion) {
  EXPECT_EQ(Get<QLineEdit>("txtSeihinmei")->text().toStdString(), "Sorbel");
  const std::string version = Get<QLineEdit>("txtVersion")->text().toStdString();
  EXPECT_EQ(version, " Ver. 2.0.0");
  EXPECT_EQ(version, " Ver. " + std::to_string(kAppMajor) + "." + std::to_string(kAppMinor) + "." +
                         std::to_string(kAppRevision));
  EXPECT_EQ(Get<QLabel>("lblSeihinmei")->text().toStdString(), "製品名：");
  EXPECT_EQ(Get<QLabel>("Label1")->text().toStdString(), "バージョン：");
  auto* family = Get<QLabel>("lblProject");
  EXPECT_EQ(family->text().toStdString(), "ポルミナドロップシッピング　便利ツール");
  EXPECT_GT(family->font().pointSizeF(), box_->font().pointSizeF());
  // The caption is not cut off: it fits its place at the font it is shown in.
  EXPECT_LE(family->fontMetrics().horizontalAdvance(family->text()), family->width());
  EXPECT_EQ(Get<QPushButton>("cmdURL")->text().toStdString(), "サポートページ");
  EXPECT_EQ(Get<QPushButton>("cmdOK")->text().toStdString(), "OK");
  EXPECT_TRUE(box_->windowTitle().isEmpty());
  EXPECT_FALSE(box_->windowFlags() & Qt::WindowTitleHint);
  EXPECT_FALSE(box_->windowFlags() & Qt::WindowCloseButtonHint);
}

TEST_F(FrmAboutTest, TheSupportButtonOpensThePageEveryTimeAndTheBoxStays) {
  auto* url = Get<QPushButton>("cmdURL");
  QTest::mouseClick(url, Qt::LeftButton);
  EXPECT_TRUE(messages_.shown.empty());
  // No browser: the user is given the address to open by hand, and the box stays.
  browser_.answer = false;
  QTest::mouseClick(url, Qt::LeftButton);
  EXPECT_EQ(browser_.opened, (std::vector<std::string>{kSupportPageUrl, kSupportPageUrl}));
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_NE(messages_.shown[0].text.find(kSupportPageUrl), std::string::npos);
  EXPECT_EQ(messages_.shown[0].icon, kIconWarning);
  EXPECT_EQ(messages_.shown[0].caption, "Sorbel");
  EXPECT_TRUE(box_->isVisible());
  EXPECT_EQ(std::string(kSupportPageUrl).rfind("https://", 0), 0u);
}

// Without a title bar the window manager draws no frame: the box draws its own thin one.
TEST_F(FrmAboutTest, TheBoxHasAThinBorder) {
  const QImage image = box_->grab().toImage();
  const QColor border = box_->palette().color(QPalette::Dark);
  const QColor face = box_->palette().color(QPalette::Window);
  ASSERT_NE(border, face);
  for (const QPoint& p : {QPoint(0, 0), QPoint(image.width() - 1, image.height() / 2),
                          QPoint(image.width() / 2, image.height() - 1), QPoint(0, 10)}) {
    EXPECT_EQ(image.pixel(p), border.rgb()) << p.x() << "," << p.y();
  }
  EXPECT_EQ(image.pixel(2, image.height() - 3), face.rgb());
}

TEST_F(FrmAboutTest, OnlyOkClosesTheBox) {
  auto* ok = Get<QPushButton>("cmdOK");
  auto* url = Get<QPushButton>("cmdURL");
  box_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(box_.get()));
  // Neither button is the default or the cancel button.
  QTest::keyClick(box_.get(), Qt::Key_Escape);
  url->setFocus();
  QTest::keyClick(url, Qt::Key_Return);
  ok->setFocus();
  QTest::keyClick(ok, Qt::Key_Enter);
  EXPECT_TRUE(box_->isVisible());
  EXPECT_TRUE(browser_.opened.empty());
  QTest::mouseClick(ok, Qt::LeftButton);
  EXPECT_FALSE(box_->isVisible());
  EXPECT_EQ(box_->result(), QDialog::Accepted);
}

TEST_F(FrmAboutTest, EachOpeningShowsFreshValues) {
  Get<QLineEdit>("txtVersion")->setText(QStringLiteral("changed"));
  QTest::mouseClick(Get<QPushButton>("cmdOK"), Qt::LeftButton);
  box_ = std::make_unique<frmAbout>(browser_, messages_);
  EXPECT_EQ(Get<QLineEdit>("txtVersion")->text().toStdString(), " Ver. 2.0.0");
  EXPECT_TRUE(Get<QLineEdit>("txtVersion")->isReadOnly());
}

}  // namespace
}  // namespace sorbel
