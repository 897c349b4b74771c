// SetAsideList: the records of one table file that queries left out because they could not be
// read, each kept once however often the file is read, within bounds that stop a runaway.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "platform/database.h"

namespace sorbel::csvdb {

class SetAsideList {
 public:
  // More than this many records, or bytes, is no longer a few bad lines but a file that is
  // not read right (a character set that changed, a stray quote): the run stops instead.
  static constexpr std::size_t kMaxRecords = 1000;
  static constexpr std::size_t kMaxBytes = std::size_t{16} << 20;

  explicit SetAsideList(std::string file) : file_(std::move(file)) {}

  // The file's header line as it stands in the file.
  void SetHeader(std::string_view header) { header_ = header; }
  // Keeps the record that starts `offset` bytes into the file. False, keeping nothing, when
  // that would pass kMaxRecords or kMaxBytes; true when it is kept already.
  bool Add(std::int64_t offset, std::int64_t line, std::string_view bytes, std::string_view reason);
  bool Empty() const { return records_.empty(); }
  void Clear();
  // The records in file order; the list is empty afterwards.
  SetAsideRecords Take();

 private:
  std::string file_;
  std::string header_;
  std::map<std::int64_t, SetAsideRecord> records_;  // by offset
  std::size_t bytes_ = 0;
};

}  // namespace sorbel::csvdb
