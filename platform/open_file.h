// An open file of the run's: read and written, looked at, marked in use, and given notes; the OS's
// handle stays inside. Made by the functions of platform/file_system.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sorbel {

// Which file a name leads to: equal for two names of one file, however they are spelled.
class FileIdentity {
 public:
  FileIdentity() = default;
  FileIdentity(std::uint64_t volume, std::uint64_t file) : volume_(volume), file_(file) {}
  bool operator==(const FileIdentity&) const = default;
  // The two numbers as decimal text with a blank between, for a note that names the file.
  std::string Text() const { return std::to_string(volume_) + " " + std::to_string(file_); }

 private:
  std::uint64_t volume_ = 0;
  std::uint64_t file_ = 0;
};

enum class FileKind { kRegular, kFolder, kDevice, kPipe /* or a socket */, kOther };

// A file as the OS describes it; times in nanoseconds since 1970. The time of change moves with
// every change of the file, its content or its times, and cannot be set back.
struct FileState {
  FileKind kind = FileKind::kOther;
  std::int64_t size = 0;
  std::int64_t modified = 0;
  std::int64_t changed = 0;
  FileIdentity identity;
};

// Owns an open file and closes it when it goes. Failures throw OsError.
class OpenFile {
 public:
  OpenFile() = default;  // none
  ~OpenFile();
  OpenFile(OpenFile&& other) noexcept : handle_(other.handle_) { other.handle_ = -1; }
  OpenFile& operator=(OpenFile&& other) noexcept;
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  bool IsOpen() const { return handle_ != -1; }

  // Up to `size` bytes from the file position on; 0 at the end.
  std::size_t Read(char* data, std::size_t size);
  // Up to `size` bytes from `offset` on, the file position left alone; 0 at the end. Several
  // readers may read one file so at once, a lent file among them: hence const.
  std::size_t ReadAt(std::int64_t offset, char* data, std::size_t size) const;
  // As ReadAt, but only bytes the system holds in memory: 0, and no failure, when it would have
  // to go to the disk for them or cannot tell.
  std::size_t ReadAtIfCached(std::int64_t offset, char* data, std::size_t size) const;
  // Tells the system that the file will be read from start to end, so that it reads further
  // ahead. Only a hint: nothing happens where the system takes none.
  void WillReadInOrder() const;
  // Writes all of `data`, then all of `tail`, in one gathering write where it can.
  void Write(std::string_view data, std::string_view tail = {});

  FileState State() const;

  // Marks the file as in use by this process for as long as it stays open, so that others can
  // tell (platform/file_system.h HeldOrUnknown); the mark goes however the process ends. A file
  // system that keeps no marks is no failure.
  void MarkInUse();

  // A short named text kept with the file (an extended attribute, a stream). False, or nothing,
  // where the file system keeps none: that is no failure.
  bool WriteNote(const std::string& name, std::string_view text);
  std::optional<std::string> ReadNote(const std::string& name) const;

  // Closes now; a late write failure shows here. Nothing when none is open.
  void Close();

  // The OS's handle, for platform code only (the query engine reads a lent file through it).
  std::intptr_t NativeHandle() const { return handle_; }
  // Takes ownership of an OS handle: for the implementations of the port.
  static OpenFile FromNativeHandle(std::intptr_t handle) {
    OpenFile file;
    file.handle_ = handle;
    return file;
  }

 private:
  std::intptr_t handle_ = -1;
};

}  // namespace sorbel
