// .dsn reading: the whole (small) file is read, checked to be text, and its [ODBC] section
// taken line by line. Other sections are ignored, as other drivers' files may carry them.
#include "platform/csvdb/dsn_file.h"

#include <errno.h>

#include <string_view>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "text/utf8.h"

namespace sorbel::csvdb {
namespace {

// A description is a handful of lines; anything much bigger is not one.
constexpr size_t kMaxDsnSize = 1 << 20;

[[noreturn]] void Fail(const std::string& path, const std::string& detail) {
  throw Error(kErrDataSource,
              "データソースの設定ファイルを使用できません。「" + path + "」" + detail);
}

// The file's bytes; fails naming the file when it is not a regular file, cannot be read or is
// bigger than kMaxDsnSize.
std::string ReadSmallFile(const std::string& path) {
  std::string bytes;
  try {
    // Not waiting: a pipe nobody writes to, or a lease another program holds, would hold the
    // run for good.
    OpenFile file = OpenForReading(path, WhenLeased::kFail);
    const FileKind kind = file.State().kind;
    if (kind == FileKind::kFolder) throw OsError(EISDIR);
    if (kind != FileKind::kRegular) {
      Fail(path, "は通常のファイルではありません（フォルダーやパイプなど）。");
    }
    char buffer[4096];
    while (const std::size_t n = file.Read(buffer, sizeof buffer)) {
      bytes.append(buffer, n);
      if (bytes.size() > kMaxDsnSize) Fail(path, "は大きすぎます。");
    }
  } catch (const Error& e) {
    if (e.Number() == kErrDataSource) throw;
    Fail(path, "：" + e.Description());
  }
  return bytes;
}

// A line of the file as a message quotes it: at most kQuoted bytes, cut before a character.
constexpr size_t kQuoted = 80;
std::string Quoted(std::string_view line) {
  if (line.size() <= kQuoted) return std::string(line);
  size_t end = kQuoted;
  while (end > 0 && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80) --end;
  return std::string(line.substr(0, end)) + "…";
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

}  // namespace

Settings ReadDsnFile(const std::string& path) {
  std::string bytes = ReadSmallFile(path);
  std::string_view text = bytes;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  if (text.empty()) Fail(path, "は空です。");
  if (text.find('\0') != std::string_view::npos || !IsValidUtf8(text)) {
    Fail(path, "はテキストファイルではありません。");
  }

  Settings settings;
  bool found = false;
  bool in_odbc = false;
  while (!text.empty()) {
    size_t nl = text.find('\n');
    std::string_view line = Trim(text.substr(0, nl));
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      in_odbc = line.back() == ']' && LowerAscii(Trim(line.substr(1, line.size() - 2))) == "odbc";
      found = found || in_odbc;
      continue;
    }
    if (!in_odbc) continue;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) Fail(path, "に「=」のない行があります：" + Quoted(line));
    std::string key = LowerAscii(Trim(line.substr(0, eq)));
    std::string_view value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '{' && value.back() == '}') {
      value = value.substr(1, value.size() - 2);
    }
    if (key.empty()) Fail(path, "にキーのない行があります：" + Quoted(line));
    settings.emplace(std::move(key), std::string(value));
  }
  if (!found) Fail(path, "に[ODBC]セクションがありません。");
  return settings;
}

}  // namespace sorbel::csvdb
