// CsvReader: one CSV file as a header and a stream of records, read straight from raw bytes.
// Record and field boundaries are found on the raw bytes; only fields asked for are decoded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/csvdb/field_type.h"

namespace sorbel {
class OpenFile;
}

namespace sorbel::csvdb {

class SetAsideList;

struct CsvFormat {
  char delimiter = ',';
  bool header = true;            // the first record holds the column names
  std::string charset = "auto";  // "auto", or a code page name such as "CP932" or "UTF-8"
};

class CsvReader {
 public:
  // Opens `path` and reads the header. Throws Error (kErrCsvFile, kErrCsvFormat,
  // kErrCodePage) whose description names the file and, for format faults, the line, and
  // Error(kErrDataSource) for a delimiter that cannot be used. With `lent` the file is read
  // from that open file at explicit offsets (its file position is left alone) and never
  // closed; `path` then only names it in messages.
  // With `set_aside`, a record that cannot be read (a quote fault, a value beyond the header,
  // and with CheckFields a NUL or invalid byte) is added to that list and passed over
  // instead of thrown; faults of the header or the file as a whole are still thrown, and so
  // is the first fault when no record could be read, or the one at hand when the list is full.
  static std::unique_ptr<CsvReader> Open(const std::string& path, const CsvFormat& format,
                                         const OpenFile* lent = nullptr,
                                         SetAsideList* set_aside = nullptr);
  virtual ~CsvReader() = default;

  // Column names, unique and never empty (see docs/datasource.md for the renaming rule).
  virtual const std::vector<std::string>& ColumnNames() const = 0;
  // The character set in use after "auto" is resolved: "UTF-8" or "windows-31j" (or the code
  // page named). When the first MiB of an "auto" file is plain ASCII this says "UTF-8" until
  // the first field with other bytes is read, which settles it.
  virtual const std::string& Charset() const = 0;

  // Moves to the next record (the first one after Open or Rewind); false at the end.
  // Throws Error(kErrCsvFormat) naming the file and line on malformed input.
  virtual bool Next() = 0;
  // Line (1-based) on which the current record starts.
  virtual std::int64_t RecordLine() const = 0;
  // Field i (0-based) of the current record; a field the record lacks is Null, as is any
  // field before the first or after the last record. Decoded once per record; throws
  // CsvFieldFault naming the file and line for a NUL or a byte invalid in the character set.
  virtual CsvField Field(int i) = 0;
  // Next() decodes at once the fields of the columns whose bit is set in `columns` (bit 63
  // stands for column 63 and every one after it; 0, the default, decodes none), so that a
  // record with a NUL or an invalid byte in one of them is set aside before the caller sees it
  // (slower: for a second read after Field() has thrown).
  virtual void CheckFields(std::uint64_t columns) = 0;
  // Back to before the first record.
  virtual void Rewind() = 0;
};

}  // namespace sorbel::csvdb
