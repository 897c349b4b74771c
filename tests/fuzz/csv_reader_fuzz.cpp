// Fuzz target: the CSV reader on raw bytes, in auto, UTF-8 and CP932, with each delimiter.
// Every input must give records or a reader error; never a crash, bad text or a changed rerun.
// Half the inputs are read setting bad records aside, which must come from the file in order.
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/csvdb/connection_text.h"
#include "platform/csvdb/csv_reader.h"
#include "platform/csvdb/field_type.h"
#include "platform/csvdb/set_aside_list.h"
#include "platform/error.h"
#include "tests/fuzz/fuzz_input.h"
#include "text/grouped_number.h"
#include "text/utf8.h"

namespace sorbel::fuzz {
namespace {

using csvdb::CsvField;
using csvdb::CsvFormat;
using csvdb::CsvReader;
using csvdb::FieldKind;

constexpr const char* kCharsets[] = {"auto", "UTF-8", "CP932", "auto"};
constexpr char kDelimiters[] = {',', ';', '\t', ':'};
constexpr int kMaxRecords = 20000;

// The reader's errors; anything else escaping it is a fault.
void CheckError(const Error& e) {
  FUZZ_CHECK(e.Number() == kErrCsvFile || e.Number() == kErrCsvFormat ||
             e.Number() == kErrCodePage || e.Number() == kErrDataSource);
  FUZZ_CHECK(!e.Description().empty() && IsValidUtf8(e.Description()));
}

// A field must be valid UTF-8 without NUL, and a number's text must be its number's own.
void CheckField(const CsvField& f) {
  FUZZ_CHECK(IsValidUtf8(f.text));
  FUZZ_CHECK(f.text.find('\0') == std::string_view::npos);
  if (f.kind == FieldKind::kNull) FUZZ_CHECK(f.text.empty());
  if (f.kind == FieldKind::kInteger) {
    FUZZ_CHECK(f.text == (f.grouped ? Grouped(f.integer) : std::to_string(f.integer)));
  }
  if (f.kind == FieldKind::kReal) {
    double back = 0;
    auto [ptr, ec] = std::from_chars(f.text.data(), f.text.data() + f.text.size(), back);
    FUZZ_CHECK(ec == std::errc() && back == f.real);
  }
}

// Every record as texts; the error (number:description) that stopped reading, if any, last.
std::vector<std::string> ReadAll(CsvReader& reader) {
  std::vector<std::string> out;
  const int columns = static_cast<int>(reader.ColumnNames().size());
  try {
    for (int n = 0; n < kMaxRecords && reader.Next(); ++n) {
      FUZZ_CHECK(reader.RecordLine() >= 1);
      std::string record = std::to_string(reader.RecordLine());
      for (int i = 0; i <= columns; ++i) {  // one past the end must be Null
        CsvField f = reader.Field(i);
        CheckField(f);
        if (i == columns) FUZZ_CHECK(f.kind == FieldKind::kNull);
        record += '|';
        record += std::to_string(static_cast<int>(f.kind));
        record.append(f.text);
      }
      out.push_back(record);
    }
  } catch (const Error& e) {
    CheckError(e);
    out.push_back(e.Report());
  }
  return out;
}

}  // namespace
}  // namespace sorbel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace sorbel;
  using namespace sorbel::fuzz;
  static FuzzFolder folder;
  InputReader input(data, size);
  uint8_t control = input.Byte();
  CsvFormat format;
  format.charset = kCharsets[control & 3];
  format.delimiter = kDelimiters[(control >> 2) & 3];
  format.header = (control & 0x10) == 0;
  const std::string content(input.Rest());
  std::string path = folder.Write("t.csv", content);
  csvdb::SetAsideList set_aside(path);

  std::unique_ptr<csvdb::CsvReader> reader;
  try {
    reader = csvdb::CsvReader::Open(path, format, nullptr, (control & 0x20) ? &set_aside : nullptr);
    reader->CheckFields((control & 0x40) ? ~std::uint64_t{0} : 0);
  } catch (const Error& e) {
    CheckError(e);
    return 0;
  }
  // Column names: never empty, never two alike as SQLite compares them.
  std::set<std::string> seen;
  for (const std::string& name : reader->ColumnNames()) {
    FUZZ_CHECK(!name.empty() && IsValidUtf8(name));
    FUZZ_CHECK(seen.insert(csvdb::LowerAscii(name)).second);
  }
  FUZZ_CHECK(!reader->ColumnNames().empty() && reader->ColumnNames().size() <= 2000);
  std::vector<std::string> first = ReadAll(*reader);
  SetAsideRecords taken = set_aside.Take();
  std::int64_t line = 0;
  for (const SetAsideRecord& r : taken.records) {
    FUZZ_CHECK(r.line > line && !r.bytes.empty() && content.find(r.bytes) != std::string::npos);
    FUZZ_CHECK(!r.reason.empty() && IsValidUtf8(r.reason));
    line = r.line;
  }
  reader->Rewind();
  FUZZ_CHECK(ReadAll(*reader) == first);
  SetAsideRecords again = set_aside.Take();
  FUZZ_CHECK(again.records.size() == taken.records.size());
  return 0;
}
