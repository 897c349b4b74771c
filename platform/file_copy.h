// The fast copy of one open file's content into another: in the kernel where the system can,
// else through a buffer; the caller may stop it from another thread.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/open_file.h"

namespace sorbel {

// Copies all of `from` from its file position on to `to` at its own, adding each step's bytes
// to `copied`. False, the copy unfinished, once `stop` is set (seen within milliseconds).
// Throws OsError.
bool CopyRest(OpenFile& from, OpenFile& to, const std::atomic<bool>& stop, std::int64_t& copied);

}  // namespace sorbel
