// The staging stamp: a note that a copy holds a file's bytes is written only when nothing can
// have changed unseen, and is believed only while both files are exactly as noted.
#include "filter/staging_stamp.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "platform/file_system.h"

namespace sorbel {
namespace {

class StagingStampTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/sorbel-stamp-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    Put(Source(), "catalogue");
    Put(Copy(), "catalogue");
    copy_fd_ = ::open(Copy().c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(copy_fd_, 0);
    copy_ = OpenFile::FromNativeHandle(copy_fd_);
    // The files were written just now; a reading that began well after that is not racy.
    later_ = NanosNow() + 10'000'000'000;
    char probe[1];
    if (::fsetxattr(copy_fd_, "user.sorbel.probe", "x", 1, 0) != 0 ||
        ::fgetxattr(copy_fd_, "user.sorbel.probe", probe, 1) != 1) {
      GTEST_SKIP() << "no user extended attributes on " << root_;
    }
    ::fremovexattr(copy_fd_, "user.sorbel.probe");
  }
  void TearDown() override {
    copy_ = OpenFile();
    std::filesystem::remove_all(root_);
  }

  static void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  }
  // Rewrites `path` in place with as many bytes, its time of modification set back.
  static void RewriteKeepingTime(const std::string& path, const std::string& bytes) {
    struct stat before;
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    std::fstream(path, std::ios::binary | std::ios::in | std::ios::out) << bytes;
    struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  }
  static FileState StatOf(const std::string& path) {
    const std::optional<FileState> state = FileStateOf(path);
    EXPECT_TRUE(state.has_value());
    return state.value_or(FileState{});
  }
  std::string Source() const { return root_ + "/download.csv"; }
  std::string Copy() const { return root_ + "/articles.csv"; }

  std::string root_;
  int copy_fd_ = -1;  // copy_'s, for the attributes the tests look at themselves
  OpenFile copy_;
  std::int64_t later_ = 0;
};

TEST_F(StagingStampTest, ANoteIsBelievedOnlyWhileBothFilesAreAsNoted) {
  WriteStagingStamp(copy_, nullptr, StatOf(Source()), later_);
  EXPECT_TRUE(StagingStampMatches(copy_, StatOf(Source())));

  // Either file rewritten with as many bytes and its time of modification set back: the time
  // of change still tells.
  RewriteKeepingTime(Source(), "CATALOGUE");
  EXPECT_FALSE(StagingStampMatches(copy_, StatOf(Source())));
  WriteStagingStamp(copy_, nullptr, StatOf(Source()), later_);
  EXPECT_TRUE(StagingStampMatches(copy_, StatOf(Source())));
  Put(Copy(), "catalogue");  // the copy's time of modification moves on
  EXPECT_FALSE(StagingStampMatches(copy_, StatOf(Source())));

  // The copy damaged in place a while after the note, its size and time of modification set
  // back: only its time of change, which no one can set back, tells.
  WriteStagingStamp(copy_, nullptr, StatOf(Source()), later_);
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  RewriteKeepingTime(Copy(), "cataloguX");
  EXPECT_FALSE(StagingStampMatches(copy_, StatOf(Source())));
  Put(Copy(), "catalogue");

  // Another file of the same size and times (a file put in the catalogue's place).
  WriteStagingStamp(copy_, nullptr, StatOf(Source()), later_);
  FileState other = StatOf(Source());
  other.identity = FileIdentity(~0ull, ~0ull);
  EXPECT_FALSE(StagingStampMatches(copy_, other));

  // A note from before the machine last started: the copy may not have reached the disk.
  WriteStagingStamp(copy_, nullptr, StatOf(Source()), later_);
  char note[256] = {};
  ssize_t n = ::fgetxattr(copy_fd_, "user.sorbel.source", note, sizeof note - 1);
  ASSERT_GT(n, 36);
  std::string earlier(note, static_cast<size_t>(n));
  earlier.replace(earlier.size() - 36, 36, "00000000-0000-0000-0000-000000000000");
  ASSERT_EQ(::fsetxattr(copy_fd_, "user.sorbel.source", earlier.data(), earlier.size(), 0), 0);
  EXPECT_FALSE(StagingStampMatches(copy_, StatOf(Source())));
}

TEST_F(StagingStampTest, NoNoteWhenAChangeCouldHaveGoneUnseen) {
  // The catalogue changed just before its reading began: a change right after could keep
  // the same time of change.
  WriteStagingStamp(copy_, nullptr, StatOf(Source()), NanosNow());
  EXPECT_FALSE(StagingStampMatches(copy_, StatOf(Source())));

  // A copy that was compared, not written, and changed between the comparison and the note.
  FileState as_compared = StatOf(Copy());
  RewriteKeepingTime(Copy(), "cataloguX");
  WriteStagingStamp(copy_, &as_compared, StatOf(Source()), later_);
  EXPECT_FALSE(StagingStampMatches(copy_, StatOf(Source())));

  // Unchanged since the comparison, and changed long enough before it: noted.
  as_compared = StatOf(Copy());
  WriteStagingStamp(copy_, &as_compared, StatOf(Source()), later_);
  EXPECT_TRUE(StagingStampMatches(copy_, StatOf(Source())));
}

}  // namespace
}  // namespace sorbel
