// Version texts every caption is built from, and the program folder.
#include "platform/app.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

namespace sorbel {
namespace {

TEST(AppTest, CaptionAndVersionText) {
  EXPECT_EQ(AppVersionText(), " Ver. 2.0.0");
  EXPECT_EQ(AppCaption(), "Sorbel Ver. 2.0.0");
}

TEST(AppTest, FolderIsTheExecutablesFolderWithoutTrailingSlash) {
  std::string folder = AppFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(folder + "/platform_test"));
}

}  // namespace
}  // namespace sorbel
