// sorbel-filter as a user's script sees it: options, exit status, the result path on
// standard output and message boxes on standard error.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>

#include "cli/command_line.h"
#include "platform/error.h"
#include "run_fixture.h"

namespace sorbel {
namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

class CommandLineTest : public RunFixture {
 protected:
  void SetUp() override {
    RunFixture::SetUp();
    // The program works in its own folder, so each test runs its own copy.
    exe_ = folder_ + "/sorbel-filter";
    std::filesystem::copy_file(SORBEL_FILTER_EXE, exe_);
  }

  Outcome Run(const std::string& args) {
    std::string err_path = folder_ + ".stderr";
    extra_files_.push_back(err_path);
    std::string command = exe_ + " " + args + " 2>" + err_path + " </dev/null";
    Outcome o;
    FILE* pipe = popen(command.c_str(), "r");
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0) o.out.append(buf.data(), n);
    int raw = pclose(pipe);
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    o.err = Bytes(err_path);
    return o;
  }

  std::string exe_;
};

TEST_F(CommandLineTest, WritesTheResultAndPrintsItsPath) {
  std::string csv = Catalogue("商品名,カテゴリー名,送料無料\r\nケトル,家電,1\r\n椅子,家具,1\r\n");
  Outcome o = Run("--csv '" + csv + "' --category 家電 --free-shipping");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  ASSERT_FALSE(o.out.empty());
  std::string path = o.out.substr(0, o.out.size() - 1);
  EXPECT_EQ(std::filesystem::path(path).parent_path(), folder_);
  EXPECT_TRUE(path.ends_with("_articles.csv"));
  EXPECT_EQ(Bytes(path), "商品名,カテゴリー名,送料無料\r\nケトル,家電,1\r\n");
}

TEST_F(CommandLineTest, FailuresAndUsageErrors) {
  Outcome missing = Run("--csv /nonexistent/article.csv");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err, "Sorbel [warning] CSVファイルに指定したパスは無効です。\n");

  std::string csv = Catalogue("商品名,最低販売価格\r\nケトル,100\r\n");
  Outcome bad_price = Run("--csv '" + csv + "' --price-from abc");
  EXPECT_EQ(bad_price.status, 1);
  EXPECT_EQ(bad_price.err.rfind("Sorbel [critical] 3301:", 0), 0u) << bad_price.err;

  EXPECT_EQ(Run("--bogus").status, 2);
  EXPECT_EQ(Run("").status, 2);
  EXPECT_EQ(Run("--csv").status, 2);
  EXPECT_EQ(Run("--csv x --bundling maybe").status, 2);
  Outcome help = Run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--free-shipping"), std::string::npos);
  Outcome version = Run("--version");
  EXPECT_EQ(version.out, "Sorbel Ver. 2.0.0\n");
}

// Needs the engine to set bad records aside: a warning, and the result stands.
TEST_F(CommandLineTest, SetAsideLinesWarnAndStillSucceed) {
  Outcome o = Run("--csv '" + Catalogue("商品名\r\nケトル\r\n\"椅子\"x\r\n") + "'");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(o.err.starts_with("Sorbel [warning] CSVファイルに読めない行が1行")) << o.err;
}

TEST(ParseCommandLineTest, OptionsMapOntoTheWindowsInputs) {
  CommandLine cl =
      ParseCommandLine({"--csv=a.csv", "--name", "セット", "--category", "家電", "--tag=夏",
                        "--price-from", "-5", "--price-to=10", "--bundling", "×", "--credit-card",
                        "--cash-on-delivery", "--free-shipping", "--show"});
  EXPECT_EQ(cl.csv_path, "a.csv");
  EXPECT_EQ(cl.conditions.ProductNameWords, "セット");
  EXPECT_EQ(cl.conditions.CategoryIndex, 1);
  EXPECT_EQ(cl.conditions.CategoryText, "家電");
  EXPECT_EQ(cl.conditions.TagWords, "夏");
  EXPECT_EQ(cl.conditions.PriceFrom, "-5");
  EXPECT_EQ(cl.conditions.PriceTo, "10");
  EXPECT_NE(cl.conditions.BundlingIndex, 0);
  EXPECT_EQ(cl.conditions.BundlingText, "×");
  EXPECT_TRUE(cl.conditions.CreditCard && cl.conditions.CashOnDelivery &&
              cl.conditions.FreeShippingOnly && cl.show);
  // A value may itself start with dashes when given after the option.
  EXPECT_EQ(ParseCommandLine({"--csv", "--odd.csv"}).csv_path, "--odd.csv");
  EXPECT_THROW(ParseCommandLine({"--csv", "a", "--show=yes"}), Error);
}

}  // namespace
}  // namespace sorbel
