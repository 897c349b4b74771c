// CsvLineCounter: the line (1-based) of a byte of a CSV file, counted on from the last line
// asked for; cheap for error messages and for records met in order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sorbel {
class OpenFile;
}

namespace sorbel::csvdb {

class CsvLineCounter {
 public:
  // Line of the byte at file offset `target`. Bytes from `buffer_offset` on may be taken from
  // `buffer` (`buffer_size` bytes of the file from that offset, the byte at `target` among
  // them or just after them); bytes before it are read from `file` again. Throws
  // Error(kErrCsvFile) naming `path` when that read fails.
  std::int64_t LineAt(std::int64_t target, const OpenFile& file, const std::string& path,
                      const char* buffer, std::int64_t buffer_offset, std::size_t buffer_size);
  // Forgets the last line asked for.
  void Reset() {
    offset_ = 0;
    line_ = 1;
  }

 private:
  std::int64_t offset_ = 0;  // a file offset and the line it is on
  std::int64_t line_ = 1;
};

}  // namespace sorbel::csvdb
