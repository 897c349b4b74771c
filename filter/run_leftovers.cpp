// Leftovers: a lock (flock) marks a file in use; a file of a run's own naming that can be
// locked, and is old, belongs to no live run and goes.
#include "filter/run_leftovers.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <random>
#include <string_view>

#include "fileutil/file_descriptor.h"

namespace sorbel {
namespace {

bool IsTemporary(std::string_view name) {
  return name.size() > 1 && name.front() == '.' && name.ends_with(".tmp") &&
         (name.starts_with(".articles.csv.") ||
          name.find("_articles.csv.") != std::string_view::npos ||
          name.find("_articles_rejected.csv.") != std::string_view::npos ||
          name.find("_articles_rejected.txt.") != std::string_view::npos);
}

bool IsResultName(std::string_view name) {
  return name.front() != '.' && name.ends_with("_articles.csv");
}

}  // namespace

int CreateTemporaryBeside(const std::string& path, std::string& temp_path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp_path = folder + "/." + name + "." + std::to_string(::getpid()) + "." +
                std::to_string(random() % 1000000000) + ".tmp";
    int fd = ::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) MarkInUse(fd);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

void MarkInUse(int fd) { ::flock(fd, LOCK_EX | LOCK_NB); }

// Age matters only in the moments a run's file is not locked yet or no more (just made, just
// closed before its rename); the time of change cannot be set back by anyone.
void RemoveLeftovers(const std::string& folder, int quiet_seconds) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  const time_t now = ::time(nullptr);
  while (dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    const bool temporary = IsTemporary(name);
    if (!temporary && !IsResultName(name)) continue;
    const std::string path = folder + "/" + entry->d_name;
    // Not waiting at the open: a pipe under such a name is not ours.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
    struct stat st;
    if (!fd.Ok() || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (!temporary && st.st_size != 0) continue;  // a result: only an empty one is litter
    if (now - st.st_ctime < quiet_seconds) continue;
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) continue;  // a live run holds it
    ::unlink(path.c_str());
  }
  ::closedir(dir);
}

}  // namespace sorbel
