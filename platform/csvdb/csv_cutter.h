// CsvCutter: finds the records of a CSV file and the fields of each record on the raw bytes,
// reading at explicit offsets into batches that it hands on as they fill; it knows no character
// set.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/csvdb/csv_batch.h"
#include "platform/csvdb/csv_line_counter.h"
#include "platform/open_file.h"

namespace sorbel::csvdb {

class CsvCutter {
 public:
  // A record may not be longer than this; beyond it a quote was almost surely never closed.
  static constexpr std::size_t kMaxRecordBytes = std::size_t{256} << 20;
  // The start of the file read before the first record, for the character set to be told from.
  static constexpr std::size_t kHeadBytes = std::size_t{1} << 20;
  // A record set aside may hold no more; beyond that a stray quote is taken to have broken
  // the rest of the file, and the fault stops the run as it would without setting aside.
  static constexpr std::size_t kMaxSetAsideBytes = std::size_t{1} << 20;
  static constexpr int kMaxSetAsideLines = 1000;

  // What is wrong with a record that cannot be cut into fields.
  enum Fault : std::uint16_t {
    kSound = 0,
    kQuoteNotClosed,  // a quoted field runs to the end of the file
    kTextAfterQuote,  // a closing quote is followed by something else than a delimiter or line end
    kQuoteAtLineEnd,  // a quote closed a field at a line end, leaving the record short, and the
                      // lines after it read as the rest of that field
  };
  // The fault in words, as messages give it.
  static const char* FaultText(Fault fault);

  // Opens `path` (or reads `lent` when given, at explicit offsets, never closing it; `path` then
  // only names the file in messages) and reads the head into a batch from `queue`.
  // Throws Error(kErrCsvFile) naming the file. `delimiter` must not be a quote, CR or LF.
  // With `set_aside`, a record with a quote fault is handed on as a faulty record instead of
  // ending the run (see Run()).
  CsvCutter(const std::string& path, char delimiter, const OpenFile* lent, bool set_aside,
            CsvBatchQueue& queue);
  ~CsvCutter();
  CsvCutter(const CsvCutter&) = delete;
  CsvCutter& operator=(const CsvCutter&) = delete;

  // The file's first bytes (up to kHeadBytes, a UTF-8 byte order mark left out). Valid until
  // Run() starts.
  std::string_view Head() const;
  bool HasByteOrderMark() const { return bom_; }
  const OpenFile& File() const { return *file_; }
  const std::string& Path() const { return path_; }

  // Cuts every record from the head on and publishes the batches to the queue in file order,
  // blank lines left out; the last batch says so. A fault in the file (a quote never closed,
  // text after a closing quote, a record longer than kMaxRecordBytes: Error(kErrCsvFormat)
  // naming the file and line) or a failed read ends the run: the batch with the records
  // before it carries the error. Returns early, publishing nothing more, when the queue is
  // stopped.
  // When setting aside, a quote fault after the first record does not end the run: the faulty
  // record runs from its start to the first later line at which a sound record with the
  // first record's fields begins, or another broken record does (a line with at least those
  // fields), or to the end of the file, and is handed on with its fault. It stops the run as
  // before when that record passes kMaxSetAsideBytes or kMaxSetAsideLines, so that one stray
  // quote never swallows the rest of a file unheard.
  // A record shorter than the first whose last field was quoted and closed right at its line
  // end is a fault (kQuoteAtLineEnd) when the lines after it, that quote read as text, make
  // the rest of the field and more fields: then the closing quote was an unrepeated quote
  // inside the field, and the record and those lines go aside together.
  // A file that ends inside a record (a quoted field that runs to the end of the file, or a
  // last record shorter than the first with no line end) ends the run with Error
  // (kErrCsvFormat) saying it seems cut short: a download that has not finished.
  void Run();
  // Back to the head, for another Run(); takes a free batch from the queue when it holds none.
  void Rewind();

 private:
  enum class Cut { kRecord, kEnd, kFault };
  static constexpr std::size_t kNoLimit = ~std::size_t{0};

  Cut ScanRecord();
  template <typename Blocks>
  bool ScanRecordFast();
  bool ScanRecordWide();  // ScanRecordFast with AVX2
  Cut ScanRecordExact(std::size_t from, std::size_t limit, bool in_quotes = false);
  std::size_t LineStartAfter(std::size_t from, std::size_t limit);
  bool FieldIsEmpty(std::size_t i) const;
  bool NoValuesBeyondHeader() const;
  bool LooksLikeARecord(std::size_t from) const;
  bool StartsABrokenRecord(std::size_t line);
  bool ClosedAtLineEnd() const;
  bool OnlyBlanks() const;
  bool QuoteClosedTooEarly();
  void SetAsideFaulty();
  void AddFaulty(std::size_t size, Fault fault);
  bool Fill();
  void PassOn();
  void AddRecord();
  void Grow(std::size_t capacity);
  [[noreturn]] void Fail(const char* at, std::string_view detail);
  [[noreturn]] void FailAtFault(Fault fault, std::size_t at);
  [[noreturn]] void FailLongRecord();
  [[noreturn]] void FailCutShort(std::size_t from = 0);

  std::string path_;
  char delimiter_;
  bool wide_ = false;               // the processor can take ScanRecordWide
  OpenFile own_file_;               // the file opened by path, when none was lent
  const OpenFile* file_ = nullptr;  // the file read: own_file_ or the lent one
  CsvBatchQueue& queue_;
  std::unique_ptr<CsvBatch> batch_;  // the batch being filled; its bytes are the buffer
  std::size_t end_ = 0;              // valid bytes in the buffer
  bool eof_ = false;
  bool bom_ = false;

  std::size_t record_begin_ = 0;       // offset of the current record in the buffer
  std::uint32_t record_size_ = 0;      // its length without the line end
  std::size_t next_ = 0;               // offset of the byte after its line end
  std::vector<std::uint32_t> starts_;  // field starts, relative to record_begin_
  CsvLineCounter lines_;

  bool set_aside_ = false;
  // The first record's fields, and those up to its last one that is not empty: a record after
  // a fault must have at least the second, and nothing but empty fields beyond the first.
  std::size_t header_fields_ = 0;
  std::size_t named_fields_ = 0;
  Fault fault_ = kSound;      // of the last cut that failed
  std::size_t fault_at_ = 0;  // where, relative to record_begin_
};

}  // namespace sorbel::csvdb
