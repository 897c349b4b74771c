// The file system as a run uses it: files opened and looked at by name, whole files put in place
// under names no one has, folders listed, and the current folder. Paths are UTF-8 text.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/open_file.h"

namespace sorbel {

// What the name leads to (a link is followed); nothing when it cannot be looked at.
std::optional<FileState> FileStateOf(const std::string& path);

// What opening for reading does when another program holds the file for itself a while (a
// lease, as a file server takes): waits for it to give the file up, or fails with EWOULDBLOCK.
enum class WhenLeased { kWait, kFail };

// Opens an existing file for reading. Never waits for a pipe's writer. Throws OsError.
OpenFile OpenForReading(const std::string& path, WhenLeased leased = WhenLeased::kWait);

// How OpenForWriting starts: at the end of an existing file, in an existing file cut to length
// zero, or in the file made empty when no file has the name (an existing one is kept as it is).
enum class WriteStart { kAtEnd, kEmptied, kCreatedIfMissing };

// Opens a file for writing. Never waits for a pipe's reader. Throws OsError.
OpenFile OpenForWriting(const std::string& path, WriteStart start);

// Makes a new empty file under `path` and opens it for writing, and with kReadingToo for
// reading as well (some file systems refuse a second opening of a file being written); not
// open when a file has the name already. Throws OsError for any other failure.
enum class NewFileUse { kWriting, kReadingToo };
OpenFile CreateNew(const std::string& path, NewFileUse use = NewFileUse::kWriting);

// Makes a new empty file without a name in `folder`, open for reading and writing, that goes
// when it is closed or the process ends, however it ends. Not open where the file system
// cannot make one (then a named file from CreateNew serves). Throws OsError for any other
// failure.
OpenFile CreateNameless(const std::string& folder);

// Gives the whole file at `temp_path` the name `final_path` if no file has that name; false,
// changing nothing, when one has. Throws OsError for any other failure. Where the file system
// refuses an atomic rename that keeps an existing file (NTFS, exFAT and FAT, in the kernel or
// through FUSE), a hard link and an unlink do it, and where links are refused too, an exclusive
// create of the name and a rename over it.
bool PutInPlaceIfFree(const std::string& temp_path, const std::string& final_path);

// Exchanges the names of two files at once. False, changing nothing, when it cannot (a file
// system that does not do it among the reasons).
bool ExchangeNames(const std::string& a, const std::string& b);

// Gives the file at `from` the name `to`, in place of any file there. Throws OsError.
void RenameFile(const std::string& from, const std::string& to);

// Removes the file; a file already gone is no failure. False when it cannot be removed.
bool RemoveFile(const std::string& path);

// The names in `folder` ("." and ".." left out); empty when it cannot be read.
std::vector<std::string> FolderEntries(const std::string& folder);

// True when `path` is a regular file that some live process holds a lock on, of any kind
// (OpenFile::MarkInUse's, flock, lockf or fcntl), or that cannot be looked at.
bool HeldOrUnknown(const std::string& path);

// Makes `folder` the current folder, against which relative paths are taken. Throws OsError.
void SetCurrentFolder(const std::string& folder);

}  // namespace sorbel
