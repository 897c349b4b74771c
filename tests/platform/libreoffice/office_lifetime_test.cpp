// Starting, reusing and leaving the office: a missing or silent soffice is told plainly and not
// left running, a second display joins the running office, and unshown work leaves no office.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "display/spreadsheet_display.h"
#include "platform/error.h"
#include "platform/libreoffice/libreoffice_host.h"
#include "tests/platform/libreoffice/office_probe.h"
#include "tests/platform/libreoffice/recording_box.h"

namespace sorbel {
namespace {

class OfficeLifetimeTest : public ::testing::Test {
 protected:
  void TearDown() override {
    office_.End();
    EXPECT_TRUE(office_.WaitLockGone(0)) << "the office's lock file stayed";
    EXPECT_EQ(office_.Processes(), 0) << "an office process was left behind";
  }

  std::string WriteResult(const std::string& bytes, const std::string& name = "result.csv") {
    std::string path = office_.ProfileDir() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  // Waits up to `ms` for `done`; answers whether it came.
  static bool WaitFor(const std::function<bool()>& done, int ms) {
    for (int waited = 0; !done(); waited += 50) {
      if (waited >= ms) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
  }

  TestOffice office_;
};

TEST_F(OfficeLifetimeTest, MissingSofficeIsToldWithoutIcon) {
  LibreOfficeOptions options = office_.Options();
  options.program = office_.ProfileDir() + "/no-such-dir/soffice";
  LibreOfficeHost host(options);
  RecordingBox box;
  EXPECT_FALSE(ShowExcel(host, box, WriteResult("a\r\n1\r\n"), "UTF-8", "結果"));
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].icon, kIconNone);
  EXPECT_EQ(box.shown[0].caption, "Sorbel");
  EXPECT_NE(box.shown[0].text.find("soffice"), std::string::npos) << box.shown[0].text;
  EXPECT_NE(box.shown[0].text.find("見つかりません"), std::string::npos) << box.shown[0].text;
  EXPECT_EQ(office_.Processes(), 0);
}

TEST_F(OfficeLifetimeTest, ProgramThatIsNoOfficeEndsTheWaitEarly) {
  // Something that starts and ends at once never listens on the pipe; the wait ends long
  // before the time limit with a message that names the program.
  LibreOfficeOptions options = office_.Options();
  options.program = "/bin/true";
  LibreOfficeHost host(options);
  try {
    host.CreateApplication();
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), kErrSpreadsheet);
    EXPECT_NE(e.Description().find("/bin/true"), std::string::npos) << e.Description();
  }
}

TEST_F(OfficeLifetimeTest, OfficeThatNeverAnswersIsStoppedAtTheTimeLimit) {
  // A stand-in that runs but never listens; the marker makes its command line unique.
  const std::string marker = "600." + std::to_string(getpid());
  const std::string program = office_.ProfileDir() + "/silent-soffice";
  std::ofstream(program) << "#!/bin/sh\nexec sleep " << marker << "\n";
  std::filesystem::permissions(program, std::filesystem::perms::owner_all);
  LibreOfficeOptions options = office_.Options();
  options.program = program;
  options.start_timeout_ms = 1000;
  LibreOfficeHost host(options);
  try {
    host.CreateApplication();
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), kErrSpreadsheet);
    EXPECT_NE(e.Description().find(program), std::string::npos) << e.Description();
    EXPECT_NE(e.Description().find("1 秒"), std::string::npos) << e.Description();
  }
  for (int i = 0; i < 100 && !ProcessesWith(marker).empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_TRUE(ProcessesWith(marker).empty()) << "the silent program was left running";
}

TEST_F(OfficeLifetimeTest, SecondDisplayJoinsTheRunningOffice) {
  LibreOfficeHost host(office_.Options());
  std::string path = WriteResult("商品名\r\nA\r\n");
  RecordingBox box;
  ASSERT_TRUE(ShowExcel(host, box, path, "UTF-8", "結果"));
  int processes = office_.Processes();
  ASSERT_TRUE(ShowExcel(host, box, path, "UTF-8", "結果"));
  EXPECT_TRUE(box.shown.empty());
  std::vector<SeenDocument> documents = office_.Documents();
  ASSERT_EQ(documents.size(), 2u);
  for (const SeenDocument& document : documents) {
    EXPECT_TRUE(document.visible);
    EXPECT_EQ(document.cells, (std::vector<std::vector<std::string>>{{"商品名"}, {"A"}}));
  }
  EXPECT_EQ(office_.Processes(), processes);
}

// The user may quit the office, or it may crash, while the program still talks to it: what
// the program sends then is refused with an error it can show, and it goes on running.
TEST_F(OfficeLifetimeTest, AnOfficeGoneMidWorkIsAnErrorNotTheEndOfTheProgram) {
  LibreOfficeHost host(office_.Options());
  std::unique_ptr<SpreadsheetApplication> application = host.CreateApplication();
  application->SetVisible(false);
  std::unique_ptr<SpreadsheetDocument> workbook = application->AddDocument();
  // Work under way while the office goes, and more of it at once after, while the connection
  // may not yet know.
  std::atomic<bool> gone{false};
  std::thread busy([&] {
    while (!gone) {
      try {
        workbook->AddSheet();
      } catch (const Error&) {
      }
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  for (int pid : ProcessesWith(office_.ProfileDir())) ::kill(pid, SIGKILL);
  for (int i = 0; i < 3; ++i) EXPECT_THROW(workbook->AddSheet(), Error);
  gone = true;
  busy.join();
  for (int i = 0; i < 100 && office_.Processes() > 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_EQ(office_.Processes(), 0);
  EXPECT_THROW(workbook->AddSheet(), Error);
  EXPECT_THROW(application->SetVisible(true), Error);
  // A killed office leaves its lock and its pipe behind, which the next start of an office
  // would clear; the test clears them itself.
  std::filesystem::remove(office_.ProfileDir() + "/.lock");
  std::filesystem::remove("/tmp/OSL_PIPE_" + std::to_string(::getuid()) + "_" +
                          office_.Options().pipe_name);
}

TEST_F(OfficeLifetimeTest, WorkNeverShownLeavesNoOfficeBehind) {
  // Preparation that stops half-way, as when an error passes up before the window is shown.
  {
    LibreOfficeHost host(office_.Options());
    std::unique_ptr<SpreadsheetApplication> application = host.CreateApplication();
    application->SetVisible(false);
    std::unique_ptr<SpreadsheetDocument> workbook = application->AddDocument();
    std::unique_ptr<SpreadsheetSheet> worksheet = workbook->AddSheet();
    EXPECT_GT(office_.Processes(), 0);
  }
  EXPECT_TRUE(office_.WaitLockGone(30000));
  for (int i = 0; i < 100 && office_.Processes() > 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(office_.Processes(), 0);
}

}  // namespace
}  // namespace sorbel

namespace sorbel {
namespace {

// Results closed one by one with File > Close: no Start Center takes their place, and the office
// Sorbel started for them ends with the last.
TEST_F(OfficeLifetimeTest, ClosingTheLastResultEndsTheOfficeSorbelStarted) {
  LibreOfficeHost host(office_.Options());
  RecordingBox box;
  ASSERT_TRUE(ShowExcel(host, box, WriteResult("商品名\r\nA\r\n", "a.csv"), "UTF-8", "結果"));
  ASSERT_TRUE(ShowExcel(host, box, WriteResult("商品名\r\nB\r\n", "b.csv"), "UTF-8", "結果"));
  office_.CloseAsUser("a.csv");
  ASSERT_TRUE(WaitFor([&] { return office_.Documents().size() == 1; }, 30000));
  EXPECT_EQ(office_.StartCenters(), 0);
  EXPECT_GT(office_.Processes(), 0) << "the office ended with a result still open";

  office_.CloseAsUser("b.csv");
  EXPECT_TRUE(WaitFor([&] { return office_.Processes() == 0; }, 30000))
      << "the office stayed after its last result, showing " << office_.StartCenters()
      << " Start Center(s)";
}

// An office the user had running before is theirs: closing the result there ends nothing.
TEST_F(OfficeLifetimeTest, AnOfficeTheUserStartedStaysWithTheirWork) {
  office_.StartAsUser();
  office_.AddUsersDocument("見積.ods");
  const int start_centers = office_.StartCenters();
  LibreOfficeHost host(office_.Options());
  RecordingBox box;
  ASSERT_TRUE(ShowExcel(host, box, WriteResult("商品名\r\nA\r\n", "a.csv"), "UTF-8", "結果"));
  office_.CloseAsUser("a.csv");
  ASSERT_TRUE(WaitFor([&] { return office_.Documents().size() == 1; }, 30000));
  // Long enough for a watch, which looks four times a second, to have ended the office.
  std::this_thread::sleep_for(std::chrono::seconds(2));
  std::vector<SeenDocument> documents = office_.Documents();
  ASSERT_EQ(documents.size(), 1u) << "the user's office has ended";
  EXPECT_EQ(documents[0].title, "見積.ods");
  EXPECT_TRUE(documents[0].modified);
  EXPECT_EQ(office_.StartCenters(), start_centers);
}

}  // namespace
}  // namespace sorbel
