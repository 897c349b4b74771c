// The desktop folder lookup, the browser launcher's refusal of malformed addresses, the
// windows' Japanese font and the twips-to-pixels scale.
#include <gtest/gtest.h>

#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QTemporaryDir>

#include "platform/qt/qt_browser_launcher.h"
#include "platform/qt/qt_desktop_folder.h"
#include "platform/qt/twips.h"
#include "platform/qt/ui_font.h"

namespace sorbel {
namespace {

// Points HOME and the XDG configuration at a fresh folder for one test.
class FreshHome {
 public:
  FreshHome() : home_(qgetenv("HOME")), config_(qgetenv("XDG_CONFIG_HOME")) {
    qputenv("HOME", dir_.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", dir_.filePath(QStringLiteral(".config")).toUtf8());
  }
  ~FreshHome() {
    qputenv("HOME", home_);
    if (config_.isEmpty()) {
      qunsetenv("XDG_CONFIG_HOME");
    } else {
      qputenv("XDG_CONFIG_HOME", config_);
    }
  }
  QString Path() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
  QByteArray home_;
  QByteArray config_;
};

TEST(QtDesktopFolderTest, TheDesktopOrElseHome) {
  FreshHome home;
  EXPECT_EQ(QtDesktopFolder().Path(), home.Path().toStdString());
  ASSERT_TRUE(QDir(home.Path()).mkdir(QStringLiteral("Desktop")));
  EXPECT_EQ(QtDesktopFolder().Path(), (home.Path() + "/Desktop").toStdString());
}

TEST(QtBrowserLauncherTest, AMalformedAddressIsNotHandedOn) {
  EXPECT_FALSE(QtBrowserLauncher().Open("https://exa mple.com/%zz"));
}

TEST(UiFontTest, ResolvesToAJapaneseGothicFaceWithTheGlyphs) {
  const QFont font = UiFont(12);
  EXPECT_EQ(font.family().toStdString(), "MS UI Gothic");
  EXPECT_NEAR(font.pointSizeF(), 12.0, 0.001);
  const QString face = QFontInfo(font).family();
  EXPECT_TRUE(face.contains(QStringLiteral("Gothic")) || face.contains(QStringLiteral("CJK")))
      << face.toStdString();
  const QFontMetrics metrics(font);
  for (char32_t c : QStringLiteral("ＣＳＶファイル（指定なし）○×～商品名：　").toUcs4()) {
    EXPECT_TRUE(metrics.inFontUcs4(c)) << std::hex << static_cast<uint32_t>(c);
  }
  EXPECT_NEAR(UiFont(9.75).pointSizeF(), 9.75, 0.001);
}

TEST(TwipsScaleTest, FifteenTwipsAPixelAt96DpiAndScaledAbove) {
  const TwipsScale normal(96, 96);
  EXPECT_EQ(normal.X(11955), 797);
  EXPECT_EQ(normal.Rect(2820, 2280, 6675, 405), QRect(188, 152, 445, 27));
  const TwipsScale large(144, 120);  // 150 % across, 125 % down
  EXPECT_EQ(large.X(1440), 144);
  EXPECT_EQ(large.Y(1440), 120);
  // Boxes that touch in twips touch in pixels at every scale, whatever the rounding.
  for (int dpi : {96, 110, 120, 144, 168, 192}) {
    const TwipsScale s(dpi, dpi);
    for (int left : {285, 300, 2535, 4380, 9540}) {
      EXPECT_EQ(s.Rect(left, 0, 737, 7).right() + 1, s.Rect(left + 737, 0, 100, 7).left());
    }
  }
}

}  // namespace
}  // namespace sorbel
