// Most fields are plain ASCII without doubled quotes and are handed on as views of the file's
// bytes; the rest are checked (UTF-8) or converted through the code page table (CP932, ...).
#include "platform/csvdb/field_decoder.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/codepage.h"
#include "platform/csvdb/bad_line_count.h"
#include "platform/csvdb/csv_error.h"
#include "text/utf8.h"

namespace sorbel::csvdb {
namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// True when every byte is in 0x01..0x7F: nothing to check, convert or refuse.
bool IsPlainAscii(std::string_view s) {
  const char* p = s.data();
  std::size_t n = s.size();
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    if (!PlainWord(p + i)) return false;
  }
  for (; i < n; ++i) {
    if (static_cast<unsigned char>(p[i] - 1) >= 0x7F) return false;
  }
  return true;
}

// Offset of the first byte that keeps `head`, the start of a file, from being UTF-8, or kNone;
// a character cut off at the end does not count.
std::size_t FirstUtf8Fault(std::string_view head) {
  std::size_t bad = FirstBadUtf8(head, false);
  if (bad == kNone) return kNone;
  auto lead = static_cast<unsigned char>(head[bad]);
  std::size_t need = lead >= 0xF0 && lead <= 0xF4   ? 4
                     : lead >= 0xE0 && lead <= 0xEF ? 3
                     : lead >= 0xC2 && lead <= 0xDF ? 2
                                                    : 0;
  std::size_t left = head.size() - bad;
  if (need == 0 || left >= need) return bad;
  for (std::size_t k = bad + 1; k < head.size(); ++k) {
    if ((static_cast<unsigned char>(head[k]) & 0xC0) != 0x80) return bad;
  }
  return kNone;
}

// Copies `in` to `out`, each doubled quote becoming one; returns the bytes written.
std::size_t Undouble(std::string_view in, char* out) {
  char* d = out;
  const char* p = in.data();
  const char* end = p + in.size();
  while (p < end) {
    const void* quote = std::memchr(p, '"', static_cast<std::size_t>(end - p));
    // Up to and including the first quote of a pair; the second one is passed over.
    const char* stop = quote ? static_cast<const char*>(quote) + 1 : end;
    std::memcpy(d, p, static_cast<std::size_t>(stop - p));
    d += stop - p;
    p = quote ? stop + 1 : end;
  }
  return static_cast<std::size_t>(d - out);
}

}  // namespace

FieldDecoder::FieldDecoder(std::string_view charset, std::string_view head, bool bom,
                           char delimiter, std::string_view path)
    : guessed_(false), delimiter_(delimiter) {
  bool guess = charset == "auto" || charset.empty();
  // A byte order mark settles a guess; a character set named in the setting wins over it.
  if (IsUtf8CodePage(charset) || (bom && guess)) {
    mode_ = Mode::kUtf8;
    charset_ = "UTF-8";
    if (bom) CheckMarkedHead(head, path);
  } else if (guess) {
    guessed_ = true;
    Guess(head, path);
  } else {
    table_ = std::make_unique<CodePageTable>(charset, delimiter_);
    mode_ = Mode::kTable;
    charset_ = SameCodePage(charset, "windows-31j") ? "windows-31j" : std::string(charset);
  }
}

void FieldDecoder::Guess(std::string_view head, std::string_view path) {
  mode_ = Mode::kUtf8;
  charset_ = "UTF-8";
  if (IsPlainAscii(head)) {
    mode_ = Mode::kUtf8Provisional;
    return;
  }
  BadLineCount utf8 = CountBadLines(head, FirstUtf8Fault);
  if (utf8.bad == 0) return;
  // UTF-8 Japanese often passes for CP932 pairs, so CP932 must fit the head as well: a file
  // that neither fits but for a few lines (set aside later) is refused, not read garbled.
  UseCp932();
  BadLineCount cp932 =
      CountBadLines(head, [this](std::string_view text) { return table_->FirstInvalid(text); });
  if (cp932.bad == 0 || (cp932.bad < utf8.bad && cp932.Few())) return;
  // Equally bad both ways, the file tells nothing: refused.
  if (utf8.bad < cp932.bad && utf8.Few()) {
    table_.reset();
    mode_ = Mode::kUtf8;
    charset_ = "UTF-8";
    return;
  }
  throw CsvFileFormatError(
      path,
      "CSVのテキストファイルではないようです。UTF-8かShift-JIS（CP932）のCSVファイルを"
      "選んでください（文字コードを判定できません: UTF-8としては" +
          std::to_string(utf8.first) + "行目、CP932としては" + std::to_string(cp932.first) +
          "行目に正しくないバイトがあります）。");
}

void FieldDecoder::CheckMarkedHead(std::string_view head, std::string_view path) const {
  BadLineCount utf8 = CountBadLines(head, FirstUtf8Fault);
  if (utf8.bad == 0) return;
  // The mark is believed while most lines with other bytes than ASCII are UTF-8: the rest are
  // damaged records, set aside when read.
  BadLineCount other = CountBadLines(head, [](std::string_view text) {
    auto high = std::find_if(text.begin(), text.end(), [](char c) { return c & 0x80; });
    return high == text.end() ? kNone : static_cast<std::size_t>(high - text.begin());
  });
  if (utf8.Few() || utf8.bad * 2 <= other.bad) return;
  // Only to word the message; a comma is never the second byte of a CP932 character.
  CodePageTable cp932_table("windows-31j", ',');
  BadLineCount cp932 =
      CountBadLines(head, [&](std::string_view text) { return cp932_table.FirstInvalid(text); });
  std::string where =
      "（UTF-8としては" + std::to_string(utf8.first) + "行目に正しくないバイトがあります）。";
  if (cp932.Few()) {
    throw CsvFileFormatError(path,
                             "ファイルの先頭にUTF-8の印（BOM）がありますが、中身はUTF-8ではなく"
                             "Shift-JIS（CP932）のようです" +
                                 where +
                                 "UTF-8で保存し直すか、datasource.dsnで「CharacterSet=CP932」を"
                                 "指定してください。");
  }
  throw CsvFileFormatError(
      path, "ファイルの先頭にUTF-8の印（BOM）がありますが、中身はUTF-8ではありません" + where +
                "UTF-8で保存し直すか、ダウンロードし直したファイルでお試しください。");
}

void FieldDecoder::UseCp932() {
  table_ = std::make_unique<CodePageTable>("windows-31j", delimiter_);
  mode_ = Mode::kTable;
  charset_ = "windows-31j";
}

bool FieldDecoder::Decode(std::string_view raw, TextBuffer& out, std::string_view* text,
                          std::size_t* bad_offset) {
  bool quoted = raw.front() == '"';
  std::size_t base = quoted ? 1 : 0;
  std::string_view body = quoted ? raw.substr(1, raw.size() - 2) : raw;
  bool doubled = quoted && std::memchr(body.data(), '"', body.size()) != nullptr;
  bool plain = IsPlainAscii(body);
  if (plain && !doubled) {
    *text = body;
    return true;
  }

  if (!plain && mode_ != Mode::kTable) {
    std::size_t first_bad = FirstBadUtf8(body, true);
    if (first_bad != kNone && body[first_bad] != '\0' && mode_ == Mode::kUtf8Provisional) {
      // Everything handed out so far was ASCII, which reads the same in CP932.
      UseCp932();
    } else if (first_bad != kNone) {
      *bad_offset = base + first_bad;
      return false;
    } else if (mode_ == Mode::kUtf8Provisional) {
      mode_ = Mode::kUtf8;
    }
  }

  if (mode_ == Mode::kTable) {
    char* d = out.Reserve(table_->OutputBound(body.size()));
    std::size_t bad = 0;
    std::ptrdiff_t size = table_->Decode(body, quoted, d, &bad);
    if (size < 0) {
      *bad_offset = base + bad;
      return false;
    }
    *text = std::string_view(d, static_cast<std::size_t>(size));
    return true;
  }
  if (!doubled) {
    *text = body;
    return true;
  }
  char* d = out.Reserve(body.size());
  *text = std::string_view(d, Undouble(body, d));
  return true;
}

std::string FieldDecoder::DescribeFault(std::string_view raw, std::size_t bad_offset) const {
  if (raw[bad_offset] == '\0') return "NUL文字（0x00）があります。";
  std::string bytes;
  for (std::size_t k = bad_offset; k < raw.size() && k < bad_offset + 4; ++k) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%s0x%02X", bytes.empty() ? "" : " ",
                  static_cast<unsigned char>(raw[k]));
    bytes += hex;
  }
  std::string detail =
      "文字コード「" + charset_ + "」として正しくないバイトがあります（" + bytes + "）。";
  // Told for a guessed character set: the file's start fitted it, this line does not.
  if (guessed_) {
    detail +=
        "ファイルの途中から文字コードが変わっているか、ファイルが壊れています。"
        "ダウンロードし直したファイルでお試しください。";
  }
  return detail;
}

}  // namespace sorbel::csvdb
