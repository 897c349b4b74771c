// ResultRecords over an arena of rows. Rows are packed one after another in large blocks that
// never move, so the text views handed out stay valid until Close.
#include "platform/csvdb/result_records.h"

#include <cstring>

#include "platform/csvdb/field_type.h"
#include "platform/error.h"

namespace sorbel {
namespace {

constexpr size_t kBlockSize = 1 << 20;
enum Tag : char { kTagNull, kTagInteger, kTagReal, kTagText };

[[noreturn]] void NoRecord() {
  throw Error(kErrQuery, "レコードがありません（EOF に達しているか、閉じられています）。");
}

}  // namespace

ResultRecords::Impl::Impl(std::vector<std::string> names) : names_(std::move(names)) {}

const std::string& ResultRecords::Impl::FieldName(int i) const {
  if (i < 0 || i >= FieldCount()) {
    throw Error(kErrQuery, "列番号 " + std::to_string(i) + " の列はありません。");
  }
  return names_[static_cast<size_t>(i)];
}

char* ResultRecords::Impl::Allocate(size_t size) {
  if (blocks_.empty() || block_size_ - block_used_ < size) {
    block_size_ = size > kBlockSize ? size : kBlockSize;
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(block_size_));
    block_used_ = 0;
  }
  char* p = blocks_.back().get() + block_used_;
  block_used_ += size;
  data_size_ += size;
  return p;
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
        text = csvdb::GroupedText(n);
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

  char* out = Allocate(size);
  rows_.push_back(out);
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
  current_row_ = 0;
  Decode();
}

void ResultRecords::Impl::Decode() {
  current_.resize(names_.size());
  if (Eof()) return;
  const char* in = rows_[current_row_];
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
  rows_.clear();
  rows_.shrink_to_fit();
  blocks_.clear();
  current_.clear();
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
