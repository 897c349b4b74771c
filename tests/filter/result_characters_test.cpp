// Characters the result's code page lacks, in a run in a Shift-JIS locale: kept as "&#N;" in
// the result and in the report of set-aside lines, and told once, with the values counted.
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "filter/filter_run.h"
#include "platform/codepage.h"
#include "run_fixture.h"

// glibc's newlocale keeps the list it makes of LOCPATH's folders (__argz_add_sep) for good:
// not this program's leak, and one per look at the locale.
extern "C" const char* __lsan_default_suppressions() { return "leak:__argz_add_sep\n"; }

namespace sorbel {
namespace {

// The run in a Shift-JIS locale made for the test from glibc's sources, as a Japanese desktop
// would have it; skipped where no locale can be made.
class ResultCharactersTest : public RunFixture {
 protected:
  void SetUp() override {
    RunFixture::SetUp();
    locales_ = folder_ + "-locales";
    extra_files_.push_back(locales_);
    const std::string make =
        "localedef -c -i ja_JP -f SHIFT_JIS " + locales_ + "/ja_JP.SJIS >/dev/null 2>&1";
    std::filesystem::create_directory(locales_);
    if (std::system(make.c_str()) < 0 || !std::filesystem::exists(locales_ + "/ja_JP.SJIS")) {
      GTEST_SKIP() << "cannot make a Shift-JIS locale (localedef and glibc's locale sources)";
    }
    for (const char* name : {"LOCPATH", "LC_ALL"}) {
      const char* value = getenv(name);
      saved_env_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    setenv("LOCPATH", locales_.c_str(), 1);
    setenv("LC_ALL", "ja_JP.SJIS", 1);
    ASSERT_EQ(SystemCodePage(), "windows-31j");
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_env_) {
      if (value)
        setenv(name.c_str(), value->c_str(), 1);
      else
        unsetenv(name.c_str());
    }
    std::filesystem::remove_all(locales_);
    RunFixture::TearDown();
  }

  std::string locales_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_env_;
};

// Values as the writer quotes them (doubled quotes, a line break inside), a column name
// counted apart, five characters named at most.
TEST_F(ResultCharactersTest, KeptAsReferencesAndToldOnceBeforeTheSetAsideLines) {
  host_.csv_path = Catalogue(
      "商品コード,商品名,説明,備考©\r\n"
      "A1,ケトル〜,\"©2012, \"\"x\"\"\",\r\n"
      "A2,棚,\"1行目\r\n2\u200B行目\",\r\n"
      "A3,椀,&#169;,\r\n"      // a reference in the catalogue: nothing to tell
      "A4,\"皿\" x,台所,\r\n"  // a stray quote: set aside
      "A5,箸,é−‖,\r\n",
      "商品\u200B.csv");
  ASSERT_TRUE(ExecFilter(host_));
  EXPECT_EQ(Bytes(ResultPath()),
            FromUtf8("商品コード,商品名,説明,備考&#169;\r\nA1,ケトル&#12316;,\"&#169;2012, "
                     "\"\"x\"\"\",\r\nA2,棚,\"1行目\r\n2&#8203;行目\",\r\nA3,椀,&#169;,\r\n"
                     "A5,箸,&#233;&#8722;&#8214;,\r\n",
                     "windows-31j"));
  ASSERT_EQ(host_.messages.size(), 2u);
  EXPECT_EQ(
      host_.messages[0].text,
      "結果ファイルの文字コード（Shift-JIS）で表せない文字が、列名の1項目と3商品の4項目にあり"
      "ました（©、〜、U+200B、é、− など）。これらの文字は「&#番号;」の形で書き込みました（HTML"
      "では元の文字として表示されます）。");
  EXPECT_EQ(host_.messages[0].icon, kIconWarning);
  EXPECT_NE(host_.messages[1].text.find("読めない行が1行"), std::string::npos);
  // The report names the catalogue by the same rule: its invisible character is not lost.
  const std::string report = folder_ + "/20120201090507_articles_rejected.txt";
  EXPECT_NE(Bytes(report).find("&#8203;.csv"), std::string::npos) << Bytes(report);
}

}  // namespace
}  // namespace sorbel
