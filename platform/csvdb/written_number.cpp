// WrittenNumber: the value folded to ASCII character by character (UTF-8 in), then read by a
// small grammar; the digits go through from_chars, which rounds as any reader of the text would
// and, unlike strtod, whatever the locale.
#include "platform/csvdb/written_number.h"

#include <charconv>
#include <string>

namespace sorbel::csvdb {
namespace {

constexpr char kYen = 'Y';  // stands for a yen sign in the folded text

// The next UTF-8 character of `text` from `at` as the ASCII character it counts as: ' ' for a
// blank, kYen for a yen sign, 0 for anything else.
char Fold(std::string_view text, std::size_t& at) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
  const unsigned char b = byte(0);
  if (b < 0x80) {
    ++at;
    if (b == '\t') return ' ';
    return static_cast<char>(b);
  }
  if (b == 0xC2 && at + 1 < text.size() && byte(1) == 0xA5) {  // U+00A5 ¥
    at += 2;
    return kYen;
  }
  if (b == 0xE3 && at + 2 < text.size() && byte(1) == 0x80 && byte(2) == 0x80) {  // U+3000
    at += 3;
    return ' ';
  }
  if (b == 0xE2 && at + 2 < text.size() && byte(1) == 0x88 && byte(2) == 0x92) {  // U+2212 −
    at += 3;
    return '-';
  }
  if (b == 0xEF && at + 2 < text.size()) {
    const unsigned code = 0xF000u | ((byte(1) & 0x3Fu) << 6) | (byte(2) & 0x3Fu);
    at += 3;
    if (code >= 0xFF10 && code <= 0xFF19) return static_cast<char>('0' + (code - 0xFF10));
    if (code == 0xFF0B) return '+';
    if (code == 0xFF0D) return '-';
    if (code == 0xFF0C) return ',';
    if (code == 0xFF0E) return '.';
    if (code == 0xFFE5) return kYen;
    return 0;
  }
  ++at;
  return 0;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<double> WrittenNumber(std::string_view text) {
  // Most values are plain digits: read at once, with nothing to fold or check.
  if (!text.empty() && text.size() <= 15 &&
      text.find_first_not_of("0123456789") == std::string_view::npos) {
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
  }
  std::string folded;
  for (std::size_t at = 0; at < text.size();) {
    char c = Fold(text, at);
    if (c == 0) return std::nullopt;
    folded += c;
  }
  std::size_t begin = folded.find_first_not_of(' ');
  if (begin == std::string::npos) return std::nullopt;
  std::string_view s(folded);
  s = s.substr(begin, folded.find_last_not_of(' ') - begin + 1);

  std::string plain;  // sign, digits and fraction, as from_chars reads them
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    if (s.front() == '-') plain += '-';
    s.remove_prefix(1);
  }
  if (!s.empty() && s.front() == kYen) s.remove_prefix(1);
  // The whole part: digits, or groups of three after a first group of one to three.
  std::size_t run = 0;  // digits since the start or the last comma
  bool grouped = false;
  while (!s.empty() && (IsDigit(s.front()) || s.front() == ',')) {
    if (s.front() == ',') {
      if (run == 0 || (grouped ? run != 3 : run > 3)) return std::nullopt;
      grouped = true;
      run = 0;
    } else {
      plain += s.front();
      ++run;
    }
    s.remove_prefix(1);
  }
  if (run == 0 || (grouped && run != 3)) return std::nullopt;
  if (!s.empty() && s.front() == '.') {
    plain += '.';
    s.remove_prefix(1);
    if (s.empty() || !IsDigit(s.front())) return std::nullopt;
    while (!s.empty() && IsDigit(s.front())) {
      plain += s.front();
      s.remove_prefix(1);
    }
  }
  if (!s.empty()) return std::nullopt;
  double value = 0;
  auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (error != std::errc() || end != plain.data() + plain.size()) return std::nullopt;
  return value;
}

}  // namespace sorbel::csvdb
