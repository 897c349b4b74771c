// OS errors on Windows: Win32 codes carried as the errno values the callers compare with, and
// descriptions from FormatMessageW in the user's language, as UTF-8.
//
// The table, Win32 code -> errno; the first code of each errno also describes that errno when a
// caller names one itself (OsErrorText(EEXIST)):
//   FILE_NOT_FOUND, PATH_NOT_FOUND, INVALID_DRIVE, BAD_NETPATH, BAD_NET_NAME, INVALID_NAME,
//     BAD_PATHNAME, DELETE_PENDING (the file is on its way out)            -> ENOENT
//   ACCESS_DENIED, NETWORK_ACCESS_DENIED, CANNOT_MAKE, CANT_ACCESS_FILE    -> EACCES
//   FILE_EXISTS, ALREADY_EXISTS                                            -> EEXIST
//   SHARING_VIOLATION (another program has it open for itself), BUSY,
//     USER_MAPPED_FILE                                                     -> EBUSY
//   LOCK_VIOLATION (a locked range)                                        -> EWOULDBLOCK
//   NOT_SAME_DEVICE                                                        -> EXDEV
//   NOT_SUPPORTED, INVALID_FUNCTION, CALL_NOT_IMPLEMENTED (the file system
//     does not do it)                                                      -> ENOTSUP
//   DISK_FULL, HANDLE_DISK_FULL, DISK_QUOTA_EXCEEDED                       -> ENOSPC
//   FILE_TOO_LARGE -> EFBIG      WRITE_PROTECT -> EROFS       DIRECTORY -> ENOTDIR
//   DIRECTORY_NOT_SUPPORTED -> EISDIR                         BAD_UNIT -> ENODEV
//   DIR_NOT_EMPTY -> ENOTEMPTY   FILENAME_EXCED_RANGE -> ENAMETOOLONG
//   TOO_MANY_OPEN_FILES -> EMFILE                             INVALID_HANDLE -> EBADF
//   NOT_ENOUGH_MEMORY, OUTOFMEMORY -> ENOMEM                  BROKEN_PIPE, NO_DATA -> EPIPE
//   INVALID_PARAMETER, NEGATIVE_SEEK -> EINVAL
//   OPERATION_ABORTED, CANCELLED -> ECANCELED
//   IO_DEVICE, CRC, READ_FAULT, WRITE_FAULT, GEN_FAILURE -> EIO
// Any other code c is numbered kWin32ErrorBase + c (platform/windows/win32_error.h).
#include <errno.h>
#include <string.h>
#include <windows.h>

#include "platform/error.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32_error.h"

namespace sorbel {
namespace {

struct CodeErrno {
  DWORD code;
  int errnum;
};

// Not in MinGW's headers.
constexpr DWORD kDirectoryNotSupported = 336;  // ERROR_DIRECTORY_NOT_SUPPORTED
constexpr DWORD kDiskQuotaExceeded = 1295;     // ERROR_DISK_QUOTA_EXCEEDED

constexpr CodeErrno kTable[] = {
    {ERROR_FILE_NOT_FOUND, ENOENT},
    {ERROR_PATH_NOT_FOUND, ENOENT},
    {ERROR_INVALID_DRIVE, ENOENT},
    {ERROR_BAD_NETPATH, ENOENT},
    {ERROR_BAD_NET_NAME, ENOENT},
    {ERROR_INVALID_NAME, ENOENT},
    {ERROR_BAD_PATHNAME, ENOENT},
    {ERROR_DELETE_PENDING, ENOENT},
    {ERROR_ACCESS_DENIED, EACCES},
    {ERROR_NETWORK_ACCESS_DENIED, EACCES},
    {ERROR_CANNOT_MAKE, EACCES},
    {ERROR_CANT_ACCESS_FILE, EACCES},
    {ERROR_FILE_EXISTS, EEXIST},
    {ERROR_ALREADY_EXISTS, EEXIST},
    {ERROR_SHARING_VIOLATION, EBUSY},
    {ERROR_BUSY, EBUSY},
    {ERROR_USER_MAPPED_FILE, EBUSY},
    {ERROR_LOCK_VIOLATION, EWOULDBLOCK},
    {ERROR_NOT_SAME_DEVICE, EXDEV},
    {ERROR_NOT_SUPPORTED, ENOTSUP},
    {ERROR_INVALID_FUNCTION, ENOTSUP},
    {ERROR_CALL_NOT_IMPLEMENTED, ENOTSUP},
    {ERROR_DISK_FULL, ENOSPC},
    {ERROR_HANDLE_DISK_FULL, ENOSPC},
    {kDiskQuotaExceeded, ENOSPC},
    {ERROR_FILE_TOO_LARGE, EFBIG},
    {ERROR_WRITE_PROTECT, EROFS},
    {ERROR_DIRECTORY, ENOTDIR},
    {kDirectoryNotSupported, EISDIR},
    {ERROR_BAD_UNIT, ENODEV},
    {ERROR_DIR_NOT_EMPTY, ENOTEMPTY},
    {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG},
    {ERROR_TOO_MANY_OPEN_FILES, EMFILE},
    {ERROR_INVALID_HANDLE, EBADF},
    {ERROR_NOT_ENOUGH_MEMORY, ENOMEM},
    {ERROR_OUTOFMEMORY, ENOMEM},
    {ERROR_BROKEN_PIPE, EPIPE},
    {ERROR_NO_DATA, EPIPE},
    {ERROR_INVALID_PARAMETER, EINVAL},
    {ERROR_NEGATIVE_SEEK, EINVAL},
    {ERROR_OPERATION_ABORTED, ECANCELED},
    {ERROR_CANCELLED, ECANCELED},
    {ERROR_IO_DEVICE, EIO},
    {ERROR_CRC, EIO},
    {ERROR_READ_FAULT, EIO},
    {ERROR_WRITE_FAULT, EIO},
    {ERROR_GEN_FAILURE, EIO},
};

// The system's text for a Win32 code, without the line end it comes with.
std::string SystemText(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide = n > 0 && text != nullptr ? std::wstring(text, n) : std::wstring();
  if (text != nullptr) ::LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' ')) {
    wide.pop_back();
  }
  if (wide.empty()) return "Windows のエラー " + std::to_string(code);
  return Utf8(wide);
}

}  // namespace

int ErrnoFromWin32(unsigned long code) {
  for (const CodeErrno& entry : kTable) {
    if (entry.code == code) return entry.errnum;
  }
  return kWin32ErrorBase + static_cast<int>(code);
}

Error Win32Error(unsigned long code) { return Error(ErrnoFromWin32(code), SystemText(code)); }

Error LastWin32Error() { return Win32Error(::GetLastError()); }

std::string OsErrorText(int errnum) {
  if (errnum >= kWin32ErrorBase) return SystemText(static_cast<DWORD>(errnum - kWin32ErrorBase));
  for (const CodeErrno& entry : kTable) {
    if (entry.errnum == errnum) return SystemText(entry.code);
  }
  // An errno value no Win32 failure maps to: the C library's words, in English.
  const char* text = ::strerror(errnum);
  return text != nullptr ? text : "error " + std::to_string(errnum);
}

}  // namespace sorbel
