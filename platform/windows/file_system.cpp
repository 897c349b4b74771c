// The file system port on Windows: wide Win32 calls; every file opened so that others may
// still read, write, rename and remove it, as on POSIX, where the run relies on that.
#include "platform/file_system.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/process.h"
#include "platform/windows/file_state.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32_error.h"

namespace sorbel {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// FileRenameInfoEx (Windows 10 1607), which MinGW's headers declare only for a version number
// no _WIN32_WINNT reaches.
constexpr auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);

// Folders open too (FILE_FLAG_BACKUP_SEMANTICS), so that the caller learns it is a folder.
HANDLE Open(const std::string& path, DWORD access, DWORD disposition, DWORD flags = 0) {
  return ::CreateFileW(Wide(path).c_str(), access, kShareAll, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
}

OpenFile Opened(HANDLE handle) {
  if (handle == INVALID_HANDLE_VALUE) throw LastWin32Error();
  return OpenFile::FromNativeHandle(reinterpret_cast<std::intptr_t>(handle));
}

// The NT form of a path ("\\??\\C:\\..."), which a rename by handle takes for a target in
// another folder; empty when there is none.
std::wstring NtPath(const std::wstring& path) {
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n =
        ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0) return {};
    if (n < full.size()) {
      full.resize(n);
      break;
    }
    full.resize(n);
  }
  if (full.rfind(L"\\\\?\\", 0) == 0) return L"\\??\\" + full.substr(4);
  if (full.rfind(L"\\\\", 0) == 0) return L"\\??\\UNC\\" + full.substr(2);
  return L"\\??\\" + full;
}

// Renames with POSIX semantics (Windows 10 on NTFS): a target that is open, as the staged copy
// may be, is replaced all the same. False where that is not done, changing nothing.
bool RenameReplacingOpenTarget(const std::wstring& from, const std::wstring& to) {
  HANDLE file = ::CreateFileW(from.c_str(), DELETE | SYNCHRONIZE, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const std::wstring target = NtPath(to);
  if (target.empty()) {
    ::CloseHandle(file);
    return false;
  }
  const std::size_t name_bytes = target.size() * sizeof(wchar_t);
  std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + name_bytes);
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->Flags = FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(name_bytes);
  std::memcpy(info->FileName, target.data(), name_bytes);
  const bool done = ::SetFileInformationByHandle(file, kFileRenameInfoEx, info,
                                                 static_cast<DWORD>(buffer.size()));
  ::CloseHandle(file);
  return done;
}

}  // namespace

std::optional<FileState> FileStateOf(const std::string& path) {
  const HANDLE handle = Open(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<FileState> state;
  try {
    state = StateFromHandle(handle);
  } catch (const Error&) {
  }
  ::CloseHandle(handle);
  return state;
}

OpenFile OpenForReading(const std::string& path, WhenLeased) {
  // Windows breaks an opportunistic lock (its lease) on open and waits for it by itself; a
  // program that keeps the file to itself fails the open (EBUSY) either way.
  return Opened(Open(path, GENERIC_READ, OPEN_EXISTING));
}

OpenFile OpenForWriting(const std::string& path, WriteStart start) {
  switch (start) {
    case WriteStart::kAtEnd:
      // Without FILE_WRITE_DATA every write goes to the end, however long the file grew.
      return Opened(Open(path,
                         FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES |
                             READ_CONTROL | SYNCHRONIZE,
                         OPEN_EXISTING));
    case WriteStart::kEmptied:
      return Opened(Open(path, GENERIC_WRITE | FILE_READ_ATTRIBUTES, TRUNCATE_EXISTING));
    case WriteStart::kCreatedIfMissing:
      break;
  }
  return Opened(Open(path, GENERIC_WRITE | FILE_READ_ATTRIBUTES, OPEN_ALWAYS));
}

OpenFile CreateNew(const std::string& path, NewFileUse use) {
  const DWORD access = use == NewFileUse::kReadingToo ? GENERIC_READ | GENERIC_WRITE
                                                      : GENERIC_WRITE | FILE_READ_ATTRIBUTES;
  const HANDLE handle = Open(path, access, CREATE_NEW);
  if (handle == INVALID_HANDLE_VALUE && ErrnoFromWin32(::GetLastError()) == EEXIST) {
    return OpenFile();
  }
  return Opened(handle);
}

OpenFile CreateNameless(const std::string&) {
  // No file without a name here: the caller makes a named one, marked in use.
  return OpenFile();
}

bool PutInPlaceIfFree(const std::string& temp_path, const std::string& final_path) {
  // Without MOVEFILE_REPLACE_EXISTING the rename is atomic and keeps a file that has the name,
  // on NTFS, FAT and exFAT alike.
  if (::MoveFileExW(Wide(temp_path).c_str(), Wide(final_path).c_str(), 0)) return true;
  const DWORD err = ::GetLastError();
  if (ErrnoFromWin32(err) == EEXIST) return false;
  throw Win32Error(err);
}

bool ExchangeNames(const std::string&, const std::string&) {
  // Windows has no atomic exchange of two names; the caller then renames.
  return false;
}

void RenameFile(const std::string& from, const std::string& to) {
  const std::wstring wide_from = Wide(from);
  const std::wstring wide_to = Wide(to);
  if (RenameReplacingOpenTarget(wide_from, wide_to)) return;
  if (::MoveFileExW(wide_from.c_str(), wide_to.c_str(), MOVEFILE_REPLACE_EXISTING)) return;
  const DWORD err = ::GetLastError();
  // Without POSIX semantics (older Windows, FAT, exFAT, Wine) an open target cannot be
  // replaced, but renamed, as it was opened with FILE_SHARE_DELETE: it steps aside under the
  // name of a temporary file of this process, so that a crash right then leaves a leftover the
  // next run removes (filter/run_leftovers.h), and goes once its last reader closes it.
  const std::size_t slash = to.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? "." : to.substr(0, slash);
  const std::string name = slash == std::string::npos ? to : to.substr(slash + 1);
  const std::wstring aside = Wide(folder + "/." + name + "." + std::to_string(ProcessId()) + "." +
                                  std::to_string(::GetTickCount64() % 1000000000) + ".tmp");
  if (err != ERROR_ACCESS_DENIED || !::MoveFileExW(wide_to.c_str(), aside.c_str(), 0)) {
    throw Win32Error(err);
  }
  if (!::MoveFileExW(wide_from.c_str(), wide_to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    const DWORD late = ::GetLastError();
    ::MoveFileExW(aside.c_str(), wide_to.c_str(), 0);
    throw Win32Error(late);
  }
  ::DeleteFileW(aside.c_str());
}

bool RemoveFile(const std::string& path) {
  // A file still open elsewhere (with FILE_SHARE_DELETE) goes when its last handle closes.
  return ::DeleteFileW(Wide(path).c_str()) || ErrnoFromWin32(::GetLastError()) == ENOENT;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  const std::wstring wide = Wide(folder);
  if (wide.empty()) return names;
  const std::wstring pattern = wide + (wide.back() == L'/' || wide.back() == L'\\' ? L"*" : L"\\*");
  WIN32_FIND_DATAW entry;
  const HANDLE find = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..") names.push_back(Utf8(name));
  } while (::FindNextFileW(find, &entry));
  ::FindClose(find);
  return names;
}

bool HeldOrUnknown(const std::string& path) {
  // Opened for reading and writing, as the POSIX port does: a program that keeps the file to
  // itself (no sharing) fails the open, and so holds it. A link is not followed.
  const HANDLE handle =
      Open(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT);
  if (handle == INVALID_HANDLE_VALUE) return true;
  bool held = true;
  try {
    held = StateFromHandle(handle).kind != FileKind::kRegular;
  } catch (const Error&) {
  }
  if (!held) {
    OVERLAPPED at{};
    at.Offset = kMarkOffsetLow;
    at.OffsetHigh = kMarkOffsetHigh;
    held = !::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at);
    if (!held) ::UnlockFileEx(handle, 0, 1, 0, &at);
  }
  ::CloseHandle(handle);
  return held;
}

void SetCurrentFolder(const std::string& folder) {
  const std::wstring wide = Wide(folder);
  if (wide.empty()) throw OsError(EINVAL);
  if (!::SetCurrentDirectoryW(wide.c_str())) throw LastWin32Error();
}

}  // namespace sorbel
