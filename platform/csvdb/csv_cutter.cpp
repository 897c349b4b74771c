// Record and field boundaries on raw bytes: 64-byte blocks become bit masks of quotes, line
// ends and delimiters, so ordinary bytes cost almost nothing; line numbers are counted lazily.
#include "platform/csvdb/csv_cutter.h"

#include <algorithm>
#include <cstring>

#include "platform/csvdb/csv_block.h"
#include "platform/csvdb/csv_error.h"
#include "platform/file_system.h"

namespace sorbel::csvdb {
namespace {

// Small enough that the bytes read stay in the core's cache for the scan that follows (256 KiB
// read a 1 GB catalogue 8 % faster than 1 MiB; 128 and 512 KiB were between).
constexpr std::size_t kReadBytes = std::size_t{1} << 18;

// Thrown inside Run() when the queue stops taking batches.
struct Stopped {};

}  // namespace

CsvCutter::CsvCutter(const std::string& path, char delimiter, const OpenFile* lent, bool set_aside,
                     CsvBatchQueue& queue)
    : path_(path), delimiter_(delimiter), queue_(queue), set_aside_(set_aside) {
  file_ = lent;
  if (file_ == nullptr) {
    try {
      own_file_ = OpenForReading(path);
    } catch (const Error& e) {
      throw CsvFileError(path_, e.Description());
    }
    file_ = &own_file_;
  }
  file_->WillReadInOrder();
#if defined(__x86_64__)
  wide_ = HasWideBlocks();
#endif
  Rewind();
}

CsvCutter::~CsvCutter() = default;

void CsvCutter::Rewind() {
  if (!batch_) batch_ = queue_.TakeFree();
  if (batch_->capacity < kHeadBytes || batch_->capacity > 4 * kHeadBytes) {
    batch_->bytes = std::make_unique_for_overwrite<char[]>(kHeadBytes + kBlock);
    batch_->capacity = kHeadBytes;
  }
  batch_->Clear();
  batch_->file_offset = 0;
  end_ = 0;
  eof_ = false;
  record_begin_ = next_ = 0;
  lines_.Reset();
  while (end_ < kHeadBytes && Fill()) {
  }
  bom_ = end_ >= 3 && std::memcmp(batch_->bytes.get(), "\xEF\xBB\xBF", 3) == 0;
  record_begin_ = next_ = bom_ ? 3 : 0;
  record_size_ = 0;
  starts_.clear();
}

std::string_view CsvCutter::Head() const {
  std::size_t begin = bom_ ? 3 : 0;
  return std::string_view(batch_->bytes.get() + begin, end_ - begin);
}

const char* CsvCutter::FaultText(Fault fault) {
  switch (fault) {
    case kQuoteNotClosed:
      return "引用符（\"）で始まる項目が閉じられていません。";
    case kTextAfterQuote:
      return "閉じる引用符（\"）の後に、区切り文字でも改行でもない文字があります。";
    case kQuoteAtLineEnd:
      return "引用符（\"）で囲まれた項目が行末の「\"」で閉じられ、項目が見出し行より少なくなって"
             "います（項目の中の「\"」が「\"\"」と二重になっていないようです）。";
    default:
      return "";
  }
}

void CsvCutter::Run() {
  try {
    bool first = true;
    for (;;) {
      record_begin_ = next_;
      const Cut cut = ScanRecord();
      if (cut == Cut::kEnd) break;
      if (cut == Cut::kFault) {
        // The first record gives the columns: without it nothing else can be read.
        if (!set_aside_ && !first && fault_ == kQuoteNotClosed) FailCutShort();
        if (!set_aside_ || first) FailAtFault(fault_, fault_at_);
        SetAsideFaulty();
        continue;
      }
      // A blank line holds no field at all; a record with one empty field is written "".
      if (record_size_ == 0) continue;
      if (first) {
        header_fields_ = named_fields_ = starts_.size();
        while (named_fields_ > 1 && FieldIsEmpty(named_fields_ - 1)) --named_fields_;
      } else if (starts_.size() < named_fields_) {
        // Short at the very end, a download stopped inside a product; short at a quote, a quote
        // left undoubled inside a field may have closed it.
        if (next_ == record_begin_ + record_size_) {
          if (OnlyBlanks()) break;  // a DOS end-of-file mark, trailing blanks: no record
          FailCutShort();
        }
        if (ClosedAtLineEnd() && QuoteClosedTooEarly()) continue;
      }
      first = false;
      AddRecord();
    }
    batch_->last = true;
  } catch (const Stopped&) {
    return;
  } catch (...) {
    // batch_ is never empty here: handing a batch on cannot fail half-way.
    batch_->error = std::current_exception();
  }
  batch_->size = end_;
  queue_.Publish(std::move(batch_));
}

void CsvCutter::AddRecord() {
  CsvBatch::Record record;
  record.begin = record_begin_;
  record.size = record_size_;
  record.first_start = static_cast<std::uint32_t>(batch_->starts.size());
  record.field_count = static_cast<std::uint32_t>(starts_.size());
  record.line_end = static_cast<std::uint16_t>(next_ - record_begin_ - record_size_);
  batch_->records.push_back(record);
  batch_->starts.insert(batch_->starts.end(), starts_.begin(), starts_.end());
}

// Publishes the records cut so far and carries the unfinished one over to a fresh batch.
void CsvCutter::PassOn() {
  std::unique_ptr<CsvBatch> next = queue_.TakeFree();
  if (!next) throw Stopped{};
  const std::size_t keep = end_ - record_begin_;
  // Room for the unfinished record and a read. A buffer grown for an earlier huge record goes
  // back to the usual size, so that only the batches holding huge records are huge.
  const std::size_t need = std::max(kHeadBytes, keep + kReadBytes);
  if (next->capacity < need || next->capacity > std::max(need, 4 * kHeadBytes)) {
    try {
      next->bytes.reset();
      next->bytes = std::make_unique_for_overwrite<char[]>(need + kBlock);
      next->capacity = need;
    } catch (...) {
      next->capacity = 0;
      queue_.Recycle(std::move(next));  // not lost: the queue holds a fixed number
      throw;
    }
  }
  next->Clear();
  next->file_offset = batch_->file_offset + static_cast<std::int64_t>(record_begin_);
  std::memcpy(next->bytes.get(), batch_->bytes.get() + record_begin_, keep);
  batch_->size = end_;
  queue_.Publish(std::move(batch_));
  batch_ = std::move(next);
  end_ = keep;
  record_begin_ = 0;
}

// Hands on the records before the unfinished one, grows the buffer when that record fills
// it, and reads more. False at the end of the file.
bool CsvCutter::Fill() {
  if (eof_) return false;
  if (queue_.Stopped()) throw Stopped{};
  // A batch is handed on once its buffer is full, not at every read: each hand-over may wake
  // the other thread, which costs far more than the few records it carries. A buffer grown
  // for a huge record is handed on at once, to be no fuller than that record needs.
  if (record_begin_ > 0 &&
      (batch_->capacity - end_ < kReadBytes || batch_->capacity > kHeadBytes)) {
    PassOn();
  }
  if (end_ == batch_->capacity) {
    if (batch_->capacity >= kMaxRecordBytes) FailLongRecord();
    // A huge record: at most one more huge buffer than the reader holds, not one per batch.
    queue_.WaitTaken();
    if (queue_.Stopped()) throw Stopped{};
    Grow(std::min(batch_->capacity * 2, kMaxRecordBytes));
  }
  // At an explicit offset: the file may be shared with other readers of it.
  std::size_t got = 0;
  try {
    got = file_->ReadAt(batch_->file_offset + static_cast<std::int64_t>(end_),
                        batch_->bytes.get() + end_, std::min(batch_->capacity - end_, kReadBytes));
  } catch (const Error& e) {
    throw CsvFileError(path_, e.Description());
  }
  if (got == 0) {
    eof_ = true;
    return false;
  }
  end_ += got;
  return true;
}

void CsvCutter::Grow(std::size_t capacity) {
  auto bigger = std::make_unique_for_overwrite<char[]>(capacity + kBlock);
  std::memcpy(bigger.get(), batch_->bytes.get(), end_);
  batch_->bytes = std::move(bigger);
  batch_->capacity = capacity;
}

void CsvCutter::FailLongRecord() {
  Fail(batch_->bytes.get() + record_begin_,
       "1件のレコードが256MiBを超えています（閉じられていない引用符があるかもしれません）。");
}

// Reads the quote state of a whole block at once: the parity of the quotes up to a byte says
// whether it is inside a quoted field, doubled quotes included. That holds only where every
// opening quote starts a field and every closing quote is followed by a delimiter, a line
// end or another quote; both are checked on the masks. False when a check fails or the
// record runs past the buffered bytes (each block needs the byte after it).
template <typename Blocks>
inline __attribute__((always_inline)) bool CsvCutter::ScanRecordFast() {
  starts_.clear();
  starts_.push_back(0);
  const char* base = batch_->bytes.get() + record_begin_;
  const std::size_t size = end_ - record_begin_;
  const auto delim = static_cast<unsigned char>(delimiter_);
  std::uint64_t inside = 0;   // all ones when the block before ended inside quotes
  std::uint64_t open_ok = 1;  // the byte before the block may come before an opening quote
  for (std::size_t off = 0; off + kBlock < size; off += kBlock) {
    const char* p = base + off;
    BlockMasks m = Blocks::Classify(p, delimiter_);
    std::uint64_t x = Blocks::PrefixXor(m.quote) ^ inside;
    std::uint64_t ends = m.end & ~x;
    std::uint64_t range = ends ? (ends & (~ends + 1)) - 1 : ~std::uint64_t{0};
    if (std::uint64_t quotes = m.quote & range; quotes != 0) {
      auto after = static_cast<unsigned char>(p[kBlock]);
      bool close_ok = after == delim || after == '"' || after == '\r' || after == '\n';
      std::uint64_t before_ok = ((m.delim | m.quote) << 1) | open_ok;
      std::uint64_t after_ok =
          ((m.delim | m.quote | m.end) >> 1) | (close_ok ? std::uint64_t{1} << 63 : 0);
      if ((quotes & x & ~before_ok) | (quotes & ~x & ~after_ok)) return false;
    }
    for (std::uint64_t d = m.delim & ~x & range; d != 0; d &= d - 1) {
      starts_.push_back(static_cast<std::uint32_t>(off + __builtin_ctzll(d) + 1));
    }
    if (ends) {
      std::size_t e = static_cast<std::size_t>(__builtin_ctzll(ends));
      record_size_ = static_cast<std::uint32_t>(off + e);
      next_ = record_begin_ + off + e + (p[e] == '\r' && p[e + 1] == '\n' ? 2 : 1);
      return true;
    }
    inside = (x >> 63) ? ~std::uint64_t{0} : 0;
    open_ok = p[kBlock - 1] == delimiter_ || p[kBlock - 1] == '"';
  }
  return false;
}

CsvCutter::Cut CsvCutter::ScanRecord() {
  // Most records are well-formed and lie in the buffer whole: the fast scan takes those.
  // Anything else (the buffer's end, a quote inside an unquoted field, a fault) goes to the
  // exact scan, which starts the record again and gives the same fields or the fault.
#if defined(__x86_64__)
  if (wide_ ? ScanRecordWide() : ScanRecordFast<PlainBlocks>()) return Cut::kRecord;
#else
  if (ScanRecordFast<PlainBlocks>()) return Cut::kRecord;
#endif
  return ScanRecordExact(0, kNoLimit);
}

#if defined(__x86_64__)
__attribute__((target("avx2,pclmul"))) bool CsvCutter::ScanRecordWide() {
  return ScanRecordFast<WideBlocks>();
}
#endif

// Scans one record from `from` bytes after record_begin_, one quote, line end or delimiter at
// a time, reading more of the file as needed; a fault is left in fault_ and fault_at_. Gives
// up (kFault, kSound) once past `limit`. Offsets are kept relative to record_begin_ because
// Fill() moves the record to the front of the buffer.
// With `in_quotes` the scan goes on inside the quoted field that starts_ ends with.
CsvCutter::Cut CsvCutter::ScanRecordExact(std::size_t from, std::size_t limit, bool in_quotes) {
  if (!in_quotes) {
    starts_.clear();
    starts_.push_back(static_cast<std::uint32_t>(from));
  }
  std::size_t off = from;                                 // first byte not yet looked at
  std::size_t quote_at = in_quotes ? starts_.back() : 0;  // the quote that opened the field
  bool quoted = in_quotes;

  auto finish = [&](std::size_t size, std::size_t after) {
    record_size_ = static_cast<std::uint32_t>(size);
    next_ = record_begin_ + after;
  };

  for (;;) {
    if (off > limit) {
      fault_ = kSound;
      return Cut::kFault;
    }
    if (record_begin_ + off >= end_) {
      if (Fill()) continue;
      if (quoted) {
        fault_ = kQuoteNotClosed;
        fault_at_ = quote_at;
        return Cut::kFault;
      }
      if (off == from) return Cut::kEnd;
      finish(off, off);
      return Cut::kRecord;
    }
    const char* p = batch_->bytes.get() + record_begin_ + off;
    std::size_t n = std::min(end_ - record_begin_ - off, kBlock);
    BlockMasks m = PlainBlocks::Classify(p, delimiter_);
    std::uint64_t valid = n == kBlock ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
    std::uint64_t special = (m.quote | m.end) & valid;
    std::uint64_t delim = m.delim & valid;
    std::size_t i = 0;  // bits below i are done
    for (;;) {
      std::uint64_t from_i = i < kBlock ? ~std::uint64_t{0} << i : 0;
      std::uint64_t bits = (quoted ? m.quote & valid : special) & from_i;
      if (!quoted) {
        // The delimiters before the next quote or line end all start fields.
        std::uint64_t before = bits ? (bits & (~bits + 1)) - 1 : ~std::uint64_t{0};
        for (std::uint64_t d = delim & from_i & before; d != 0; d &= d - 1) {
          starts_.push_back(static_cast<std::uint32_t>(off + __builtin_ctzll(d) + 1));
        }
      }
      if (bits == 0) {
        off += n;
        break;
      }
      std::size_t b = static_cast<std::size_t>(__builtin_ctzll(bits));
      std::size_t at = off + b;
      char c = p[b];
      // Quotes and CRs are read together with the byte after them.
      bool have_next = record_begin_ + at + 1 < end_;
      if (!have_next && !eof_ && (c == '"' || c == '\r')) {
        off = at;
        Fill();
        break;
      }
      int next = have_next ? static_cast<unsigned char>(p[b + 1]) : -1;
      std::size_t step = 1;
      if (quoted) {
        if (next == '"') {
          step = 2;
        } else {
          quoted = false;
          if (next == -1) {
            finish(at + 1, at + 1);
            return Cut::kRecord;
          }
          if (next == static_cast<unsigned char>(delimiter_)) {
            starts_.push_back(static_cast<std::uint32_t>(at + 2));
            step = 2;
          } else if (next != '\r' && next != '\n') {
            fault_ = kTextAfterQuote;
            fault_at_ = at;
            return Cut::kFault;
          }
        }
      } else if (c == '"') {
        // Only a quote that starts a field opens a quoted field; elsewhere it is text.
        if (at == starts_.back()) {
          quoted = true;
          quote_at = at;
        }
      } else {
        finish(at, c == '\r' && next == '\n' ? at + 2 : at + 1);
        return Cut::kRecord;
      }
      i = b + step;
      if (i >= n) {
        off += i;
        break;
      }
    }
  }
}

// Offset (relative to record_begin_) of the line after the line end at or after `from`;
// kNoLimit when the file ends first, `limit` + 1 when no line ends before `limit`. A CR LF is
// one line end, as for records.
std::size_t CsvCutter::LineStartAfter(std::size_t from, std::size_t limit) {
  for (std::size_t i = from;; ++i) {
    if (i > limit) return limit + 1;
    if (record_begin_ + i >= end_ && !Fill()) return kNoLimit;
    const char c = batch_->bytes[record_begin_ + i];
    if (c == '\n') return i + 1;
    if (c != '\r') continue;
    if (record_begin_ + i + 1 >= end_ && !Fill()) return i + 1;
    return batch_->bytes[record_begin_ + i + 1] == '\n' ? i + 2 : i + 1;
  }
}

// Field i of the record just scanned (offsets relative to record_begin_) is empty or "".
bool CsvCutter::FieldIsEmpty(std::size_t i) const {
  const std::size_t begin = starts_[i];
  const std::size_t end = i + 1 < starts_.size() ? starts_[i + 1] - 1 : record_size_;
  return end == begin || (end == begin + 2 &&
                          std::memcmp(batch_->bytes.get() + record_begin_ + begin, "\"\"", 2) == 0);
}

// The record just scanned has no value beyond the first record's fields.
bool CsvCutter::NoValuesBeyondHeader() const {
  for (std::size_t i = header_fields_; i < starts_.size(); ++i) {
    if (!FieldIsEmpty(i)) return false;
  }
  return true;
}

// The record just scanned from `from` has the fields of the first record, as the reader
// counts them: at least up to its last named one, and nothing but empty ones beyond.
bool CsvCutter::LooksLikeARecord(std::size_t from) const {
  return record_size_ > from && starts_.size() >= named_fields_ && NoValuesBeyondHeader();
}

// A broken record, unlike the rest of a broken description, starts with the first record's
// fields: read from `line` with a quoted field that is not closed soundly (by a quote before a
// delimiter or a line end) taken as text, it holds at least up to the last named one.
bool CsvCutter::StartsABrokenRecord(std::size_t line) {
  const std::size_t limit = line + kMaxSetAsideBytes;
  auto byte = [&](std::size_t i) -> int {
    if (i > limit || (record_begin_ + i >= end_ && !Fill())) return -1;
    return static_cast<unsigned char>(batch_->bytes[record_begin_ + i]);
  };
  const int delimiter = static_cast<unsigned char>(delimiter_);
  std::size_t fields = 1;
  bool field_start = true;
  for (std::size_t i = line;; ++i) {
    const int c = byte(i);
    if (c == -1 || c == '\r' || c == '\n') return fields >= named_fields_;
    if (c == delimiter) {
      if (++fields >= named_fields_) return true;
      field_start = true;
      continue;
    }
    if (c == '"' && field_start) {
      std::size_t j = i + 1;
      while (byte(j) != -1 && (byte(j) != '"' || byte(j + 1) == '"')) j += byte(j) == '"' ? 2 : 1;
      const int after = byte(j + 1);
      if (byte(j) == '"' && (after == -1 || after == delimiter || after == '\r' || after == '\n')) {
        i = j;
      }
    }
    field_start = false;
  }
}

// The record just cut holds nothing but blanks and DOS end-of-file marks (0x1A).
bool CsvCutter::OnlyBlanks() const {
  const char* p = batch_->bytes.get() + record_begin_;
  for (std::size_t i = 0; i < record_size_; ++i) {
    if (p[i] != ' ' && p[i] != '\t' && p[i] != '\x1a') return false;
  }
  return true;
}

// The last field of the record just cut is quoted, not empty, and its closing quote ends the
// record.
bool CsvCutter::ClosedAtLineEnd() const {
  const char* p = batch_->bytes.get() + record_begin_;
  const std::size_t last = starts_.back();
  return record_size_ >= last + 3 && p[last] == '"' && p[record_size_ - 1] == '"';
}

// The short record just cut ends in a quoted field closed at its line end. The closing quote is
// read as text instead (and each further one at a line end in the same field): only when that
// gives a record with the first record's fields, within kMaxSetAsideLines lines none of which
// starts a sound record of its own, was the quote text the catalogue did not double. Then the
// record and its rest go aside as one, and true is returned; otherwise it is whole.
bool CsvCutter::QuoteClosedTooEarly() {
  const std::size_t size = record_size_;
  const std::size_t after = next_ - record_begin_;
  const std::vector<std::uint32_t> starts = starts_;
  auto whole = [&] {
    record_size_ = static_cast<std::uint32_t>(size);
    next_ = record_begin_ + after;
    starts_ = starts;
    return false;
  };
  Cut cut = ScanRecordExact(after, after + kMaxSetAsideBytes);
  if (cut == Cut::kEnd || (cut == Cut::kRecord && LooksLikeARecord(after))) return whole();
  for (std::size_t from = size;;) {
    starts_ = starts;
    cut = ScanRecordExact(from, size + kMaxSetAsideBytes, true);
    if (cut != Cut::kRecord) return whole();
    if (starts_.size() > starts.size()) break;
    if (!ClosedAtLineEnd() || next_ == record_begin_ + record_size_) return whole();
    from = record_size_;
  }
  if (starts_.size() < named_fields_ || !NoValuesBeyondHeader()) return whole();
  const std::size_t end = next_ - record_begin_;
  int lines = 0;
  for (std::size_t line = after; line < end; line = LineStartAfter(line, end)) {
    if (++lines > kMaxSetAsideLines) return whole();
    cut = ScanRecordExact(line, line + kMaxSetAsideBytes);
    if (cut == Cut::kRecord && LooksLikeARecord(line)) return whole();
  }
  if (!set_aside_) FailAtFault(kQuoteAtLineEnd, size - 1);
  AddFaulty(end, kQuoteAtLineEnd);
  return true;
}

// After a fault at record_begin_: a line start counts as the next record's only when a sound
// record with the first record's fields begins there. A line inside the broken
// quoted text rarely passes that, so the rest of a product's description is set aside with
// it rather than read as a product of its own.
// Broken records in a row go aside one by one: each one ends where the next begins. A quoted
// field that runs on to the end of the file from the broken record is the mark of a file cut
// short, not of one bad product.
void CsvCutter::SetAsideFaulty() {
  const Fault fault = fault_;
  const std::size_t fault_at = fault_at_;
  bool open_to_end = fault == kQuoteNotClosed;
  std::size_t open_at = 0;  // where the line begins whose quote runs on to the end
  std::size_t size = 0;
  int lines = 0;
  for (std::size_t line = 0;;) {
    line = LineStartAfter(line, kMaxSetAsideBytes);
    if (line == kNoLimit) {
      if (open_to_end) FailCutShort(open_at);
      size = end_ - record_begin_;
      break;
    }
    if (line > kMaxSetAsideBytes || ++lines > kMaxSetAsideLines) FailAtFault(fault, fault_at);
    const Cut cut = ScanRecordExact(line, line + kMaxSetAsideBytes);
    if (cut == Cut::kEnd && open_to_end) FailCutShort(open_at);
    if (cut == Cut::kEnd || (cut == Cut::kRecord && LooksLikeARecord(line))) {
      size = line;
      break;
    }
    if (cut == Cut::kFault && fault_ == kQuoteNotClosed && !open_to_end) {
      open_to_end = true;
      open_at = line;
    }
    if (cut == Cut::kFault && StartsABrokenRecord(line)) {
      size = line;
      break;
    }
  }
  if (size > kMaxSetAsideBytes) FailAtFault(fault, fault_at);
  AddFaulty(size, fault);
}

// Hands on the `size` bytes from record_begin_ as one faulty record, without fields.
void CsvCutter::AddFaulty(std::size_t size, Fault fault) {
  CsvBatch::Record record;
  record.begin = record_begin_;
  record.size = static_cast<std::uint32_t>(size);
  record.first_start = static_cast<std::uint32_t>(batch_->starts.size());
  record.fault = fault;
  batch_->records.push_back(record);
  next_ = record_begin_ + size;
}

void CsvCutter::FailAtFault(Fault fault, std::size_t at) {
  Fail(batch_->bytes.get() + record_begin_ + at, FaultText(fault));
}

void CsvCutter::FailCutShort(std::size_t from) {
  const std::int64_t offset = batch_->file_offset + static_cast<std::int64_t>(record_begin_ + from);
  throw CsvCutShortError(
      path_, lines_.LineAt(offset, *file_, path_, batch_->bytes.get(), batch_->file_offset, end_));
}

void CsvCutter::Fail(const char* at, std::string_view detail) {
  const std::int64_t offset = batch_->file_offset + (at - batch_->bytes.get());
  throw CsvFormatError(
      path_, lines_.LineAt(offset, *file_, path_, batch_->bytes.get(), batch_->file_offset, end_),
      detail);
}

}  // namespace sorbel::csvdb
