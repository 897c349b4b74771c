// The data source: where the tables live and how their CSV files are read, taken from the
// connection text and the .dsn file it names. Every key is described in docs/datasource.md.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/csvdb/csv_reader.h"

namespace sorbel::csvdb {

// The driver name a description must give.
inline constexpr char kDriverName[] = "Sorbel CSV";

struct DataSource {
  std::string folder;  // absolute folder of the tables, without a trailing separator
  CsvFormat format;
  // Columns whose values compare as the number a person reads in them (WrittenNumber), in
  // every table of the folder that has them.
  std::vector<std::string> numeric_columns;
};

// Settles the data source for `connection_text`: its own keys win over those of the FILEDSN
// file. Throws Error(kErrDataSource) naming what is missing or wrong.
DataSource ResolveDataSource(std::string_view connection_text);

}  // namespace sorbel::csvdb
