// What every fuzz target needs: a private folder to hand inputs over as files, a reader that
// takes an input apart into control bytes and texts, and a check that stops the run on a fault.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace sorbel::fuzz {

// A broken expectation is a crash, so libFuzzer keeps the input that caused it.
#define FUZZ_CHECK(condition)  \
  do {                         \
    if (!(condition)) abort(); \
  } while (false)

class FuzzFolder {
 public:
  FuzzFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "sorbel-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) abort();
    dir_ = pattern;
  }
  ~FuzzFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  FuzzFolder(const FuzzFolder&) = delete;
  FuzzFolder& operator=(const FuzzFolder&) = delete;

  const std::string& Dir() const { return dir_; }

  // Writes `bytes` exactly to `name` in the folder and returns its path.
  std::string Write(const std::string& name, std::string_view bytes) const {
    std::string path = dir_ + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

 private:
  std::string dir_;
};

// Takes bytes off the front of a fuzz input: single control bytes, then texts.
class InputReader {
 public:
  InputReader(const uint8_t* data, size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  uint8_t Byte() {
    if (rest_.empty()) return 0;
    uint8_t b = static_cast<uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return b;
  }
  // The text up to the next '\x01' (taken off), or everything left.
  std::string Text() {
    size_t end = rest_.find('\x01');
    std::string text(rest_.substr(0, end));
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    return text;
  }
  std::string_view Rest() const { return rest_; }

 private:
  std::string_view rest_;
};

}  // namespace sorbel::fuzz
