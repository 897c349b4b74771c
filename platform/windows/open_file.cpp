// The open file on Windows: a Win32 handle, read at offsets through its position; the mark of use
// is a lock on one byte far past the end, notes are NTFS alternate data streams ("file:name").
#include "platform/open_file.h"

#include <windows.h>

#include <algorithm>
#include <mutex>

#include "platform/windows/file_position.h"
#include "platform/windows/file_state.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32_error.h"

namespace sorbel {
namespace {

// FILETIME counts 100 ns steps from 1601.
constexpr std::int64_t kFileTimeAt1970 = 116444736000000000;
// One ReadFile or WriteFile moves at most a DWORD's worth: steps of 1 GiB.
constexpr std::size_t kMaxStep = std::size_t{1} << 30;
// A note longer than this is none of ours.
constexpr DWORD kNoteMax = 256;

HANDLE H(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

std::int64_t Nanos(std::int64_t file_time) { return (file_time - kFileTimeAt1970) * 100; }

// A read's count; the end of the file, or of a pipe whose writer has gone, reads as 0.
std::size_t ReadDone(BOOL ok, DWORD n) {
  if (ok) return n;
  const DWORD err = ::GetLastError();
  if (err == ERROR_HANDLE_EOF || err == ERROR_BROKEN_PIPE) return 0;
  throw Win32Error(err);
}

// Alternate data streams exist only where the volume says so: elsewhere (FAT, exFAT, Wine's
// drives) "name:stream" would be taken as an ordinary file's name, made beside the file.
bool HasStreams(HANDLE file) {
  DWORD flags = 0;
  return ::GetVolumeInformationByHandleW(file, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
         (flags & FILE_NAMED_STREAMS) != 0;
}

// The file's path as it is called now (it may have been renamed since opened); empty when the
// system cannot tell.
std::wstring FinalPath(HANDLE file) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()),
                                                FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(n);
  }
}

bool UsableNoteName(const std::string& name) {
  return !name.empty() && name.find_first_of(":\\/") == std::string::npos;
}

// The stream `name` of the file; empty when the volume has no streams.
std::wstring StreamPath(HANDLE file, const std::string& name) {
  if (!HasStreams(file) || !UsableNoteName(name)) return {};
  const std::wstring path = FinalPath(file);
  return path.empty() ? path : path + L":" + Wide(name);
}

// Where the volume has no streams, the note lies in a hidden file beside the file,
// "." + name + ".note", one per name and folder: its first line is the identity of the file
// it belongs to, so that it never speaks for another file, and it follows a rename.
std::wstring NoteBesidePath(HANDLE file, const std::string& name) {
  if (!UsableNoteName(name)) return {};
  const std::wstring path = FinalPath(file);
  const std::size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return {};
  return path.substr(0, slash + 1) + L"." + Wide(name) + L".note";
}

bool WriteWhole(const std::wstring& path, std::string_view text, bool keep_times) {
  HANDLE out = ::CreateFileW(path.c_str(), GENERIC_WRITE | FILE_WRITE_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return false;
  if (keep_times) {
    // Writing a stream would move the whole file's time of modification, which the note's
    // reader compares; an extended attribute leaves it alone, and so must this (-1: not updated).
    const FILETIME keep = {0xFFFFFFFF, 0xFFFFFFFF};
    ::SetFileTime(out, nullptr, nullptr, &keep);
  }
  DWORD n = 0;
  const bool written =
      ::WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &n, nullptr) &&
      n == text.size();
  return ::CloseHandle(out) && written;
}

std::optional<std::string> ReadWhole(const std::wstring& path, std::size_t most) {
  HANDLE in = ::CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (in == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string text(most + 1, '\0');
  DWORD n = 0;
  const bool read = ::ReadFile(in, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
  ::CloseHandle(in);
  if (!read || n > most) return std::nullopt;
  text.resize(n);
  return text;
}

}  // namespace

FileState StateFromHandle(HANDLE handle) {
  FileState state;
  const DWORD type = ::GetFileType(handle);
  if (type == FILE_TYPE_CHAR) state.kind = FileKind::kDevice;
  if (type == FILE_TYPE_PIPE) state.kind = FileKind::kPipe;
  if (type == FILE_TYPE_UNKNOWN && ::GetLastError() != NO_ERROR) throw LastWin32Error();
  if (type != FILE_TYPE_DISK) return state;

  BY_HANDLE_FILE_INFORMATION info;
  FILE_BASIC_INFO times;
  if (!::GetFileInformationByHandle(handle, &info) ||
      !::GetFileInformationByHandleEx(handle, FileBasicInfo, &times, sizeof times)) {
    throw LastWin32Error();
  }
  state.kind = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::kFolder
                                                                       : FileKind::kRegular;
  state.size =
      static_cast<std::int64_t>((std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow);
  state.modified = Nanos(times.LastWriteTime.QuadPart);
  // FAT and exFAT keep no time of change: the time of modification stands in.
  state.changed = Nanos(times.ChangeTime.QuadPart != 0 ? times.ChangeTime.QuadPart
                                                       : times.LastWriteTime.QuadPart);
  state.identity = FileIdentity(info.dwVolumeSerialNumber,
                                (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow);
  return state;
}

OpenFile::~OpenFile() {
  if (IsOpen()) ::CloseHandle(H(handle_));
}

OpenFile& OpenFile::operator=(OpenFile&& other) noexcept {
  if (this != &other) {
    if (IsOpen()) ::CloseHandle(H(handle_));
    handle_ = other.handle_;
    other.handle_ = -1;
  }
  return *this;
}

std::size_t OpenFile::Read(char* data, std::size_t size) {
  DWORD n = 0;
  const BOOL ok =
      ::ReadFile(H(handle_), data, static_cast<DWORD>(std::min(size, kMaxStep)), &n, nullptr);
  return ReadDone(ok, n);
}

WaitLock& FilePositionLock() {
  static WaitLock lock;
  return lock;
}

std::size_t OpenFile::ReadAt(std::int64_t offset, char* data, std::size_t size) const {
  // Through the handle's position, put back after, under the lock, as several threads read one
  // lent file at once. Not ReadFile with an OVERLAPPED offset, which moves the position all the
  // same: Wine then posts a completion through its server at every read, a round trip each.
  const std::lock_guard hold(FilePositionLock());
  LARGE_INTEGER position{};
  if (!::SetFilePointerEx(H(handle_), LARGE_INTEGER{}, &position, FILE_CURRENT)) {
    throw LastWin32Error();
  }
  LARGE_INTEGER at{};
  at.QuadPart = offset;
  if (!::SetFilePointerEx(H(handle_), at, nullptr, FILE_BEGIN)) throw LastWin32Error();
  DWORD n = 0;
  const BOOL ok =
      ::ReadFile(H(handle_), data, static_cast<DWORD>(std::min(size, kMaxStep)), &n, nullptr);
  const DWORD err = ::GetLastError();
  ::SetFilePointerEx(H(handle_), position, nullptr, FILE_BEGIN);
  ::SetLastError(err);
  return ReadDone(ok, n);
}

std::size_t OpenFile::ReadAtIfCached(std::int64_t, char*, std::size_t) const {
  // Windows does not tell what its cache holds: "cannot tell".
  return 0;
}

void OpenFile::WillReadInOrder() const {
  // Windows reads ahead on its own for a file read in order; the hint would be an open flag.
}

void OpenFile::Write(std::string_view data, std::string_view tail) {
  // One WriteFile for a short tail, so that an appending write normally lands in one piece.
  std::string joined;
  if (!data.empty() && !tail.empty() && data.size() + tail.size() <= kMaxStep) {
    joined.reserve(data.size() + tail.size());
    joined.append(data).append(tail);
    data = joined;
    tail = {};
  }
  for (std::string_view part : {data, tail}) {
    while (!part.empty()) {
      DWORD n = 0;
      if (!::WriteFile(H(handle_), part.data(), static_cast<DWORD>(std::min(part.size(), kMaxStep)),
                       &n, nullptr)) {
        throw LastWin32Error();
      }
      part.remove_prefix(n);
    }
  }
}

FileState OpenFile::State() const { return StateFromHandle(H(handle_)); }

void OpenFile::MarkInUse() {
  // Held until the handle closes or the process ends, however it ends. Needs read or write
  // access: a handle that may only append keeps no mark.
  OVERLAPPED at{};
  at.Offset = kMarkOffsetLow;
  at.OffsetHigh = kMarkOffsetHigh;
  ::LockFileEx(H(handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at);
}

bool OpenFile::WriteNote(const std::string& name, std::string_view text) {
  if (text.size() > kNoteMax) return false;
  if (const std::wstring stream = StreamPath(H(handle_), name); !stream.empty()) {
    return WriteWhole(stream, text, true);
  }
  const std::wstring beside = NoteBesidePath(H(handle_), name);
  if (beside.empty()) return false;
  std::string owned = State().identity.Text() + "\n";
  owned.append(text);
  if (WriteWhole(beside, owned, false)) {
    ::SetFileAttributesW(beside.c_str(), FILE_ATTRIBUTE_HIDDEN);
    return true;
  }
  return false;
}

std::optional<std::string> OpenFile::ReadNote(const std::string& name) const {
  if (const std::wstring stream = StreamPath(H(handle_), name); !stream.empty()) {
    return ReadWhole(stream, kNoteMax);
  }
  const std::wstring beside = NoteBesidePath(H(handle_), name);
  if (beside.empty()) return std::nullopt;
  const std::optional<std::string> owned = ReadWhole(beside, kNoteMax + 64);
  if (!owned) return std::nullopt;
  const std::string owner = State().identity.Text() + "\n";
  if (owned->compare(0, owner.size(), owner) != 0) return std::nullopt;
  return owned->substr(owner.size());
}

void OpenFile::Close() {
  if (!IsOpen()) return;
  const HANDLE handle = H(handle_);
  handle_ = -1;
  if (!::CloseHandle(handle)) throw LastWin32Error();
}

}  // namespace sorbel
