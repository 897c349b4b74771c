// Between the Windows files of the port: a FileState from an open handle, and the byte the
// mark of use locks. Not part of the port's interface.
#pragma once

#include <windows.h>

#include "platform/open_file.h"

namespace sorbel {

// Throws OsError when the handle cannot be looked at.
FileState StateFromHandle(HANDLE handle);

// The byte the mark of use locks (OpenFile::MarkInUse, HeldOrUnknown): far past the end of any
// file, so that the lock, which Windows enforces, stops no one's reads or writes.
constexpr DWORD kMarkOffsetLow = 0xFFFFFFFE;
constexpr DWORD kMarkOffsetHigh = 0x7FFFFFFF;

}  // namespace sorbel
