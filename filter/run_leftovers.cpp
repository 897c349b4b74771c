// Leftovers: only a temporary file of a run's exact naming, whose run (the process id in its
// name) is gone and that no live process holds a lock on, belongs to no one and goes.
#include "filter/run_leftovers.h"

#include <cctype>
#include <cerrno>
#include <random>
#include <string_view>

#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/process.h"

namespace sorbel {
namespace {

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// "yyyymmddhhmmss_articles" or "yyyymmddhhmmss_N_articles", N from 2 on.
bool IsResultStem(std::string_view stem) {
  if (!stem.ends_with("_articles")) return false;
  stem.remove_suffix(9);
  if (stem.size() < 14 || !AllDigits(stem.substr(0, 14))) return false;
  if (stem.size() == 14) return true;
  return stem[14] == '_' && AllDigits(stem.substr(15)) && stem[15] != '0';
}

// The name a file of the run's own gets before it is whole:
// "." + final name + "." + process id + "." + number + ".tmp"; the process id, else 0.
long TemporaryOwner(std::string_view name) {
  if (!name.starts_with('.') || !name.ends_with(".tmp")) return 0;
  name.remove_prefix(1);
  name.remove_suffix(4);
  const std::size_t number_dot = name.rfind('.');
  if (number_dot == std::string_view::npos || !AllDigits(name.substr(number_dot + 1))) return 0;
  const std::size_t pid_dot = name.rfind('.', number_dot - 1);
  if (pid_dot == std::string_view::npos) return 0;
  const std::string_view pid = name.substr(pid_dot + 1, number_dot - pid_dot - 1);
  if (!AllDigits(pid) || pid.size() > 9) return 0;
  const std::string_view final_name = name.substr(0, pid_dot);
  bool ours = final_name == "articles.csv" || final_name == "sorbel-result";
  for (std::string_view suffix : {".csv", "_rejected.csv", "_rejected.txt"}) {
    if (!ours && final_name.ends_with(suffix)) {
      ours = IsResultStem(final_name.substr(0, final_name.size() - suffix.size()));
    }
  }
  return ours ? std::stol(std::string(pid)) : 0;
}

}  // namespace

OpenFile CreateTemporaryBeside(const std::string& path, std::string& temp_path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp_path = folder + "/." + name + "." + std::to_string(ProcessId()) + "." +
                std::to_string(random() % 1000000000) + ".tmp";
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
    const std::string path = folder + "/" + name;
    if (!HeldOrUnknown(path)) RemoveFile(path);
  }
}

}  // namespace sorbel
