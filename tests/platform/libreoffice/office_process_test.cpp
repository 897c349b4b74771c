// The office program is found or named as missing, and a started program is detached: not our
// child, input and output on /dev/null, none of our descriptors, the extra environment set.
#include "platform/libreoffice/office_process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/error.h"

namespace sorbel {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The pid of the running process whose command line is exactly `cmdline`; 0 when none.
pid_t FindProcess(const std::string& cmdline) {
  for (int i = 0; i < 200; ++i) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
      std::string name = entry.path().filename();
      if (name.find_first_not_of("0123456789") != std::string::npos) continue;
      if (ReadFile(entry.path() / "cmdline") == cmdline) return std::stoi(name);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return 0;
}

TEST(OfficeProcessTest, StartedProgramHoldsNothingOfOurs) {
  int kept = dup(1);  // a descriptor of ours without close-on-exec: it must not reach the program
  // An unusual duration makes the command line unique to this test.
  const std::string seconds = "31.4159" + std::to_string(getpid());
  // LC_ALL=C: a sleep starting up in another locale opens locale files for a moment.
  auto process = OfficeProcess::Start("/bin/sleep", {seconds}, {"SORBEL_PROBE=svp", "LC_ALL=C"});
  pid_t pid = FindProcess("/bin/sleep" + std::string(1, '\0') + seconds + std::string(1, '\0'));
  close(kept);
  ASSERT_NE(pid, 0);
  EXPECT_TRUE(process->Running());

  const std::string proc = "/proc/" + std::to_string(pid);
  const std::vector<std::string> only_null = {"0 /dev/null", "1 /dev/null", "2 /dev/null"};
  std::vector<std::string> descriptors;
  // Read again while the program may still be starting up (a library opening a file of its own).
  for (int i = 0; i < 50 && descriptors != only_null; ++i) {
    if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    descriptors.clear();
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(proc + "/fd", error)) {
      descriptors.push_back(entry.path().filename().string() + " " +
                            std::filesystem::read_symlink(entry.path(), error).string());
    }
    std::sort(descriptors.begin(), descriptors.end());
  }
  EXPECT_EQ(descriptors, only_null);
  // Fields after the name: state, parent, process group, session.
  std::string stat = ReadFile(proc + "/stat");
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  std::string state;
  pid_t parent = 0, group = 0, session = 0;
  fields >> state >> parent >> group >> session;
  EXPECT_NE(parent, getpid());
  EXPECT_EQ(session, pid);
  std::string environment = ReadFile(proc + "/environ");
  EXPECT_NE(environment.find(std::string(1, '\0') + "SORBEL_PROBE=svp" + std::string(1, '\0')),
            std::string::npos);

  kill(pid, SIGTERM);
  for (int i = 0; i < 100 && process->Running(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_FALSE(process->Running());
}

TEST(OfficeProcessTest, ProgramThatCannotRunIsAnError) {
  // A file without execute permission is found by path but cannot be executed.
  EXPECT_THROW(OfficeProcess::Start("/etc/hostname", {}, {}), Error);
  try {
    OfficeProcess::Start("/etc/hostname", {}, {});
  } catch (const Error& e) {
    EXPECT_NE(e.Description().find("/etc/hostname"), std::string::npos) << e.Description();
  }
}

TEST(OfficeProcessTest, MissingProgramIsNamedAsSoffice) {
  try {
    FindOffice("/nonexistent/soffice");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), kErrSpreadsheet);
    EXPECT_NE(e.Description().find("soffice"), std::string::npos);
    EXPECT_NE(e.Description().find("/nonexistent/soffice"), std::string::npos);
  }
  // Without a configured program the installed office is found.
  EXPECT_TRUE(std::filesystem::exists(FindOffice("")));
}

}  // namespace
}  // namespace sorbel
