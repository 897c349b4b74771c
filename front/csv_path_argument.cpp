// CsvPathArgument: the first argument after the program's name that does not start with "-";
// a file: address of this machine becomes its path, any other address is passed over.
#include "front/csv_path_argument.h"

#include <cctype>

namespace sorbel {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "%E3%81%AF" -> its bytes; a "%" not followed by two hex digits stays as it is.
std::string PercentDecoded(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  for (size_t i = 0; prefix[i] != '\0'; ++i) {
    if (i >= text.size() || std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) {
      return false;
    }
  }
  return true;
}

// The path of a file: address of this machine ("file:///home/a.csv", "file://localhost/...",
// "file:/home/a.csv", "file:///C:/Users/a.csv"); nothing for another machine's.
std::optional<std::string> LocalFilePath(const std::string& address) {
  std::string rest = address.substr(5);  // after "file:"
  if (rest.rfind("//", 0) == 0) {
    rest.erase(0, 2);
    const size_t slash = rest.find('/');
    const std::string host = rest.substr(0, slash);
    if (!host.empty() && !StartsWithNoCase(host, "localhost")) return std::nullopt;
    if (slash == std::string::npos) return std::nullopt;
    rest.erase(0, slash);
  }
  const size_t end = rest.find_first_of("?#");
  std::string path = PercentDecoded(rest.substr(0, end));
  // A drive letter: "/C:/Users/a.csv" is "C:/Users/a.csv".
  if (path.size() >= 3 && path[0] == '/' && std::isalpha(static_cast<unsigned char>(path[1])) &&
      path[2] == ':') {
    path.erase(0, 1);
  }
  if (path.empty()) return std::nullopt;
  return path;
}

}  // namespace

std::optional<std::string> CsvPathArgument(const std::vector<std::string>& arguments) {
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument.empty() || argument[0] == '-') continue;
    if (StartsWithNoCase(argument, "file:")) {
      if (auto path = LocalFilePath(argument)) return path;
      continue;
    }
    // Only an address of a local file names a catalogue the program can read.
    if (argument.find("://") != std::string::npos) continue;
    return argument;
  }
  return std::nullopt;
}

}  // namespace sorbel
