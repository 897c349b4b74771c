// "Open with Sorbel": the path a file manager or Explorer passes, as a path or a file: address.
#include "front/csv_path_argument.h"

#include <gtest/gtest.h>

namespace sorbel {
namespace {

TEST(CsvPathArgumentTest, TheFirstArgumentThatIsNoOptionIsThePath) {
  auto path = [](std::initializer_list<const char*> words) {
    return CsvPathArgument(std::vector<std::string>(words.begin(), words.end()));
  };
  EXPECT_EQ(path({"sorbel"}), std::nullopt);
  EXPECT_EQ(path({"sorbel", "/home/はなこ/article.csv"}), "/home/はなこ/article.csv");
  EXPECT_EQ(path({"sorbel", "-x", "a b.csv"}), "a b.csv");
  EXPECT_EQ(path({"sorbel", "C:\\Users\\はなこ\\article.csv"}), "C:\\Users\\はなこ\\article.csv");
  EXPECT_EQ(path({"sorbel", "file:///home/%E3%81%AF/%20x.csv"}), "/home/は/ x.csv");
  EXPECT_EQ(path({"sorbel", "file://localhost/home/a%2.csv"}), "/home/a%2.csv");
  EXPECT_EQ(path({"sorbel", "FILE:///C:/Users/a.csv"}), "C:/Users/a.csv");
  EXPECT_EQ(path({"sorbel", "file://server/share/a.csv", "b.csv"}), "b.csv");
  EXPECT_EQ(path({"sorbel", "https://example.com/a.csv"}), std::nullopt);
}

}  // namespace
}  // namespace sorbel
