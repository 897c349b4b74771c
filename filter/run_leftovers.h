// What a run leaves in the program folder while it works, and what a run that died left there:
// temporary files named after their process and locked while in use; a dead run's are litter.
#pragma once

#include <string>

namespace sorbel {

// Creates a hidden file for writing beside `path`: "." + its name + "." + this process's id +
// "." + a random number + ".tmp", marked in use. -1 with errno set when it cannot; `temp_path`
// receives the name either way.
int CreateTemporaryBeside(const std::string& path, std::string& temp_path);

// Marks the file open as `fd` as in use by this run for as long as it stays open (a lock the
// system lets go of when the process ends, however it ends).
void MarkInUse(int fd);

// Removes from `folder` the temporary files of runs that died half-way: only names of the exact
// form CreateTemporaryBeside gives for the staged copy, a result or its set-aside files (and
// the engine's ".sorbel-result.<id>.<number>.tmp" for a large result's rows), whose
// process is gone and that no live process holds a lock on. Failures are ignored; the next
// run tries again.
void RemoveLeftovers(const std::string& folder);

}  // namespace sorbel
