// ResultRecords over a stream of rows: appended to a buffer, which goes to a nameless file each
// time it fills; read back in order through a window. Text views point into the window and stay
// valid until the next move.
#include "platform/csvdb/result_records.h"

#include <errno.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "platform/csvdb/field_type.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/process.h"
#include "text/grouped_number.h"

namespace sorbel {
namespace {

// Rows kept in memory before they go to the file, and the window they are read back through.
constexpr size_t kSpillAt = 16 << 20;
constexpr size_t kWindow = 1 << 20;
enum Tag : char { kTagNull, kTagInteger, kTagReal, kTagText };
using RowLength = std::uint64_t;

[[noreturn]] void SpillFailed(int err) {
  throw Error(err, "結果を一時ファイルに置けません: " + OsErrorText(err));
}

[[noreturn]] void SpillFailed(const Error& e) {
  throw Error(e.Number(), "結果を一時ファイルに置けません: " + e.Description());
}

// A file with no name in `folder` (gone with the process, however it ends). Where the file
// system cannot make one (NTFS, exFAT, FAT through FUSE, which cannot keep a removed file
// open either) a hidden file ".sorbel-result.<process id>.<number>.tmp", named in *path to be
// removed at Close, and by the next run when this process died first.
OpenFile NamelessFile(const std::string& folder, std::string* path) {
  OpenFile file = CreateNameless(folder);
  if (file.IsOpen()) return file;
  std::random_device seed;
  for (int attempt = 0; attempt < 100 && !file.IsOpen(); ++attempt) {
    std::string name = folder + "/." + kRowsFileName + "." + std::to_string(ProcessId()) + "." +
                       std::to_string(seed() % 1000000000) + ".tmp";
    file = CreateNew(name, NewFileUse::kReadingToo);
    if (file.IsOpen()) *path = std::move(name);
  }
  if (!file.IsOpen()) throw OsError(EEXIST);
  // Marked in use, as a run's other temporary files, for the next run's tidying to pass over.
  file.MarkInUse();
  return file;
}

[[noreturn]] void NoRecord() {
  throw Error(kErrQuery, "レコードがありません（EOF に達しているか、閉じられています）。");
}

}  // namespace

ResultRecords::Impl::Impl(std::vector<std::string> names, std::string spill_folder)
    : names_(std::move(names)), spill_folder_(std::move(spill_folder)) {}

ResultRecords::Impl::~Impl() { Close(); }

const std::string& ResultRecords::Impl::FieldName(int i) const {
  if (i < 0 || i >= FieldCount()) {
    throw Error(kErrQuery, "列番号 " + std::to_string(i) + " の列はありません。");
  }
  return names_[static_cast<size_t>(i)];
}

// Room for `size` more bytes at the end of the buffer; what the buffer held goes to the file
// first when it would pass the limit.
char* ResultRecords::Impl::Allocate(size_t size) {
  if (!buffer_.empty() && buffer_.size() + size > kSpillAt) Spill();
  const size_t at = buffer_.size();
  buffer_.resize(at + size);
  data_size_ += size;
  return buffer_.data() + at;
}

void ResultRecords::Impl::Spill() {
  try {
    if (!spill_.IsOpen()) {
      spill_ = NamelessFile(spill_folder_.empty() ? "/tmp" : spill_folder_, &spill_path_);
    }
    spill_.Write(std::string_view(buffer_.data(), buffer_.size()));
  } catch (const Error& e) {
    SpillFailed(e);
  }
  spilled_ += buffer_.size();
  buffer_.clear();
}

// Makes the next `size` unread bytes whole in the window, reading more of the file as needed.
void ResultRecords::Impl::Ensure(size_t size) {
  if (window_end_ - window_begin_ >= size) return;
  std::memmove(buffer_.data(), buffer_.data() + window_begin_, window_end_ - window_begin_);
  window_end_ -= window_begin_;
  window_begin_ = 0;
  if (buffer_.size() < size) buffer_.resize(size);
  while (window_end_ < size) {
    std::size_t n = 0;
    try {
      n = spill_.ReadAt(static_cast<std::int64_t>(read_at_), buffer_.data() + window_end_,
                        buffer_.size() - window_end_);
    } catch (const Error& e) {
      SpillFailed(e);
    }
    if (n == 0) SpillFailed(EIO);
    read_at_ += n;
    window_end_ += n;
  }
}

void ResultRecords::Impl::AppendRow(sqlite3_stmt* stmt) {
  const int count = FieldCount();
  scratch_.resize(static_cast<size_t>(count));
  grouped_.resize(static_cast<size_t>(count));
  size_t size = 0;
  for (int i = 0; i < count; ++i) {
    FieldValue& v = scratch_[static_cast<size_t>(i)];
    switch (sqlite3_column_type(stmt, i)) {
      case SQLITE_NULL:
        v = std::monostate();
        size += 1;
        break;
      case SQLITE_INTEGER: {
        std::int64_t n = sqlite3_column_int64(stmt, i);
        if (sqlite3_value_subtype(sqlite3_column_value(stmt, i)) != csvdb::kGroupedSubtype) {
          v = n;
          size += 1 + sizeof(std::int64_t);
          break;
        }
        // Written with thousands commas in the file: kept as that text, to be written back so.
        std::string& text = grouped_[static_cast<size_t>(i)];
        text = Grouped(n);
        v = std::string_view(text);
        size += 1 + sizeof(std::uint32_t) + text.size();
        break;
      }
      case SQLITE_FLOAT:
        v = sqlite3_column_double(stmt, i);
        size += 1 + sizeof(double);
        break;
      default: {  // text, or a blob handed on as its bytes
        const void* data = sqlite3_column_blob(stmt, i);
        size_t length = static_cast<size_t>(sqlite3_column_bytes(stmt, i));
        v = std::string_view(static_cast<const char*>(data), data != nullptr ? length : 0);
        size += 1 + sizeof(std::uint32_t) + length;
        break;
      }
    }
  }

  char* out = Allocate(sizeof(RowLength) + size);
  const RowLength length = size;
  std::memcpy(out, &length, sizeof length);
  out += sizeof length;
  ++count_;
  for (const FieldValue& v : scratch_) {
    if (const auto* n = std::get_if<std::int64_t>(&v)) {
      *out++ = kTagInteger;
      std::memcpy(out, n, sizeof *n);
      out += sizeof *n;
    } else if (const auto* d = std::get_if<double>(&v)) {
      *out++ = kTagReal;
      std::memcpy(out, d, sizeof *d);
      out += sizeof *d;
    } else if (const auto* s = std::get_if<std::string_view>(&v)) {
      *out++ = kTagText;
      auto length = static_cast<std::uint32_t>(s->size());
      std::memcpy(out, &length, sizeof length);
      out += sizeof length;
      if (length > 0) std::memcpy(out, s->data(), length);
      out += length;
    } else {
      *out++ = kTagNull;
    }
  }
}

void ResultRecords::Impl::Start() {
  scratch_.clear();
  scratch_.shrink_to_fit();
  grouped_.clear();
  grouped_.shrink_to_fit();
  if (spill_.IsOpen()) {
    Spill();
    buffer_.assign(kWindow, '\0');
    buffer_.shrink_to_fit();
    window_end_ = 0;
  } else {
    window_end_ = buffer_.size();  // every row is in memory
  }
  window_begin_ = 0;
  current_row_ = 0;
  Decode();
}

void ResultRecords::Impl::Decode() {
  current_.resize(names_.size());
  if (Eof()) return;
  Ensure(sizeof(RowLength));
  RowLength length;
  std::memcpy(&length, buffer_.data() + window_begin_, sizeof length);
  Ensure(sizeof length + length);
  const char* in = buffer_.data() + window_begin_ + sizeof length;
  window_begin_ += sizeof length + length;
  for (FieldValue& v : current_) {
    switch (*in++) {
      case kTagInteger: {
        std::int64_t n;
        std::memcpy(&n, in, sizeof n);
        in += sizeof n;
        v = n;
        break;
      }
      case kTagReal: {
        double d;
        std::memcpy(&d, in, sizeof d);
        in += sizeof d;
        v = d;
        break;
      }
      case kTagText: {
        std::uint32_t length;
        std::memcpy(&length, in, sizeof length);
        in += sizeof length;
        v = std::string_view(in, length);
        in += length;
        break;
      }
      default:
        v = std::monostate();
        break;
    }
  }
}

FieldValue ResultRecords::Impl::Value(int j) const {
  if (Eof()) NoRecord();
  if (j < 0 || j >= FieldCount()) {
    throw Error(kErrQuery, "列番号 " + std::to_string(j) + " の列はありません。");
  }
  return current_[static_cast<size_t>(j)];
}

void ResultRecords::Impl::MoveNext() {
  if (Eof()) NoRecord();
  ++current_row_;
  Decode();
}

void ResultRecords::Impl::Close() {
  buffer_.clear();
  buffer_.shrink_to_fit();
  spill_ = OpenFile();  // closed; a late write failure no longer matters
  if (!spill_path_.empty()) RemoveFile(spill_path_);
  spill_path_.clear();
  current_.clear();
  count_ = 0;
  current_row_ = 0;
}

// The public face forwards to the storage.
ResultRecords::ResultRecords(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
ResultRecords::~ResultRecords() = default;
int ResultRecords::FieldCount() const { return impl_->FieldCount(); }
const std::string& ResultRecords::FieldName(int i) const { return impl_->FieldName(i); }
std::int64_t ResultRecords::RecordCount() const { return impl_->RecordCount(); }
std::size_t ResultRecords::DataSize() const { return impl_->DataSize(); }
bool ResultRecords::Eof() const { return impl_->Eof(); }
FieldValue ResultRecords::Value(int j) const { return impl_->Value(j); }
void ResultRecords::MoveNext() { impl_->MoveNext(); }
void ResultRecords::Close() { impl_->Close(); }

}  // namespace sorbel
