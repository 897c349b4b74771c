// Leftovers: only a temporary file of a run's exact naming, whose run (the process id in its
// name) is gone and that no live process holds a lock on, belongs to no one and goes.
#include "filter/run_leftovers.h"

#include <cerrno>
#include <random>

#include "filter/program_files.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/process.h"

namespace sorbel {

OpenFile CreateTemporaryBeside(const std::string& path, std::string& temp_path) {
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp_path = TemporaryPath(path, ProcessId(), random() % 1000000000);
    OpenFile file = CreateNew(temp_path);
    if (file.IsOpen()) {
      file.MarkInUse();
      return file;
    }
  }
  throw OsError(EEXIST);
}

// A run just starting has made its file and not marked it yet, but it lives: its process id
// keeps the file. The mark keeps a file whose id another process has taken since.
void RemoveLeftovers(const std::string& folder) {
  for (const std::string& name : FolderEntries(folder)) {
    const long owner = TemporaryOwner(name);
    if (owner == 0 || ProcessLives(owner)) continue;
    const std::string path = InFolder(folder, name);
    if (!HeldOrUnknown(path)) RemoveFile(path);
  }
}

}  // namespace sorbel
