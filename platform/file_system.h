// The file system as a run uses it: whole files put in place under names no one has, and what
// tells a live process's files from the ones a dead run left. Paths are UTF-8 text.
#pragma once

#include <string>
#include <vector>

namespace sorbel {

// Gives the whole file at `temp_path` the name `final_path` if no file has that name; false,
// changing nothing, when one has. Throws OsError for any other failure. Where the file system
// refuses an atomic rename that keeps an existing file (NTFS, exFAT and FAT, in the kernel or
// through FUSE), a hard link and an unlink do it, and where links are refused too, an exclusive
// create of the name and a rename over it.
bool PutInPlaceIfFree(const std::string& temp_path, const std::string& final_path);

// Gives the file at `from` the name `to`, in place of any file there. False when it cannot.
bool RenameFile(const std::string& from, const std::string& to);

// Removes the file; a file already gone is no failure. False when it cannot be removed.
bool RemoveFile(const std::string& path);

// The names in `folder` ("." and ".." left out); empty when it cannot be read.
std::vector<std::string> FolderEntries(const std::string& folder);

// This program's process id.
long ProcessId();

// True when a process with this id lives (or may: one of another user's counts).
bool ProcessLives(long pid);

// True when `path` is a regular file that some live process holds a lock on, of any kind
// (flock, lockf or fcntl), or that cannot be looked at.
bool HeldOrUnknown(const std::string& path);

}  // namespace sorbel
