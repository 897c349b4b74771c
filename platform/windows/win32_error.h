// Between the Windows files of the port: an Error from a Win32 error code, numbered as the
// errno value the callers compare with (platform/windows/error.cpp has the table).
#pragma once

#include "platform/error.h"

namespace sorbel {

// Win32 codes without an errno counterpart keep their own number plus this, so that the number
// still names the failure and OsErrorText still finds its description.
constexpr int kWin32ErrorBase = 100000;

// The errno value for a Win32 error code (GetLastError).
int ErrnoFromWin32(unsigned long code);

// An Error numbered ErrnoFromWin32(code), described by the system for `code` itself.
Error Win32Error(unsigned long code);

// Win32Error(GetLastError()).
Error LastWin32Error();

}  // namespace sorbel
