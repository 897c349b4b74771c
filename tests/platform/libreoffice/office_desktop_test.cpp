// One office per desktop: pipe names from displays, the user's running offices as /proc shows
// them, and a profile of our own only when the user's office shows on another display.
#include "platform/libreoffice/office_desktop.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

namespace sorbel {
namespace {

TEST(OfficeDesktopTest, EachDisplayHasAPipeOfItsOwn) {
  EXPECT_EQ(DesktopPipeName(":0"), "sorbel_0");
  EXPECT_EQ(DesktopPipeName(":0.0"), "sorbel_0.0");
  EXPECT_EQ(DesktopPipeName("localhost:10.0"), "sorbel_localhost_10.0");
  EXPECT_EQ(DesktopPipeName("wayland-1"), "sorbel_wayland-1");
  EXPECT_EQ(DesktopPipeName(""), "sorbel_none");
  EXPECT_EQ(DesktopPipeName("a;urp,b=c"), "sorbel_a_urp_b_c")
      << "no separator of the accept string";
  EXPECT_NE(DesktopPipeName(":0"), DesktopPipeName(":1"));
}

TEST(OfficeDesktopTest, OwnProfileOnlyWhenTheUsersOfficeShowsElsewhere) {
  const std::string home = "/home/u/.config";
  EXPECT_EQ(DesktopProfile(":0", {}, home), "");
  EXPECT_EQ(DesktopProfile(":0", {{false, ":0"}}, home), "");
  EXPECT_EQ(DesktopProfile(":0", {{true, ":1"}}, home), "") << "an office of a profile of its own";
  EXPECT_EQ(DesktopProfile(":1", {{false, ":0"}}, home), "/home/u/.config/sorbel/office-1");
  EXPECT_EQ(DesktopProfile("wayland-0", {{true, ":1"}, {false, ":0"}}, home),
            "/home/u/.config/sorbel/office-wayland-0");
}

TEST(OfficeDesktopTest, RunningOfficesAreFoundWithTheirDisplay) {
  // A stand-in process under the office's program name, on a display of its own.
  const std::string dir = testing::TempDir() + "office-desktop-" + std::to_string(getpid());
  std::filesystem::create_directories(dir);
  const std::string program = dir + "/soffice.bin";
  std::filesystem::copy_file("/bin/sleep", program);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("30"), nullptr};
    char* envp[] = {const_cast<char*>("DISPLAY=:42"), nullptr};
    execve(program.c_str(), argv, envp);
    _exit(127);
  }
  bool found = false;
  for (int i = 0; i < 200 && !found; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    for (const RunningOffice& office : RunningOffices()) {
      found = found || (office.display == ":42" && !office.own_profile);
    }
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  std::filesystem::remove_all(dir);
  EXPECT_TRUE(found);
}

}  // namespace
}  // namespace sorbel
