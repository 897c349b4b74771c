// The program folder's names: made and recognised by the same few rules, so that the clean-up
// can never take a file of the user's for one of ours.
#include "filter/program_files.h"

#include <cctype>
#include <cstdio>

#include "platform/database.h"

namespace sorbel {
namespace {

constexpr std::string_view kResultSuffix = "_articles.csv";
constexpr std::string_view kSetAsideCsvSuffix = "_rejected.csv";
constexpr std::string_view kSetAsideReportSuffix = "_rejected.txt";

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

// "<folder>/<stem>" + suffix for the result "<folder>/<stem>.csv".
std::string Beside(const std::string& result_path, std::string_view suffix) {
  std::string_view stem = result_path;
  if (stem.ends_with(".csv")) stem.remove_suffix(4);
  return std::string(stem) + std::string(suffix);
}

}  // namespace

std::string InFolder(const std::string& folder, std::string_view name) {
  return folder + "/" + std::string(name);
}

std::string ResultFileName(const LocalTime& t, int n) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  std::string name = stamp;
  if (n > 1) {
    name += '_';
    name += std::to_string(n);
  }
  name += kResultSuffix;
  return name;
}

std::string NextResultPath(const std::string& path) {
  const std::size_t slash = path.rfind('/') + 1;  // 0 without a folder
  std::string stem = path.substr(slash, path.size() - slash - kResultSuffix.size());
  int n = 1;
  if (const std::size_t mark = stem.find('_'); mark != std::string::npos) {
    n = std::stoi(stem.substr(mark + 1));
    stem.resize(mark);
  }
  return path.substr(0, slash) + stem + "_" + std::to_string(n + 1) + std::string(kResultSuffix);
}

std::string SetAsideCsvPath(const std::string& result_path) {
  return Beside(result_path, kSetAsideCsvSuffix);
}

std::string SetAsideReportPath(const std::string& result_path) {
  return Beside(result_path, kSetAsideReportSuffix);
}

std::string TemporaryPath(const std::string& path, long process_id, std::uint64_t number) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return folder + "/." + name + "." + std::to_string(process_id) + "." + std::to_string(number) +
         ".tmp";
}

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
  bool ours = final_name == kStagedName || final_name == kRowsFileName;
  for (std::string_view suffix :
       {std::string_view(".csv"), kSetAsideCsvSuffix, kSetAsideReportSuffix}) {
    if (!ours && final_name.ends_with(suffix)) {
      ours = IsResultStem(final_name.substr(0, final_name.size() - suffix.size()));
    }
  }
  return ours ? std::stol(std::string(pid)) : 0;
}

}  // namespace sorbel
