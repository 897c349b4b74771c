// The errors of reading a CSV file, each naming the file and, for format faults, the line.
// One wording for the scanner, the decoder and the reader, so every message reads alike.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/error.h"

namespace sorbel::csvdb {

// A fault in the file's content at `line` (1-based), e.g. a quote that is never closed.
inline Error CsvFormatError(std::string_view path, std::int64_t line, std::string_view detail) {
  return Error(kErrCsvFormat, "CSVファイル「" + std::string(path) + "」の" + std::to_string(line) +
                                  "行目: " + std::string(detail));
}

// The file ends inside the record that starts at `line`: most likely a download that stopped.
inline Error CsvCutShortError(std::string_view path, std::int64_t line) {
  return Error(kErrCsvFormat, "CSVファイル「" + std::string(path) +
                                  "」は途中で切れているようです（" + std::to_string(line) +
                                  "行目から始まる商品の途中でファイルが終わっています）。"
                                  "ダウンロードが終わっていないかもしれません。ダウンロードし直して"
                                  "から、もう一度実行してください。");
}

// A fault in one field's bytes (a NUL, a byte the character set lacks), met when the field is
// read, after its record was handed out.
class CsvFieldFault : public Error {
 public:
  explicit CsvFieldFault(Error e) : Error(std::move(e)) {}
};

// A fault of the file as a whole (empty, a character set it cannot be read in).
inline Error CsvFileFormatError(std::string_view path, std::string_view detail) {
  return Error(kErrCsvFormat, "CSVファイル「" + std::string(path) + "」: " + std::string(detail));
}

// The file cannot be opened or read; `os_text` is the OS's reason.
inline Error CsvFileError(std::string_view path, std::string_view os_text) {
  return Error(kErrCsvFile,
               "CSVファイル「" + std::string(path) + "」を読めません: " + std::string(os_text));
}

}  // namespace sorbel::csvdb
