// The query engine: a connection to a CSV data source, SQL text in, result records out.
// It stands where a database component with a text-file driver would; all text is UTF-8.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/open_file.h"

namespace sorbel {

// One field value: Null, a whole number, a real number or text. Text views stay valid until
// the records move on or close.
using FieldValue = std::variant<std::monostate, std::int64_t, double, std::string_view>;

inline constexpr int kCursorClientSide = 3;

// The engine keeps a large result's rows in a file without a name beside the tables; where the
// file system cannot make one, in the hidden "." + this + "." + process id + "." + n + ".tmp".
inline constexpr char kRowsFileName[] = "sorbel-result";

// A record of a table file that could not be read (a quote never closed, a value beyond the
// header, a byte the character set lacks) and was left out of the query, as the file holds it.
struct SetAsideRecord {
  std::int64_t line = 0;  // on which it starts, 1-based
  std::string bytes;      // exactly as in the file, its line end included when it has one
  std::string reason;     // what is wrong with it, in words
};

// The records one file had set aside, in file order.
struct SetAsideRecords {
  std::string file;    // the file, as messages name it
  std::string header;  // its header line as in the file (byte order mark and line end
                       // included); empty when the file has no header line
  std::vector<SetAsideRecord> records;
};

// The result of one query, held in full so that RecordCount is exact before the first read.
class ResultRecords {
 public:
  class Impl;
  explicit ResultRecords(std::unique_ptr<Impl> impl);
  ~ResultRecords();
  ResultRecords(const ResultRecords&) = delete;
  ResultRecords& operator=(const ResultRecords&) = delete;

  int FieldCount() const;                     // Fields.Count
  const std::string& FieldName(int i) const;  // Fields(i).Name, 0-based
  std::int64_t RecordCount() const;           // exact
  std::size_t DataSize() const;               // bytes the records hold: a size hint
  bool Eof() const;                           // past the last record
  FieldValue Value(int j) const;              // column j of the current record
  void MoveNext();
  void Close();

 private:
  std::unique_ptr<Impl> impl_;
};

// A connection configured by ODBC-style text ("FILEDSN=/path/datasource.dsn;").
// Open, Execute and Close throw Error on failure.
class Connection {
 public:
  Connection();
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  std::string ConnectionString;
  int CursorLocation = kCursorClientSide;

  // Has the table file `name` (such as "articles.csv") read from the open `file` instead
  // of the folder, whether or not the folder holds a file of that name yet: for a caller that
  // is still putting that file in place. `file` is read at explicit offsets, its file position
  // left alone, and never closed; it must stay open while queries run. Reading errors name
  // `path`, the file it reads, so that their line numbers lead to the right file.
  void ReadTableFrom(const std::string& name, const OpenFile& file, const std::string& path);

  // Asked now and then while a query runs: true stops it with Error(kErrStopped). Set it
  // before Open.
  std::function<bool()> StopWhen;

  void Open();
  // Runs the query over every readable record: a record that cannot be read is set aside
  // instead of failing the query. Still throws for a fault of the file as a whole (empty,
  // unreadable header, character set unclear), when every record is unreadable, and when more
  // than 1,000 records or 16 MiB would be set aside (then the one at hand is named).
  std::unique_ptr<ResultRecords> Execute(std::string_view sql);
  // The records the last Execute set aside, one entry per file with any.
  std::vector<SetAsideRecords> TakeSetAside();
  void Close();

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

// A CSV file read back record by record through the engine's own reader, its first line a
// record like the rest: how a written result is read exactly as it was written.
class CsvFileRecords {
 public:
  // Opens the file at `path`, written in `codepage`. Throws Error naming the file when it cannot
  // be opened or read.
  CsvFileRecords(const std::string& path, const std::string& codepage);
  ~CsvFileRecords();
  CsvFileRecords(const CsvFileRecords&) = delete;
  CsvFileRecords& operator=(const CsvFileRecords&) = delete;

  // Fields of the first record.
  int Columns() const;
  // Moves to the next record; false after the last. Throws Error when the file cannot be read.
  bool Next();
  // Field `i` of the current record as UTF-8 text; empty where the record is shorter.
  std::string_view Field(int i);

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace sorbel
