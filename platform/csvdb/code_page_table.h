// CodePageTable: decodes text in a one- or two-byte code page (CP932 above all) to UTF-8
// through a table the code page's converter fills once, so no converter is called per field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sorbel::csvdb {

class CodePageTable {
 public:
  // Builds the table for `codepage` by asking the converter for every byte and byte pair.
  // Throws Error(kErrCodePage) for a name no converter knows or a code page this table cannot
  // hold (more than two bytes a character, not ASCII-based, or shifting states), and
  // Error(kErrDataSource) when a two-byte character could end in `delimiter`.
  CodePageTable(std::string_view codepage, char delimiter);

  // The converter's own name of the code page, e.g. "ibm-943_P15A-2003" for CP932.
  const std::string& CanonicalName() const { return canonical_; }

  // Room `Decode` needs for `size` input bytes.
  std::size_t OutputBound(std::size_t size) const { return size * max_growth_ + 8; }

  // Decodes `in` into `out` (OutputBound(in.size()) bytes). With `undouble_quotes`, each
  // doubled quote "" gives one quote. Returns the number of bytes written, or -1 with
  // *bad_offset set to the first byte that is not valid in the code page or is NUL.
  std::ptrdiff_t Decode(std::string_view in, bool undouble_quotes, char* out,
                        std::size_t* bad_offset) const;

  // Offset of the first byte of `in` that is not valid in the code page, or npos. NUL is
  // valid here, and so is a lead byte that ends `in` (the start of a file may be cut short).
  std::size_t FirstInvalid(std::string_view in) const;

 private:
  // Eight bytes, so Decode copies an entry with one store.
  struct Entry {
    char utf8[7];
    std::uint8_t size;  // 0: no character
  };
  static_assert(sizeof(Entry) == 8);
  std::string canonical_;
  Entry single_[256];
  std::int16_t lead_slot_[256];  // -1: not a lead byte; else index of its 256 pair entries
  std::vector<Entry> pairs_;
  std::size_t max_growth_ = 1;  // most UTF-8 bytes per input byte
};

}  // namespace sorbel::csvdb
