// CsvReader over a CsvScanner: the header gives the columns, each record is checked for extra
// fields at once, and a field is decoded and typed only when asked for, at most once a record.
#include "platform/csvdb/csv_reader.h"

#include "platform/csvdb/column_names.h"
#include "platform/csvdb/csv_error.h"
#include "platform/csvdb/csv_scanner.h"
#include "platform/csvdb/field_decoder.h"
#include "platform/csvdb/field_type.h"
#include "platform/csvdb/set_aside_list.h"

namespace sorbel::csvdb {
namespace {

// SQLite's limit on the columns of a table; a wider file could never be declared.
constexpr int kMaxColumns = 2000;

bool IsEmptyField(std::string_view raw) { return raw.empty() || raw == "\"\""; }

// What a file that is no CSV text is, by its first bytes, as the message tells it; null for
// any other file. A spreadsheet chosen instead of its CSV export is the common case.
const char* NotCsvText(std::string_view head) {
  if (head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF")) {
    return "UTF-16のファイルは読めません。UTF-8かShift-JIS（CP932）で保存してください。";
  }
  if (head.starts_with("PK\x03\x04")) {
    return "Excelのファイル（.xlsx）かZIPファイルのようです。Excelのファイルなら、Excelで開いて"
           "「CSV（コンマ区切り）」の形式で保存し直し、そのCSVファイルを選んでください。";
  }
  if (head.starts_with("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) {
    return "Excelのファイル（.xls）のようです。Excelで開いて「CSV（コンマ区切り）」の形式で"
           "保存し直し、そのCSVファイルを選んでください。";
  }
  return nullptr;
}

class FileCsvReader final : public CsvReader {
 public:
  FileCsvReader(const std::string& path, const CsvFormat& format, const OpenFile* lent,
                SetAsideList* set_aside);

  const std::vector<std::string>& ColumnNames() const override { return names_; }
  const std::string& Charset() const override { return decoder_->Charset(); }
  bool Next() override;
  std::int64_t RecordLine() const override { return scanner_.RecordLine(); }
  CsvField Field(int i) override;
  void Rewind() override;
  void CheckFields(std::uint64_t columns) override { check_fields_ = columns; }

 private:
  // The field's text, Null for an empty field; throws CsvFieldFault for NUL or invalid bytes.
  CsvField Decode(std::string_view raw, TextBuffer& out);
  // Field i into its slot, once a record; false for NUL or invalid bytes, with *bad the
  // offset of the first in the raw field.
  bool DecodeSlot(int i, std::size_t* bad);
  // The fault of field i at `bad`, as an error naming the file and its line.
  CsvFieldFault FieldFault(int i, std::size_t bad) const;
  // What is wrong with the current record, empty when nothing is; throws it instead when
  // nothing is set aside.
  std::string FaultOfRecord();
  std::string ExtraFieldsFault();
  // Keeps the current record in the set-aside list; throws `fault` when the list is full.
  void SetAside(const std::string& fault);

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

  SetAsideList* set_aside_ = nullptr;
  std::uint64_t check_fields_ = 0;
  std::int64_t handed_out_ = 0;     // records Next() returned since the start
  std::exception_ptr first_fault_;  // of the records set aside since the start
};

FileCsvReader::FileCsvReader(const std::string& path, const CsvFormat& format, const OpenFile* lent,
                             SetAsideList* set_aside)
    : path_(path),
      format_(format),
      scanner_(path, format.delimiter, lent, set_aside != nullptr),
      set_aside_(set_aside) {
  std::string_view head = scanner_.Head();
  if (const char* kind = NotCsvText(head)) throw CsvFileFormatError(path_, kind);
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
  if (set_aside_ != nullptr && format.header) {
    set_aside_->SetHeader((scanner_.HasByteOrderMark() ? "\xEF\xBB\xBF" : "") +
                          std::string(scanner_.RawRecord()));
  }
  if (!format.header) scanner_.Rewind();
}

bool FileCsvReader::DecodeSlot(int i, std::size_t* bad) {
  Slot& slot = slots_[static_cast<std::size_t>(i)];
  if (slot.record == record_) return true;
  const std::string_view raw = scanner_.RawField(i);
  slot.field = CsvField{};
  if (!IsEmptyField(raw)) {
    std::string_view text;
    if (!decoder_->Decode(raw, slot.buffer, &text, bad)) return false;
    slot.field = TypedField(text);
  }
  slot.record = record_;
  return true;
}

CsvFieldFault FileCsvReader::FieldFault(int i, std::size_t bad) const {
  const std::string_view raw = scanner_.RawField(i);
  return CsvFieldFault(
      CsvFormatError(path_, scanner_.LineOf(raw.data() + bad), decoder_->DescribeFault(raw, bad)));
}

CsvField FileCsvReader::Decode(std::string_view raw, TextBuffer& out) {
  if (IsEmptyField(raw)) return CsvField{};
  std::string_view text;
  std::size_t bad = 0;
  if (!decoder_->Decode(raw, out, &text, &bad)) {
    throw CsvFieldFault(CsvFormatError(path_, scanner_.LineOf(raw.data() + bad),
                                       decoder_->DescribeFault(raw, bad)));
  }
  return TypedField(text);
}

bool FileCsvReader::Next() {
  for (;;) {
    ++record_;
    on_record_ = scanner_.Next();
    if (!on_record_) {
      // Not one readable record: an empty result would hide that the file cannot be read.
      if (handed_out_ == 0 && first_fault_) std::rethrow_exception(first_fault_);
      return false;
    }
    const std::string fault = FaultOfRecord();
    if (fault.empty()) break;
    SetAside(fault);
  }
  ++handed_out_;
  return true;
}

std::string FileCsvReader::FaultOfRecord() {
  if (scanner_.Fault() != CsvCutter::kSound) return CsvCutter::FaultText(scanner_.Fault());
  if (scanner_.FieldCount() > static_cast<int>(names_.size())) {
    if (std::string fault = ExtraFieldsFault(); !fault.empty()) return fault;
  }
  if (check_fields_ != 0) {
    const int count = std::min(scanner_.FieldCount(), static_cast<int>(names_.size()));
    std::size_t bad = 0;
    for (int i = 0; i < count; ++i) {
      if (((check_fields_ >> std::min(i, 63)) & 1) == 0 || DecodeSlot(i, &bad)) continue;
      if (set_aside_ == nullptr) throw FieldFault(i, bad);
      return decoder_->DescribeFault(scanner_.RawField(i), bad);
    }
  }
  return "";
}

// Spreadsheet exports end rows with empty fields; those carry nothing. A value beyond the
// last column would be lost without a word, so it is a fault of the record.
std::string FileCsvReader::ExtraFieldsFault() {
  int columns = static_cast<int>(names_.size());
  for (int i = columns; i < scanner_.FieldCount(); ++i) {
    std::string_view raw = scanner_.RawField(i);
    if (IsEmptyField(raw)) continue;
    std::string fault = "見出し行より項目が多く、" + std::to_string(i + 1) +
                        "番目の項目に値があります（見出し行は" + std::to_string(columns) +
                        "項目）。";
    if (set_aside_ == nullptr) throw CsvFormatError(path_, scanner_.LineOf(raw.data()), fault);
    return fault;
  }
  return "";
}

void FileCsvReader::SetAside(const std::string& fault) {
  const std::int64_t line = scanner_.RecordLine();
  if (!first_fault_) first_fault_ = std::make_exception_ptr(CsvFormatError(path_, line, fault));
  if (set_aside_->Add(scanner_.RecordOffset(), line, scanner_.RawRecord(), fault)) return;
  // One huge record is told apart from many bad ones: the advice is the same, the cause not.
  if (scanner_.RawRecord().size() > SetAsideList::kMaxBytes) {
    throw CsvFormatError(
        path_, line,
        fault +
            "（読めない行が16MBを超えて長すぎるため、中止しました。ダウンロードし直した"
            "ファイルでお試しください）");
  }
  throw CsvFormatError(path_, line,
                       fault +
                           "（読めない行が多すぎるため、中止しました。ダウンロードし直した"
                           "ファイルでお試しください）");
}

CsvField FileCsvReader::Field(int i) {
  if (!on_record_ || i < 0 || i >= static_cast<int>(slots_.size()) || i >= scanner_.FieldCount()) {
    return CsvField{};
  }
  std::size_t bad = 0;
  if (!DecodeSlot(i, &bad)) throw FieldFault(i, bad);
  return slots_[static_cast<std::size_t>(i)].field;
}

void FileCsvReader::Rewind() {
  scanner_.Rewind();
  ++record_;
  on_record_ = false;
  handed_out_ = 0;
  first_fault_ = nullptr;
  if (format_.header) scanner_.Next();
}

}  // namespace

std::unique_ptr<CsvReader> CsvReader::Open(const std::string& path, const CsvFormat& format,
                                           const OpenFile* lent, SetAsideList* set_aside) {
  char d = format.delimiter;
  if (d == '"' || d == '\r' || d == '\n' || d == '\0' || static_cast<unsigned char>(d) >= 0x80) {
    throw Error(kErrDataSource, "区切り文字には引用符・改行・NUL・ASCII以外の文字は使えません。");
  }
  return std::make_unique<FileCsvReader>(path, format, lent, set_aside);
}

}  // namespace sorbel::csvdb
