// FieldDecoder: a field's raw bytes to its exact UTF-8 text: quotes around it dropped, doubled
// quotes undoubled, the file's character set converted; NUL and invalid bytes are refused.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/csvdb/code_page_table.h"

namespace sorbel::csvdb {

// A reusable output area: it grows and never shrinks, so decoding stops allocating once warm.
class TextBuffer {
 public:
  char* Reserve(std::size_t size) {
    if (size > capacity_) {
      capacity_ = std::max(size, capacity_ * 2);
      data_ = std::make_unique<char[]>(capacity_);
    }
    return data_.get();
  }

 private:
  std::unique_ptr<char[]> data_;
  std::size_t capacity_ = 0;
};

class FieldDecoder {
 public:
  // `charset`: "auto", a spelling of UTF-8, or an ICU code page name ("CP932", ...).
  // `head`: the file's first bytes after any byte order mark, which "auto" looks at.
  // `bom`: the file starts with a UTF-8 byte order mark, which makes "auto" UTF-8; a code
  // page named in `charset` wins over it.
  // Throws Error(kErrCodePage) or Error(kErrDataSource) as CodePageTable does, and
  // Error(kErrCsvFormat) naming `path` when "auto" finds the head neither UTF-8 nor CP932 but
  // for a few lines, or when a head marked UTF-8 is mostly not.
  FieldDecoder(std::string_view charset, std::string_view head, bool bom, char delimiter,
               std::string_view path);

  // "UTF-8", "windows-31j" for any name of CP932, or the code page name given.
  const std::string& Charset() const { return charset_; }

  // The text of a non-empty raw field (quotes included when it is quoted): a view of `raw`
  // when nothing needs changing, else of `out`. False, with *bad_offset the offset in `raw`,
  // at the first NUL byte or byte invalid in the character set.
  bool Decode(std::string_view raw, TextBuffer& out, std::string_view* text,
              std::size_t* bad_offset);

  // What is wrong at raw[bad_offset], for a message: a NUL, or the invalid bytes in hex.
  std::string DescribeFault(std::string_view raw, std::size_t bad_offset) const;

 private:
  enum class Mode {
    kUtf8,
    kUtf8Provisional,  // "auto" has seen only ASCII so far; the first other field decides
    kTable,
  };
  // Settles "auto" on the head: see docs/datasource.md, "Character sets".
  void Guess(std::string_view head, std::string_view path);
  // Throws when most lines of a head after a UTF-8 byte order mark are not UTF-8.
  void CheckMarkedHead(std::string_view head, std::string_view path) const;
  void UseCp932();

  Mode mode_;
  bool guessed_;  // the character set came from "auto"
  char delimiter_;
  std::string charset_;
  std::unique_ptr<CodePageTable> table_;
};

}  // namespace sorbel::csvdb
