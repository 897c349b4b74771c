// A new, empty folder of a test's own under the system's temporary folder, made the same way on
// every system the tests run on (Linux, and Windows under Wine).
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <string_view>

namespace sorbel::testing {

// "<temp>/<prefix>-<random>", with forward slashes.
inline std::string NewTempFolder(std::string_view prefix) {
  std::random_device seed;
  for (;;) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() /
        (std::string(prefix) + "-" + std::to_string(seed()) + std::to_string(seed()));
    if (std::filesystem::create_directory(dir)) return dir.generic_string();
  }
}

}  // namespace sorbel::testing
