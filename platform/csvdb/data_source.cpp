// Data source resolution: merge the connection text with its .dsn file, check the driver,
// and turn the folder, character set, header, delimiter and numeric columns into a DataSource.
#include "platform/csvdb/data_source.h"

#include <filesystem>
#include <system_error>

#include "platform/codepage.h"
#include "platform/csvdb/connection_text.h"
#include "platform/csvdb/dsn_file.h"
#include "platform/error.h"

namespace sorbel::csvdb {
namespace {

constexpr char kLeadIn[] = "データソースを開けません。";

[[noreturn]] void Fail(const std::string& detail) { throw Error(kErrDataSource, kLeadIn + detail); }

// The value of `key`; `fallback` when it is missing or empty.
std::string Lookup(const Settings& settings, const std::string& key, const std::string& fallback) {
  auto it = settings.find(key);
  return it == settings.end() || it->second.empty() ? fallback : it->second;
}

// `folder` as an absolute path without links, a relative one taken from `base`.
std::string AbsoluteFolder(const std::string& folder, const std::filesystem::path& base) {
  std::error_code ec;
  const std::filesystem::path resolved = std::filesystem::canonical(base / folder, ec);
  if (ec) Fail("テーブルのフォルダー「" + folder + "」：" + OsErrorText(ec.value()));
  if (!std::filesystem::is_directory(resolved, ec)) {
    Fail("テーブルのフォルダー「" + folder + "」はフォルダーではありません。");
  }
  return resolved.generic_string();  // "/" between names on every system, as elsewhere
}

std::string Charset(const std::string& name) {
  if (LowerAscii(name) == "auto") return "auto";
  try {
    ToUtf8("", name);  // throws for a name no converter knows
  } catch (const Error&) {
    Fail("文字コード「" + name + "」は使用できません（CharacterSet）。");
  }
  return name;
}

bool Header(const std::string& text) {
  std::string value = LowerAscii(text);
  if (value == "true" || value == "yes" || value == "1") return true;
  if (value == "false" || value == "no" || value == "0") return false;
  Fail("ColNameHeader の値「" + text + "」は True か False で指定してください。");
}

// Only delimiters below 0x40 are safe: Shift-JIS trail bytes start there, so a byte such as
// '|' may sit inside a Japanese character.
char Delimiter(const std::string& text) {
  if (LowerAscii(text) == "tab") return '\t';
  if (text == "," || text == ";" || text == ":") return text[0];
  Fail("Delimiter の値「" + text + "」は使用できません（, ; : TAB のいずれか）。");
}

// "最低販売価格, 送料無料": names separated by commas, blanks around each dropped.
std::vector<std::string> ColumnList(const std::string& text) {
  std::vector<std::string> names;
  std::size_t at = 0;
  while (at <= text.size()) {
    std::size_t comma = text.find(',', at);
    if (comma == std::string::npos) comma = text.size();
    std::string name = text.substr(at, comma - at);
    const std::size_t first = name.find_first_not_of(" \t");
    if (first != std::string::npos) {
      names.push_back(name.substr(first, name.find_last_not_of(" \t") - first + 1));
    }
    at = comma + 1;
  }
  return names;
}

}  // namespace

DataSource ResolveDataSource(std::string_view connection_text) {
  if (connection_text.find_first_not_of(" \t\r\n") == std::string_view::npos) {
    Fail("接続文字列が空です。");
  }
  Settings settings = ParseConnectionText(connection_text);
  if (settings.count("dsn") != 0) {
    Fail("DSN= は使用できません。FILEDSN= でデータソースの設定ファイルを指定してください。");
  }
  // A folder the description file names is taken from that file's folder, so that the tables
  // do not depend on the current folder; one in the connection text, from the current folder.
  std::filesystem::path base = ".";
  auto file = settings.find("filedsn");
  if (file != settings.end()) {
    if (settings.count("defaultdir") == 0) {
      base = std::filesystem::path(file->second).parent_path();
      if (base.empty()) base = ".";
    }
    if (file->second.empty()) Fail("FILEDSN= にファイルが指定されていません。");
    // Keys of the connection text win; map::insert keeps them.
    Settings from_file = ReadDsnFile(file->second);
    settings.insert(from_file.begin(), from_file.end());
  }

  std::string driver = Lookup(settings, "driver", "");
  if (driver.empty()) Fail("ドライバーが指定されていません（DRIVER）。");
  if (LowerAscii(driver) != LowerAscii(kDriverName)) {
    Fail("ドライバー「" + driver + "」はありません。使用できるのは「" + kDriverName + "」です。");
  }

  DataSource source;
  std::string folder = Lookup(settings, "defaultdir", "");
  source.folder = AbsoluteFolder(folder.empty() ? "." : folder, base);
  source.format.charset = Charset(Lookup(settings, "characterset", "auto"));
  source.format.header = Header(Lookup(settings, "colnameheader", "True"));
  source.format.delimiter = Delimiter(Lookup(settings, "delimiter", ","));
  source.numeric_columns = ColumnList(Lookup(settings, "numericcolumns", ""));
  return source;
}

}  // namespace sorbel::csvdb
