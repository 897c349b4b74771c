// The set-aside records of one file, by their offset, so that a file read again (a rewind, a
// second cursor) lists each record once.
#include "platform/csvdb/set_aside_list.h"

namespace sorbel::csvdb {

bool SetAsideList::Add(std::int64_t offset, std::int64_t line, std::string_view bytes,
                       std::string_view reason) {
  if (records_.count(offset) != 0) return true;
  if (records_.size() >= kMaxRecords || bytes.size() > kMaxBytes - bytes_) return false;
  records_[offset] = SetAsideRecord{line, std::string(bytes), std::string(reason)};
  bytes_ += bytes.size();
  return true;
}

void SetAsideList::Clear() {
  records_.clear();
  bytes_ = 0;
}

SetAsideRecords SetAsideList::Take() {
  SetAsideRecords taken{file_, header_, {}};
  taken.records.reserve(records_.size());
  for (auto& [offset, record] : records_) taken.records.push_back(std::move(record));
  Clear();
  return taken;
}

}  // namespace sorbel::csvdb
