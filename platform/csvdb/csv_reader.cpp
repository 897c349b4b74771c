// CsvReader over a CsvScanner: the header gives the columns, each record is checked for extra
// fields at once, and a field is decoded and typed only when asked for, at most once a record.
#include "platform/csvdb/csv_reader.h"

#include "platform/csvdb/column_names.h"
#include "platform/csvdb/csv_error.h"
#include "platform/csvdb/csv_scanner.h"
#include "platform/csvdb/field_decoder.h"
#include "platform/csvdb/field_type.h"

namespace sorbel::csvdb {
namespace {

// SQLite's limit on the columns of a table; a wider file could never be declared.
constexpr int kMaxColumns = 2000;

bool IsEmptyField(std::string_view raw) { return raw.empty() || raw == "\"\""; }

class FileCsvReader final : public CsvReader {
 public:
  FileCsvReader(const std::string& path, const CsvFormat& format, int fd);

  const std::vector<std::string>& ColumnNames() const override { return names_; }
  const std::string& Charset() const override { return decoder_->Charset(); }
  bool Next() override;
  std::int64_t RecordLine() const override { return scanner_.RecordLine(); }
  CsvField Field(int i) override;
  void Rewind() override;

 private:
  // The field's text, Null for an empty field; throws for NUL or invalid bytes.
  CsvField Decode(std::string_view raw, TextBuffer& out);
  void CheckExtraFields();

  // The decoded field of one column, kept until the record changes.
  struct Slot {
    std::uint64_t record = 0;
    CsvField field;
    TextBuffer buffer;
  };

  std::string path_;
  CsvFormat format_;
  CsvScanner scanner_;
  std::unique_ptr<FieldDecoder> decoder_;
  std::vector<std::string> names_;
  std::vector<Slot> slots_;
  std::uint64_t record_ = 0;  // numbers the records read, so slots know when they are stale
  bool on_record_ = false;    // Next() has returned true and not false since
};

FileCsvReader::FileCsvReader(const std::string& path, const CsvFormat& format, int fd)
    : path_(path), format_(format), scanner_(path, format.delimiter, fd) {
  std::string_view head = scanner_.Head();
  if (head.size() >= 2 &&
      ((head[0] == '\xFF' && head[1] == '\xFE') || (head[0] == '\xFE' && head[1] == '\xFF'))) {
    throw CsvFileFormatError(path_,
                             "UTF-16のファイルは読めません。UTF-8かShift-JIS（CP932）で保存して"
                             "ください。");
  }
  decoder_ = std::make_unique<FieldDecoder>(format.charset, head, scanner_.HasByteOrderMark(),
                                            format.delimiter, path_);
  if (!scanner_.Next()) {
    throw CsvFileFormatError(path_, "ファイルが空です（見出し行がありません）。");
  }
  int count = scanner_.FieldCount();
  if (count > kMaxColumns) {
    throw CsvFormatError(path_, scanner_.RecordLine(),
                         "列が多すぎます（" + std::to_string(count) + "列。" +
                             std::to_string(kMaxColumns) + "列までです）。");
  }
  std::vector<std::string> header(static_cast<std::size_t>(count));
  if (format.header) {
    TextBuffer buffer;
    for (int i = 0; i < count; ++i) {
      header[i] = std::string(Decode(scanner_.RawField(i), buffer).text);
    }
  }
  names_ = UniqueColumnNames(header);
  slots_.resize(names_.size());
  if (!format.header) scanner_.Rewind();
}

CsvField FileCsvReader::Decode(std::string_view raw, TextBuffer& out) {
  if (IsEmptyField(raw)) return CsvField{};
  std::string_view text;
  std::size_t bad = 0;
  if (!decoder_->Decode(raw, out, &text, &bad)) {
    throw CsvFormatError(path_, scanner_.LineOf(raw.data() + bad),
                         decoder_->DescribeFault(raw, bad));
  }
  return TypedField(text);
}

bool FileCsvReader::Next() {
  ++record_;
  on_record_ = scanner_.Next();
  if (!on_record_) return false;
  if (scanner_.FieldCount() > static_cast<int>(names_.size())) CheckExtraFields();
  return true;
}

// Spreadsheet exports end rows with empty fields; those carry nothing. A value beyond the
// last column would be lost without a word, so it stops the read instead.
void FileCsvReader::CheckExtraFields() {
  int columns = static_cast<int>(names_.size());
  for (int i = columns; i < scanner_.FieldCount(); ++i) {
    std::string_view raw = scanner_.RawField(i);
    if (IsEmptyField(raw)) continue;
    throw CsvFormatError(path_, scanner_.LineOf(raw.data()),
                         "見出し行より項目が多く、" + std::to_string(i + 1) +
                             "番目の項目に値があります（見出し行は" + std::to_string(columns) +
                             "項目）。");
  }
}

CsvField FileCsvReader::Field(int i) {
  if (!on_record_ || i < 0 || i >= static_cast<int>(slots_.size()) || i >= scanner_.FieldCount()) {
    return CsvField{};
  }
  Slot& slot = slots_[static_cast<std::size_t>(i)];
  if (slot.record != record_) {
    slot.field = Decode(scanner_.RawField(i), slot.buffer);
    slot.record = record_;
  }
  return slot.field;
}

void FileCsvReader::Rewind() {
  scanner_.Rewind();
  ++record_;
  on_record_ = false;
  if (format_.header) scanner_.Next();
}

}  // namespace

std::unique_ptr<CsvReader> CsvReader::Open(const std::string& path, const CsvFormat& format,
                                           int fd) {
  char d = format.delimiter;
  if (d == '"' || d == '\r' || d == '\n' || d == '\0' || static_cast<unsigned char>(d) >= 0x80) {
    throw Error(kErrDataSource, "区切り文字には引用符・改行・NUL・ASCII以外の文字は使えません。");
  }
  return std::make_unique<FileCsvReader>(path, format, fd);
}

}  // namespace sorbel::csvdb
