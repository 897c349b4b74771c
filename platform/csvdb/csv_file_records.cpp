// CsvFileRecords: the engine's CSV reader over a whole file with no header line, for a file the
// program wrote itself and reads back (the result, for the spreadsheet).
#include <memory>

#include "platform/csvdb/csv_reader.h"
#include "platform/database.h"

namespace sorbel {

class CsvFileRecords::Impl {
 public:
  std::unique_ptr<csvdb::CsvReader> reader;
};

CsvFileRecords::CsvFileRecords(const std::string& path, const std::string& codepage)
    : impl_(std::make_unique<Impl>()) {
  csvdb::CsvFormat format;
  format.header = false;  // the column names are a record like the rest, exactly as written
  format.charset = codepage;
  impl_->reader = csvdb::CsvReader::Open(path, format);
}

CsvFileRecords::~CsvFileRecords() = default;

int CsvFileRecords::Columns() const {
  return static_cast<int>(impl_->reader->ColumnNames().size());
}

bool CsvFileRecords::Next() { return impl_->reader->Next(); }

std::string_view CsvFileRecords::Field(int i) { return impl_->reader->Field(i).text; }

}  // namespace sorbel
