// First every header name keeps its place, so a later column called "a_2" is never renamed
// because an earlier duplicate "a" wanted that name; then the empty and repeated ones are named.
#include "platform/csvdb/column_names.h"

#include <unordered_set>

namespace sorbel::csvdb {
namespace {

std::string FoldAscii(const std::string& name) {
  std::string key = name;
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

}  // namespace

std::vector<std::string> UniqueColumnNames(const std::vector<std::string>& header) {
  std::unordered_set<std::string> taken;
  std::vector<bool> keeps(header.size(), false);
  for (std::size_t i = 0; i < header.size(); ++i) {
    keeps[i] = !header[i].empty() && taken.insert(FoldAscii(header[i])).second;
  }
  std::vector<std::string> names(header.size());
  for (std::size_t i = 0; i < header.size(); ++i) {
    if (keeps[i]) {
      names[i] = header[i];
      continue;
    }
    std::string stem = header[i].empty() ? "列" + std::to_string(i + 1) : header[i];
    std::string name = stem;
    for (int k = 2; !taken.insert(FoldAscii(name)).second; ++k) {
      name = stem + "_" + std::to_string(k);
    }
    names[i] = name;
  }
  return names;
}

}  // namespace sorbel::csvdb
